#pragma once
// UTF-8 <-> UTF-16 for file names, console output and JSON. Invalid input becomes U+FFFD.

#include <string>
#include <string_view>

std::u16string Utf8ToU16(std::string_view s);
std::string U16ToUtf8(std::u16string_view s);
