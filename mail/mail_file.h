#pragma once
// The files a save writes: whole or not at all. A file is written under a temporary name
// in its directory and then renamed over its name, so no partly written file is ever left
// under a message's name, and a link planted at the name is replaced, never followed.
// Paths are UTF-16; on POSIX systems they are passed to the system as UTF-8.

#include <string>
#include <string_view>

// The platform's path separator ('/' or '\\').
char16_t PathSeparator();

// True when `path` names an existing directory that is no symbolic link (nor, on Windows,
// a junction): a link planted where a save makes its directory is never followed.
bool IsDirectory(const std::u16string& path);
// Creates one directory level; a symbolic link (junction) at the name is replaced by the
// directory, its target left untouched. False when it could not be created.
bool MakeDirectory(const std::u16string& path);

// Writes `bytes` into a new temporary file in directory `dir`. False when the file could
// not be created or written (the disk is full, for example): nothing is left behind then.
bool WriteTempFile(const std::u16string& dir, std::string_view bytes, std::string& tempPath);
// Gives the temporary file its name, replacing a file of that name. False when the file
// system rejects the name; the temporary file then stays for another try.
bool PlaceTempFile(const std::string& tempPath, const std::u16string& path);
void RemoveTempFile(const std::string& tempPath);
