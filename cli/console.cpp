#include "cli/console.h"

#include "source/utf.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <filesystem>

std::vector<std::string> CommandLineArguments(int, char**) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> out;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return out;
  for (int i = 0; i < count; ++i) {
    const std::u16string arg(wide[i], wide[i] + wcslen(wide[i]));
    out.push_back(U16ToUtf8(arg));
  }
  LocalFree(wide);
  return out;
}

bool StderrIsTerminal() {
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return false;  // a file or a pipe
  return SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::u16string SourceNameFromArgument(const std::string& utf8) {
  const std::u16string name = Utf8ToU16(utf8);
  const bool hasSeparator = name.find_first_of(u"/\\") != std::u16string::npos;
  if (!hasSeparator || name.rfind(u"\\\\", 0) == 0) return name;  // a device, UNC or \\.\ path
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(name), ec);
  return ec ? name : full.lexically_normal().make_preferred().u16string();
}

#else
#include <unistd.h>

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

std::u16string SourceNameFromArgument(const std::string& utf8) { return Utf8ToU16(utf8); }
#endif
