#pragma once
// The vector helpers that the decoders and the scan share: which instruction sets the build
// may use (SSE2 always where the target has it, AVX2 by run-time dispatch with GCC and
// clang), 16-byte loads and masks, and the search for a control byte. Each function reads
// exactly the bytes its comment names, no more, and returns what the plain byte loop would.

#include <bit>
#include <cstddef>

#include "source/cpu_features.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define KORVANE_SSE2 1
#include <emmintrin.h>
#endif

#if defined(KORVANE_SSE2) && (defined(__GNUC__) || defined(__clang__))
#define KORVANE_AVX2_DISPATCH 1
#include <immintrin.h>
#endif

namespace simd {

#ifdef KORVANE_SSE2
inline __m128i Load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline unsigned Mask16(__m128i v) { return static_cast<unsigned>(_mm_movemask_epi8(v)); }
#endif

// Index of the first byte below 0x0E among the `n` bytes at p (n a multiple of 16), or n.
// Reads the n bytes.
inline size_t FindControl(const char* p, size_t n) {
#ifdef KORVANE_SSE2
  const __m128i limit = _mm_set1_epi8(0x0D);
  for (size_t i = 0; i < n; i += 16) {
    const __m128i v = Load16(p + i);
    // A byte is at most 0x0D when the unsigned minimum with 0x0D leaves it unchanged.
    if (const unsigned m = Mask16(_mm_cmpeq_epi8(_mm_min_epu8(v, limit), v))) return i + std::countr_zero(m);
  }
  return n;
#else
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) < 0x0E) return i;
  return n;
#endif
}

}  // namespace simd
