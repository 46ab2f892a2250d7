// Base64 transfer decoding.
#include "codec/base64.h"

#include <array>
#include <bit>
#include <cstdint>

#include "source/cpu_features.h"
#include "source/simd.h"

#include "codec/ascii_text.h"

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
        const uint32_t a = kAlphabet[p[i]], b = kAlphabet[p[i + 1]], c = kAlphabet[p[i + 2]], d = kAlphabet[p[i + 3]];
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

// The decoding ends at the first "=" right after an alphabet character (an "=" after a
// skipped byte is skipped with it), and every four alphabet characters before it give three
// bytes, a last two give one, a last three give two: the count needs no decoding, only the
// alphabet characters up to that end, counted 16 bytes at a time where SSE2 is there.
#ifdef KORVANE_SSE2
namespace {
// Set bits of a 16-bit mask, without the library call that std::popcount becomes where the
// processor may lack the instruction.
inline size_t Bits16(unsigned x) {
  x = x - ((x >> 1) & 0x5555u);
  x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
  x = (x + (x >> 4)) & 0x0F0Fu;
  return (x + (x >> 8)) & 0x1Fu;
}

// 0xFF in each byte of v that is a base64 alphabet character, 0 elsewhere.
__m128i AlphabetBytes(__m128i v) {
  // Bytes from 0x80 up are negative here and fall outside every range.
  const __m128i folded = _mm_or_si128(v, _mm_set1_epi8(0x20));
  const __m128i letter =
      _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
  const __m128i slashOrDigit =
      _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('/' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
  return _mm_or_si128(letter, _mm_or_si128(slashOrDigit, _mm_cmpeq_epi8(v, _mm_set1_epi8('+'))));
}
}  // namespace
#endif

#ifdef KORVANE_AVX2_DISPATCH
namespace {
// 0xFF in each of the 32 bytes of v that is not a base64 alphabet character (AlphabetBytes
// inverted), by the two halves of each byte: a byte is in the alphabet when
// the groups its high half allows and those its low half allows meet. Groups: 1 "+" and "/"
// (high half 2), 2 digits (3), 4 "A"-"O" and "a"-"o" (4 and 6), 8 "P"-"Z" and "p"-"z" (5
// and 7). A high half of 8 or more (bytes from 0x80) allows none.
__attribute__((target("avx2"))) inline __m256i OtherBytes32(__m256i v) {
  const __m256i byHigh = _mm256_setr_epi8(0, 0, 1, 2, 4, 8, 4, 8, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                          0, 0, 1, 2, 4, 8, 4, 8, 0, 0, 0, 0, 0, 0, 0, 0);
  // Low half 0: "0", "P", "p"; 1-9: digits and letters; A: "J", "Z", "j", "z"; B: "+", "K",
  // "k"; C-E: letters below "O"; F: "/", "O", "o".
  const __m256i byLow = _mm256_setr_epi8(10, 14, 14, 14, 14, 14, 14, 14, 14, 14, 12, 5, 4, 4, 4, 5,  //
                                         10, 14, 14, 14, 14, 14, 14, 14, 14, 14, 12, 5, 4, 4, 4, 5);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i high = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
  const __m256i groups =
      _mm256_and_si256(_mm256_shuffle_epi8(byHigh, high), _mm256_shuffle_epi8(byLow, _mm256_and_si256(v, nibble)));
  return _mm256_cmpeq_epi8(groups, _mm256_setzero_si256());
}
__attribute__((target("avx2"))) inline __m256i AlphabetBytes32(__m256i v) {
  return _mm256_xor_si256(OtherBytes32(v), _mm256_set1_epi8(-1));
}

// One 32-byte step of the count, over the bytes of v marked in `valid` (the step's first
// bytes): adds their alphabet characters up to the decoding's end, or sets `ended` at that
// end; otherwise `afterAlphabet` tells of the last of them.
__attribute__((target("avx2,popcnt"))) inline void CountStep32(__m256i v, uint32_t valid, size_t& alphabet,
                                                               bool& afterAlphabet, bool& ended) {
  const uint32_t alpha = static_cast<uint32_t>(_mm256_movemask_epi8(AlphabetBytes32(v))) & valid;
  const uint32_t eq = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('=')))) & valid;
  if (const uint32_t end = eq & (alpha << 1 | (afterAlphabet ? 1u : 0u))) {
    alphabet += static_cast<size_t>(__builtin_popcount(alpha & ((end & (0u - end)) - 1)));
    ended = true;
    return;
  }
  alphabet += static_cast<size_t>(__builtin_popcount(alpha));
  if (valid) afterAlphabet = (alpha & (valid ^ (valid >> 1))) != 0;
}

// The whole 32-byte steps of Add, for processors with AVX2: returns the bytes done, fewer
// when the decoding's end was found (and `ended` set).
__attribute__((target("avx2,popcnt"))) size_t CountAlphabet32(const unsigned char* p, size_t length, size_t& alphabet,
                                                              bool& afterAlphabet, bool& ended) {
  size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    CountStep32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)), ~0u, alphabet, afterAlphabet, ended);
    if (ended) return i;
  }
  return i;
}

// AddLine in one pass: the line's end (the first byte below 0x0E) and its alphabet
// characters up to the decoding's end, 32 bytes a step. Returns the line's length, or `max`
// when no end is among the first `max` bytes; adds to `alphabet` and updates the flags as
// Add would for the line's bytes.
__attribute__((target("avx2,popcnt"))) size_t CountLine32(const unsigned char* p, size_t max, size_t& alphabet,
                                                          bool& afterAlphabet, bool& ended) {
  const __m256i limit = _mm256_set1_epi8(0x0D);
  for (size_t i = 0; i < max; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    // A byte is at most 0x0D when the unsigned minimum with 0x0D leaves it unchanged.
    const auto control = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(v, limit), v)));
    if (!ended) CountStep32(v, control ? (control & (0u - control)) - 1 : ~0u, alphabet, afterAlphabet, ended);
    if (control) return i + static_cast<size_t>(std::countr_zero(control));
  }
  return max;
}

// The common line of base64 data: alphabet characters only, up to a byte below 0x0E within
// `max`. Returns their count, or 0 when the line is anything else (an "=", another byte,
// no end within `max`, nothing before the end): CountLine32 then works it out.
__attribute__((target("avx2"))) size_t PlainLine32(const unsigned char* p, size_t max) {
  for (size_t i = 0; i < max; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const auto other = static_cast<uint32_t>(_mm256_movemask_epi8(OtherBytes32(v)));
    if (other) {
      const size_t n = i + static_cast<size_t>(std::countr_zero(other));
      return p[n] < 0x0E ? n : 0;
    }
  }
  return 0;
}
}  // namespace
#endif

size_t Base64DecodedLength(const char* data, size_t length) {
  CBase64Length n;
  n.Add(data, length);
  return n.Length();
}

void CBase64Length::Add(const char* data, size_t length) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  if (m_bEnded || length == 0) return;
  if (!m_bStarted) {
    m_bStarted = true;
    if (p[0] == '=') {  // nothing decodes from data that begins with "="
      m_bEnded = true;
      return;
    }
  }
  size_t alphabet = m_nAlphabet;
  bool afterAlphabet = m_bAfterAlphabet;
  size_t i = 0;
#ifdef KORVANE_AVX2_DISPATCH
  if (cpu::kHasAvx2 && length >= 32) {
    bool ended = false;
    i = CountAlphabet32(p, length, alphabet, afterAlphabet, ended);
    if (ended) {
      m_nAlphabet = alphabet;
      m_bEnded = true;
      return;
    }
  }
#endif
#ifdef KORVANE_SSE2
  const __m128i equals = _mm_set1_epi8('=');
  // Per-byte counts of alphabet characters, summed into `alphabet` before they can overflow.
  __m128i counts = _mm_setzero_si128();
  int steps = 0;
  auto flush = [&] {
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    alphabet += static_cast<size_t>(_mm_cvtsi128_si32(sums)) + static_cast<size_t>(_mm_extract_epi16(sums, 4));
    counts = _mm_setzero_si128();
    steps = 0;
  };
  for (; i + 16 <= length; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i isAlpha = AlphabetBytes(v);
    const auto alpha = static_cast<unsigned>(_mm_movemask_epi8(isAlpha));
    const auto eq = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, equals)));
    if (const unsigned end = eq & (alpha << 1 | (afterAlphabet ? 1u : 0u))) {
      // The end is in this step: the alphabet characters before it are counted one by one.
      flush();
      for (unsigned before = alpha & ((end & (0u - end)) - 1); before; before &= before - 1) ++alphabet;
      m_nAlphabet = alphabet;
      m_bEnded = true;
      return;
    }
    counts = _mm_sub_epi8(counts, isAlpha);  // each alphabet byte is -1 there
    if (++steps == 255) flush();
    afterAlphabet = (alpha >> 15) & 1;
  }
  flush();
  if (i < length && length >= 16) {
    // The last bytes: the 16 that end the data, without those counted already (attachment
    // lines are 76 bytes long, so this saves a byte loop on every line).
    const unsigned skip = static_cast<unsigned>(16 - (length - i));
    const unsigned valid = (0xFFFFu << skip) & 0xFFFFu;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + length - 16));
    const unsigned alpha = static_cast<unsigned>(_mm_movemask_epi8(AlphabetBytes(v))) & valid;
    const unsigned eq = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, equals))) & valid;
    const unsigned end = eq & ((alpha << 1) | (afterAlphabet ? 1u << skip : 0u));
    if (end) {
      alphabet += Bits16(alpha & ((end & (0u - end)) - 1));
      m_nAlphabet = alphabet;
      m_bEnded = true;
      return;
    }
    alphabet += Bits16(alpha);
    afterAlphabet = (alpha >> 15) & 1;
    i = length;
  }
#endif
  for (; i < length; ++i) {
    if (p[i] == '=' && afterAlphabet) {
      m_bEnded = true;
      break;
    }
    afterAlphabet = !(kAlphabet[p[i]] & kNotAlphabet);
    alphabet += afterAlphabet ? 1 : 0;
  }
  m_nAlphabet = alphabet;
  m_bAfterAlphabet = afterAlphabet;
}

size_t CBase64Length::PlainLineLength(const char* data, size_t max) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
#ifdef KORVANE_AVX2_DISPATCH
  if (cpu::kHasAvx2) return PlainLine32(p, max);
#endif
#ifdef KORVANE_SSE2
  for (size_t i = 0; i < max; i += 16) {
    const auto other = ~static_cast<unsigned>(
                           _mm_movemask_epi8(AlphabetBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))))) &
                       0xFFFFu;
    if (other) {
      const size_t n = i + static_cast<size_t>(std::countr_zero(other));
      return p[n] < 0x0E ? n : 0;
    }
  }
  return 0;
#else
  for (size_t i = 0; i < max; ++i)
    if (kAlphabet[p[i]] & kNotAlphabet) return p[i] < 0x0E ? i : 0;
  return 0;
#endif
}

size_t CBase64Length::AddLine(const char* data, size_t max) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  if (max == 0 || p[0] < 0x0E) return 0;
#ifdef KORVANE_AVX2_DISPATCH
  if (cpu::kHasAvx2) {
    if (!m_bEnded) {
      if (const size_t n = PlainLine32(p, max)) {
        AddPlainLine(n);
        return n;
      }
    }
    // Worked out on copies, kept once the line's end is found.
    size_t alphabet = 0;
    bool afterAlphabet = m_bAfterAlphabet;
    bool ended = m_bEnded || (!m_bStarted && p[0] == '=');  // nothing decodes from data that begins with "="
    const size_t n = CountLine32(p, max, alphabet, afterAlphabet, ended);
    if (n == max) return 0;
    m_nAlphabet += alphabet;
    m_bStarted = true;
    m_bAfterAlphabet = afterAlphabet;
    m_bEnded = ended;
    return n;
  }
#endif
  // The end first, then the bytes before it.
  const size_t n = simd::FindControl(data, max);
  if (n >= max) return 0;
  Add(data, n);
  return n;
}

bool Base64DecodeText(std::string_view s, std::string& out) {
  std::string decoded = Base64Decode(s.data(), s.size());
  if (decoded.empty()) return false;
  CutAtZero(decoded);
  out = std::move(decoded);
  return true;
}

void DecodeBase64InPlace(std::string& s) { Base64DecodeText(s, s); }
