#pragma once
// Header values (From, To, Cc, Subject, attachment names) as display text: encoded words
// decoded in their charsets, address lists joined. Reentrant.

#include <string>

// Display text of a header value. Also cleans `value` in place: white space trimmed,
// escaped quotes and leading quotes removed.
std::u16string DecodeHeaderValue(std::string& value);
// One piece of a header value to UTF-16.
std::u16string DecodeHeaderPiece(const std::string& piece);
