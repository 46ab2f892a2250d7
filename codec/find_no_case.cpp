// Case-insensitive search over 8-bit text.
#include "codec/find_no_case.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "codec/ascii_text.h"
#include "source/simd.h"

namespace {
// True when the pattern's bytes after the first match those at `at`, letters in either case.
inline bool RestMatches(const char* at, std::string_view pattern) {
  for (size_t k = 1; k < pattern.size(); ++k)
    if (AsciiLower(at[k]) != AsciiLower(pattern[k])) return false;
  return true;
}
}  // namespace

ptrdiff_t FindNoCase(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return 0;
  if (pattern.size() > text.size()) return -1;
  // A byte can start a match when it equals the pattern's first byte, letters folded: for a
  // letter, setting the 0x20 bit maps exactly its two cases (and nothing else) to the lower one.
  const auto first = static_cast<unsigned char>(AsciiLower(pattern[0]));
  const unsigned char fold = first >= 'a' && first <= 'z' ? 0x20 : 0x00;
  const size_t candidates = text.size() - pattern.size() + 1;  // positions a match may start at
  const char* const base = text.data();
  size_t i = 0;
#ifdef KORVANE_SSE2
  if (pattern.size() >= 2 && text.size() >= 17) {
    // Positions whose first two bytes match the pattern's: few enough in mail text that
    // checking the rest of each seldom happens. (The pair needs the byte after each of the
    // 16 positions of a step: no step reads past the text, as a match needs two bytes.)
    const auto second = static_cast<unsigned char>(AsciiLower(pattern[1]));
    const unsigned char fold2 = second >= 'a' && second <= 'z' ? 0x20 : 0x00;
    const __m128i want = _mm_set1_epi8(static_cast<char>(first)), bit = _mm_set1_epi8(static_cast<char>(fold));
    const __m128i want2 = _mm_set1_epi8(static_cast<char>(second)), bit2 = _mm_set1_epi8(static_cast<char>(fold2));
    auto starts = [&](size_t at) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
      const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at + 1));
      return static_cast<unsigned>(_mm_movemask_epi8(
          _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(v, bit), want), _mm_cmpeq_epi8(_mm_or_si128(w, bit2), want2))));
    };
    for (; i + 16 <= candidates; i += 16) {
      for (unsigned m = starts(i); m; m &= m - 1) {
        const size_t at = i + static_cast<size_t>(std::countr_zero(m));
        if (RestMatches(base + at, pattern)) return static_cast<ptrdiff_t>(at);
      }
    }
    if (i == candidates) return -1;
    // The fewer than 16 positions left, in one step over 17 bytes of the text that hold
    // them: those before i and from `candidates` on are masked off. (Header lines are short:
    // this step is often the only one, and a byte loop here mispredicted its way along.)
    const size_t from = std::min(i, text.size() - 17);
    const unsigned keep = ((1u << (candidates - from)) - 1) & ~((1u << (i - from)) - 1);
    for (unsigned m = starts(from) & keep; m; m &= m - 1) {
      const size_t at = from + static_cast<size_t>(std::countr_zero(m));
      if (RestMatches(base + at, pattern)) return static_cast<ptrdiff_t>(at);
    }
    return -1;
  }
#endif
  for (; i < candidates; ++i)
    if ((static_cast<unsigned char>(base[i]) | fold) == first && RestMatches(base + i, pattern))
      return static_cast<ptrdiff_t>(i);
  return -1;
}
