#pragma once
// Small byte and UTF-16 text helpers shared by the decoders. Only the ASCII letters A to Z
// change case; 8-bit white space is the C locale's (space, tab, LF, VT, FF, CR).

#include <string>
#include <string_view>

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

inline void AsciiLowerInPlace(std::string& s) {
  for (char& c : s) c = AsciiLower(c);
}

inline bool IsSpace8(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline std::string_view TrimView8(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace8(s[b])) ++b;
  while (e > b && IsSpace8(s[e - 1])) --e;
  return s.substr(b, e - b);
}

inline void Trim8(std::string& s) {
  size_t e = s.size();
  while (e > 0 && IsSpace8(s[e - 1])) --e;
  s.resize(e);
  size_t b = 0;
  while (b < s.size() && IsSpace8(s[b])) ++b;
  s.erase(0, b);
}

// White space of UTF-16 text: the C0 separators, NEL, and the Unicode space separators.
inline bool IsSpaceW(char16_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x1F);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}

inline void TrimW(std::u16string& s) {
  size_t e = s.size();
  while (e > 0 && IsSpaceW(s[e - 1])) --e;
  s.resize(e);
  size_t b = 0;
  while (b < s.size() && IsSpaceW(s[b])) ++b;
  s.erase(0, b);
}

// Cuts `s` at its first zero unit, if any.
template <class S>
inline void CutAtZero(S& s) {
  const size_t z = s.find(typename S::value_type(0));
  if (z != S::npos) s.resize(z);
}
