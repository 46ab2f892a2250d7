// Base64 transfer decoding.
#include <array>
#include <cstdint>

#include "mime/ascii_text.h"
#include "mime/decode.h"

namespace {

constexpr uint8_t kNotAlphabet = 0x80;

constexpr std::array<uint8_t, 256> MakeAlphabet() {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = kNotAlphabet;
  for (int i = 0; i < 26; ++i) {
    t['A' + i] = static_cast<uint8_t>(i);
    t['a' + i] = static_cast<uint8_t>(26 + i);
  }
  for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<uint8_t>(52 + i);
  t['+'] = 62;
  t['/'] = 63;
  return t;
}

constexpr std::array<uint8_t, 256> kAlphabet = MakeAlphabet();

// One pass over the input; writes the decoded bytes to `out` when kWrite (out must hold
// length / 4 * 3 + 3 bytes) and returns their count. Non-alphabet bytes are skipped; an
// "=" right after an alphabet character ends the decoding.
template <bool kWrite>
size_t Base64Walk(const unsigned char* p, size_t n, unsigned char* out) {
  if (n == 0 || p[0] == '=') return 0;
  size_t i = 0, o = 0;
  uint32_t acc = 0;
  int pending = 0;
  while (i < n) {
    if (pending == 0) {
      // Whole groups of four alphabet characters, the common case.
      while (i + 4 <= n) {
        const uint32_t a = kAlphabet[p[i]], b = kAlphabet[p[i + 1]], c = kAlphabet[p[i + 2]],
                       d = kAlphabet[p[i + 3]];
        if ((a | b | c | d) & kNotAlphabet) break;
        const uint32_t v = a << 18 | b << 12 | c << 6 | d;
        if constexpr (kWrite) {
          out[o] = static_cast<unsigned char>(v >> 16);
          out[o + 1] = static_cast<unsigned char>(v >> 8);
          out[o + 2] = static_cast<unsigned char>(v);
        }
        o += 3;
        i += 4;
        if (i < n && p[i] == '=') return o;
      }
      if (i >= n) break;
    }
    const uint32_t v = kAlphabet[p[i++]];
    if (v & kNotAlphabet) continue;
    acc = acc << 6 | v;
    if (++pending == 4) {
      if constexpr (kWrite) {
        out[o] = static_cast<unsigned char>(acc >> 16);
        out[o + 1] = static_cast<unsigned char>(acc >> 8);
        out[o + 2] = static_cast<unsigned char>(acc);
      }
      o += 3;
      acc = 0;
      pending = 0;
    }
    if (i < n && p[i] == '=') break;
  }
  // A group cut short: the missing characters count as zero bits.
  if (pending == 2) {
    if constexpr (kWrite) out[o] = static_cast<unsigned char>(acc >> 4);
    o += 1;
  } else if (pending == 3) {
    if constexpr (kWrite) {
      out[o] = static_cast<unsigned char>(acc >> 10);
      out[o + 1] = static_cast<unsigned char>(acc >> 2);
    }
    o += 2;
  }
  return o;
}

}  // namespace

std::string Base64Decode(const char* data, size_t length) {
  std::string out;
  if (length == 0) return out;
  out.resize(length / 4 * 3 + 3);
  const size_t n = Base64Walk<true>(reinterpret_cast<const unsigned char*>(data), length,
                                    reinterpret_cast<unsigned char*>(out.data()));
  out.resize(n);
  return out;
}

size_t Base64DecodedLength(const char* data, size_t length) {
  return Base64Walk<false>(reinterpret_cast<const unsigned char*>(data), length, nullptr);
}

void DecodeBase64InPlace(std::string& s) {
  std::string decoded = Base64Decode(s.data(), s.size());
  if (decoded.empty()) return;
  CutAtZero(decoded);
  s = std::move(decoded);
}
