#pragma once

#include <string>

// UTF-8 to the ANSI code page, in place, when that yields a non-empty text.
void Utf8ToAnsiInPlace(std::string& s);
