// Quoted-printable transfer decoding and the Q encoding of header words.
#include "codec/quoted_printable.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "codec/ascii_text.h"

namespace {

constexpr std::array<int8_t, 256> MakeHexTable() {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<int8_t>(i);
  for (int i = 0; i < 6; ++i) {
    t['A' + i] = static_cast<int8_t>(10 + i);
    t['a' + i] = static_cast<int8_t>(10 + i);
  }
  return t;
}

constexpr std::array<int8_t, 256> kHex = MakeHexTable();

// Handles the "=" at `p` (p < end); writes what it yields to `o` and returns the input
// position after it. Never reads at or past `end`.
inline const char* DecodeEscape(const char* p, const char* end, char*& o) {
  const size_t left = static_cast<size_t>(end - p);
  if (left >= 3) {
    const int h = kHex[static_cast<uint8_t>(p[1])];
    const int l = kHex[static_cast<uint8_t>(p[2])];
    if ((h | l) >= 0) {
      *o++ = static_cast<char>(h << 4 | l);
      return p + 3;
    }
  }
  if (left >= 2 && p[1] == '\r') {  // soft line break "=" CR [LF]
    p += 2;
    if (p < end && *p == '\n') ++p;
    return p;
  }
  if (left >= 2 && p[1] == '\n') return p + 2;  // soft line break "=" LF
  *o++ = '=';                                   // not an escape: kept as it stands
  return p + 1;
}

// Marks the "=" bytes of the eight bytes in `w`: the lowest set bit marks the first one
// exactly (later marks may be false); zero when there is none.
inline uint64_t EqualsMask(uint64_t w) {
  const uint64_t x = w ^ 0x3D3D3D3D3D3D3D3DULL;
  return (x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL;
}

}  // namespace

std::string QuotedPrintableDecode(const char* data, size_t length) {
  std::string out;
  if (length == 0) return out;
  out.resize(length);
  // The output never outruns the input, so eight-byte stores stay inside `out`.
  char* o = out.data();
  const char* p = data;
  const char* const end = data + length;
  while (p < end) {
    if constexpr (std::endian::native == std::endian::little) {
      if (end - p >= 8) {
        // Copy eight bytes at a time up to the next "=".
        uint64_t w;
        std::memcpy(&w, p, 8);
        const uint64_t mask = EqualsMask(w);
        const size_t plain = mask ? static_cast<size_t>(std::countr_zero(mask)) / 8 : 8;
        std::memcpy(o, p, 8);
        o += plain;
        p += plain;
        if (plain == 8) continue;
        do p = DecodeEscape(p, end, o);
        while (p < end && *p == '=');
        continue;
      }
    }
    if (*p != '=') {
      *o++ = *p++;
      continue;
    }
    p = DecodeEscape(p, end, o);
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

bool QuotedPrintableDecodeText(std::string_view s, std::string& out) {
  std::string decoded = QuotedPrintableDecode(s.data(), s.size());
  if (decoded.empty()) return false;
  CutAtZero(decoded);
  out = std::move(decoded);
  return true;
}

void DecodeQuotedPrintableInPlace(std::string& s) { QuotedPrintableDecodeText(s, s); }
