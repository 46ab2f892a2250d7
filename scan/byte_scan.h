#pragma once
// Vector searches over raw source bytes for the scan's hot paths: 16 bytes per step with
// SSE2 (every x86-64 processor has it), one byte per step elsewhere. Each function reads
// exactly the bytes its comment names, no more, and returns what the plain byte loop would.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "source/simd.h"

namespace bytescan {

using simd::FindControl;
#ifdef KORVANE_SSE2
using simd::Load16;
using simd::Mask16;
#endif

// Index of the first zero, CR or LF byte among the `n` bytes at p (n a multiple of 16), or n.
// Reads the n bytes.
inline size_t FindLineEnd(const char* p, size_t n) {
#ifdef KORVANE_SSE2
  const __m128i zero = _mm_setzero_si128(), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (size_t i = 0; i < n; i += 16) {
    const __m128i v = Load16(p + i);
    const __m128i hit =
        _mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (const unsigned m = Mask16(hit)) return i + std::countr_zero(m);
  }
  return n;
#else
  for (size_t i = 0; i < n; ++i)
    if (p[i] == '\0' || p[i] == '\r' || p[i] == '\n') return i;
  return n;
#endif
}

// True when the `n` bytes at p (n a multiple of 64) are all zero. Reads at most n bytes,
// stopping after the first 64-byte block that holds a non-zero byte.
inline bool AllZero(const void* p, size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; i += 64) {
#ifdef KORVANE_SSE2
    const __m128i any = _mm_or_si128(_mm_or_si128(Load16(b + i), Load16(b + i + 16)),
                                     _mm_or_si128(Load16(b + i + 32), Load16(b + i + 48)));
    if (Mask16(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF) return false;
#else
    uint64_t w[8];
    std::memcpy(w, b + i, 64);
    if ((w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) != 0) return false;
#endif
  }
  return true;
}

namespace detail {

// The walk's stop search one byte at a time, from s (see NextWalkStop).
inline const char* NextWalkStopPlain(const char* s, const char* end) {
  for (; s < end; ++s) {
    if (s[0] == '\r' && s[1] == '\n') return s;
    if ((*s == 'R' || *s == 'r') && (s[-1] == '\0' || s[-1] == '\n')) return s;
  }
  return end;
}

#ifdef KORVANE_SSE2
// The same 16 bytes at a time.
inline const char* NextWalkStopSse2(const char* s, const char* end) {
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
  const __m128i lowerBit = _mm_set1_epi8(0x20), r = _mm_set1_epi8('r');
  for (; s < end; s += 16) {
    const __m128i cur = Load16(s), prev = Load16(s - 1), next = Load16(s + 1);
    const __m128i isR = _mm_cmpeq_epi8(_mm_or_si128(cur, lowerBit), r);
    const __m128i afterBreak = _mm_or_si128(_mm_cmpeq_epi8(prev, zero), _mm_cmpeq_epi8(prev, lf));
    const __m128i lineBreak = _mm_and_si128(_mm_cmpeq_epi8(cur, cr), _mm_cmpeq_epi8(next, lf));
    if (const unsigned m = Mask16(_mm_or_si128(lineBreak, _mm_and_si128(isR, afterBreak)))) {
      const char* x = s + std::countr_zero(m);
      return x < end ? x : end;
    }
  }
  return end;
}
#endif

#ifdef KORVANE_AVX2_DISPATCH
// The same 32 bytes at a time, for processors with AVX2.
__attribute__((target("avx2"))) inline const char* NextWalkStopAvx2(const char* s, const char* end) {
  const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'), zero = _mm256_setzero_si256();
  const __m256i lowerBit = _mm256_set1_epi8(0x20), r = _mm256_set1_epi8('r');
  for (; s < end; s += 32) {
    const __m256i cur = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i isR = _mm256_cmpeq_epi8(_mm256_or_si256(cur, lowerBit), r);
    const __m256i prev = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s - 1));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 1));
    const __m256i afterBreak = _mm256_or_si256(_mm256_cmpeq_epi8(prev, zero), _mm256_cmpeq_epi8(prev, lf));
    const __m256i lineBreak = _mm256_and_si256(_mm256_cmpeq_epi8(cur, cr), _mm256_cmpeq_epi8(next, lf));
    const __m256i hit = _mm256_or_si256(lineBreak, _mm256_and_si256(isR, afterBreak));
    if (const auto m = static_cast<uint32_t>(_mm256_movemask_epi8(hit))) {
      const char* x = s + std::countr_zero(m);
      return x < end ? x : end;
    }
  }
  return end;
}

// Shared with the tests, which check both paths where the processor has both.
inline const bool& kHasAvx2 = cpu::kHasAvx2;
#endif

#ifdef KORVANE_AVX2_DISPATCH
// AllZero for one 512-byte sector, for processors with AVX2. A sector with data mostly
// shows it in its first 32 bytes; the other 480 are folded together and tested once.
__attribute__((target("avx2"))) inline bool SectorAllZeroAvx2(const unsigned char* b) {
  const auto* v = reinterpret_cast<const __m256i*>(b);
  const __m256i head = _mm256_loadu_si256(v);
  if (!_mm256_testz_si256(head, head)) return false;
  // The 15 other 32-byte pieces, in two chains.
  __m256i x = _mm256_loadu_si256(v + 1), y = _mm256_loadu_si256(v + 2);
  for (size_t i = 3; i < 15; i += 2) {
    x = _mm256_or_si256(x, _mm256_loadu_si256(v + i));
    y = _mm256_or_si256(y, _mm256_loadu_si256(v + i + 1));
  }
  x = _mm256_or_si256(_mm256_or_si256(x, y), _mm256_loadu_si256(v + 15));
  return _mm256_testz_si256(x, x);
}
#endif

// MarkZeroSectors with the baseline test.
inline void MarkZeroSectorsPlain(const unsigned char* b, size_t sectors, size_t first, uint64_t* map) {
  for (size_t i = 0; i < sectors; ++i)
    if (AllZero(b + i * 512, 512)) map[(first + i) / 64] |= uint64_t{1} << ((first + i) % 64);
}

#ifdef KORVANE_AVX2_DISPATCH
// The same for processors with AVX2, the sector test inlined into the loop.
__attribute__((target("avx2"))) inline void MarkZeroSectorsAvx2(const unsigned char* b, size_t sectors, size_t first,
                                                                uint64_t* map) {
  for (size_t i = 0; i < sectors; ++i)
    if (SectorAllZeroAvx2(b + i * 512)) map[(first + i) / 64] |= uint64_t{1} << ((first + i) % 64);
}
#endif

// FindSizeWord one word at a time.
inline size_t FindSizeWordPlain(const char* a, size_t count) {
  for (size_t k = 0; k < count; ++k)
    if (a[4 * k + 1] == 0x02 && a[4 * k + 2] == 0x00 && a[4 * k + 3] == 0x00) return k;
  return count;
}

#ifdef KORVANE_SSE2
// FindSizeWord four words at a time. The searches run a few hundred bytes ahead and so
// often end at a header: each step looks at once.
inline size_t FindSizeWordSse2(const char* a, size_t count) {
  const __m128i upper = _mm_set1_epi32(static_cast<int>(0xFFFFFF00u)), want = _mm_set1_epi32(0x200);
  for (size_t k = 0; k < count; k += 4) {
    const __m128i v = _mm_and_si128(Load16(a + 4 * k), upper);
    if (const unsigned m = Mask16(_mm_cmpeq_epi32(v, want))) return k + std::countr_zero(m) / 4;
  }
  return count;
}
#endif

#ifdef KORVANE_AVX2_DISPATCH
// FindSizeWord eight words at a time (count a multiple of 8), for processors with AVX2.
__attribute__((target("avx2"))) inline size_t FindSizeWordAvx2(const char* a, size_t count) {
  const __m256i upper = _mm256_set1_epi32(static_cast<int>(0xFFFFFF00u)), want = _mm256_set1_epi32(0x200);
  for (size_t k = 0; k < count; k += 8) {
    const __m256i v = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 4 * k)), upper);
    if (const auto m = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi32(v, want))))
      return k + static_cast<size_t>(std::countr_zero(m)) / 4;
  }
  return count;
}
#endif

}  // namespace detail

// True when the 512-byte sector at p holds only zeros (AllZero, 128 bytes a step where AVX2
// is there).
inline bool SectorAllZero(const unsigned char* p) {
#ifdef KORVANE_AVX2_DISPATCH
  if (detail::kHasAvx2) return detail::SectorAllZeroAvx2(p);
#endif
  return AllZero(p, 512);
}

// Sets bit (first + i) of `map` (64 bits a word) for each of the `sectors` 512-byte sectors
// at p that hold only zeros; leaves the other bits as they are.
inline void MarkZeroSectors(const void* p, size_t sectors, size_t first, uint64_t* map) {
  const auto* b = static_cast<const unsigned char*>(p);
#ifdef KORVANE_AVX2_DISPATCH
  if (detail::kHasAvx2) return detail::MarkZeroSectorsAvx2(b, sectors, first, map);
#endif
  detail::MarkZeroSectorsPlain(b, sectors, first, map);
}

// Index k of the first of the 4-byte words at a, a + 4, ..., a + 4 * (count - 1) (count a
// multiple of 8) whose upper three bytes are 0x02, 0x00, 0x00 (little-endian 0x000002xx),
// or count. Reads the bytes a[1] .. a[4 * count - 1] (and a[0]).
inline size_t FindSizeWord(const char* a, size_t count) {
#ifdef KORVANE_AVX2_DISPATCH
  if (detail::kHasAvx2) return detail::FindSizeWordAvx2(a, count);
#endif
#ifdef KORVANE_SSE2
  return detail::FindSizeWordSse2(a, count);
#else
  return detail::FindSizeWordPlain(a, count);
#endif
}

// The first position x in (from, end) where the recogniser's walk can do more than step on:
// a CR followed by a LF, or an "R" or "r" right after a zero byte or a LF. `end` when there
// is none. Reads from .. end + 31 at most (callers keep 32 readable bytes after end).
inline const char* NextWalkStop(const char* from, const char* end) {
#ifdef KORVANE_AVX2_DISPATCH
  if (detail::kHasAvx2) return detail::NextWalkStopAvx2(from + 1, end);
#endif
#ifdef KORVANE_SSE2
  return detail::NextWalkStopSse2(from + 1, end);
#else
  return detail::NextWalkStopPlain(from + 1, end);
#endif
}

}  // namespace bytescan
