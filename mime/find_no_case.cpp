// Case-insensitive search over 8-bit text.
#include <cstring>

#include "mime/ascii_text.h"
#include "mime/decode.h"

ptrdiff_t FindNoCase(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return 0;
  if (pattern.size() > text.size()) return -1;
  const char first = AsciiLower(pattern[0]);
  const char firstUpper = AsciiUpper(pattern[0]);
  const size_t last = text.size() - pattern.size();
  const char* const base = text.data();
  size_t i = 0;
  while (i <= last) {
    // Jump to the next byte that can start a match.
    const char* a = static_cast<const char*>(std::memchr(base + i, first, last - i + 1));
    const char* b = first == firstUpper ? nullptr
                                        : static_cast<const char*>(std::memchr(base + i, firstUpper, last - i + 1));
    const char* c = !a ? b : (!b ? a : (a < b ? a : b));
    if (!c) return -1;
    i = static_cast<size_t>(c - base);
    size_t k = 1;
    while (k < pattern.size() && AsciiLower(base[i + k]) == AsciiLower(pattern[k])) ++k;
    if (k == pattern.size()) return static_cast<ptrdiff_t>(i);
    ++i;
  }
  return -1;
}
