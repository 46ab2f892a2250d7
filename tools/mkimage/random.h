#pragma once
// The layout's only source of chance: a small generator (splitmix64) whose sequence depends
// on the seed alone, on every platform and compiler, so an image is rebuilt bit for bit.

#include <cstdint>
#include <string>

namespace mkimage {

class CRandom {
 public:
  explicit CRandom(uint64_t seed) : m_state(seed) {}

  uint64_t Next() {
    uint64_t z = (m_state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi]; lo when hi < lo.
  uint64_t Between(uint64_t lo, uint64_t hi) { return hi <= lo ? lo : lo + Next() % (hi - lo + 1); }
  // True with probability num/den.
  bool Chance(uint64_t num, uint64_t den) { return Next() % den < num; }
  // Random bytes that never hold "Received: " (any letter case), so noise never looks like
  // the start of a message.
  std::string Noise(size_t length);

 private:
  uint64_t m_state;
};

}  // namespace mkimage
