#pragma once
// The Windows forms of source names, as the Windows backend of CDisk opens and measures
// them. Pure text rules, built on every platform so that they are tested everywhere.

#include <string>

#include "source/disk.h"

// The path CreateFileW opens for a parsed source name (separator '\\'):
//   PhysicalDisk "3" or "a"  ->  \\.\PHYSICALDRIVE3, \\.\PHYSICALDRIVEA (upper-cased),
//   Path                     ->  the path unchanged,
//   Device "C:"              ->  \\.\C:
// Empty for an Invalid name.
std::u16string WindowsDevicePath(const SourceName& name);

// True for a volume name: exactly two characters, the second ':' ("C:"). Its size is
// the total size of the file system on it when Windows knows one.
bool IsWindowsVolumeName(const std::u16string& name);

// True when ":\" occurs at character position 1 or later ("D:\img\disk.img",
// "\\?\C:\x.img"). Only such a name of an ordinary file is given the file's size;
// any other (a network path such as \\server\share\disk.img) opens with size 0.
bool HasWindowsDriveRoot(const std::u16string& name);
