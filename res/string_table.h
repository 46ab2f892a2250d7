#pragma once
// The program's user-visible texts, by string-table id (101 to 177).

#include <initializer_list>
#include <string>

// The text of string `id`, or an empty string when the table has no such id.
// Texts hold printf-style placeholders (%s, %d, %u) where the caller fills in values.
const std::u16string& LoadStringW(int id);

// Fills a printf-style string-table text. Supports %s (a u16string argument),
// %d and %u (integers); everything else is copied as it stands.
std::u16string FormatStringW(const std::u16string& fmt, std::initializer_list<std::u16string> args);

// Decimal text of a number, for FormatStringW arguments.
std::u16string NumW(long long n);
