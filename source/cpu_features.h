#pragma once
// What the processor offers beyond the build's baseline, read once at start-up. Code that
// has a faster path for such a processor tests these flags and keeps a baseline path.

namespace cpu {

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
// AVX2 (every x86-64 processor of the last decade): 32-byte vector steps. The functions
// built for it also use POPCNT, which every AVX2 processor has.
inline const bool kHasAvx2 = [] {
  __builtin_cpu_init();  // may run before the library's own initialisation
  return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("popcnt") != 0;
}();
#else
inline constexpr bool kHasAvx2 = false;
#endif

}  // namespace cpu
