// Quoted-printable transfer decoding and the Q encoding of header words.
#include <cstring>

#include "mime/ascii_text.h"
#include "mime/decode.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Handles the "=" at `p` (p < end); writes what it yields to `o` and returns the input
// position after it. Never reads at or past `end`.
inline const char* DecodeEscape(const char* p, const char* end, char*& o) {
  const size_t left = static_cast<size_t>(end - p);
  if (left >= 2 && p[1] == '\r') {  // soft line break "=" CR [LF]
    p += 2;
    if (p < end && *p == '\n') ++p;
    return p;
  }
  if (left >= 2 && p[1] == '\n') return p + 2;  // soft line break "=" LF
  if (left >= 3) {
    const int h = HexValue(p[1]);
    const int l = HexValue(p[2]);
    if (h >= 0 && l >= 0) {
      *o++ = static_cast<char>(h << 4 | l);
      return p + 3;
    }
  }
  *o++ = '=';  // not an escape: kept as it stands
  return p + 1;
}

}  // namespace

std::string QuotedPrintableDecode(const char* data, size_t length) {
  std::string out;
  if (length == 0) return out;
  out.resize(length);
  char* o = out.data();
  const char* p = data;
  const char* const end = data + length;
  while (p < end) {
    const char* eq = static_cast<const char*>(std::memchr(p, '=', static_cast<size_t>(end - p)));
    if (!eq) eq = end;
    std::memcpy(o, p, static_cast<size_t>(eq - p));
    o += eq - p;
    p = eq;
    if (p < end) p = DecodeEscape(p, end, o);
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

std::string QEncodingDecode(const char* data, size_t length) {
  std::string out;
  if (length == 0) return out;
  out.resize(length);
  char* o = out.data();
  const char* p = data;
  const char* const end = data + length;
  while (p < end) {
    if (*p == '=') {
      p = DecodeEscape(p, end, o);
    } else {
      *o++ = *p == '_' ? ' ' : *p;
      ++p;
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

void DecodeQuotedPrintableInPlace(std::string& s) {
  std::string decoded = QuotedPrintableDecode(s.data(), s.size());
  if (decoded.empty()) return;
  CutAtZero(decoded);
  s = std::move(decoded);
}
