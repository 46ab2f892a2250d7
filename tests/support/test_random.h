#pragma once
// A small seeded generator for tests that build random inputs (xorshift32): the same seed
// gives the same sequence everywhere, so a failing round can be replayed.

#include <cstdint>

class CTestRandom {
 public:
  explicit CTestRandom(uint32_t seed) : m_x(seed) {}
  uint32_t Next() {
    m_x ^= m_x << 13;
    m_x ^= m_x >> 17;
    m_x ^= m_x << 5;
    return m_x;
  }
  uint32_t operator()() { return Next(); }

 private:
  uint32_t m_x;
};
