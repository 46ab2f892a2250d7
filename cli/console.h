#pragma once
// What korvane-recover needs of the console and the command line on each platform.

#include <string>
#include <vector>

// The program's arguments as UTF-8, argv[0] included. Windows hands main() its arguments
// in the ANSI code page, so there they are taken from the UTF-16 command line instead.
// Also makes the console show UTF-8 output (Chinese texts) where it needs telling.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// True when standard error is a terminal that takes the progress line's escape sequences.
bool StderrIsTerminal();

// The source name CDisk gets for a SOURCE argument. On Windows a relative path or one
// written with '/' becomes the full path with '\' ("Z:\img\disk.img"), since only a name
// with a drive root is measured as a file there; other names pass unchanged.
std::u16string SourceNameFromArgument(const std::string& utf8);
