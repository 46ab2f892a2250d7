// The vector searches give what a plain byte loop gives, at every start offset and length,
// on bytes dense with the values they look for.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scan/byte_scan.h"

namespace {

// Bytes drawn mostly from `alphabet`, now and then anything; 64 spare bytes after them.
std::string Bytes(uint32_t seed, size_t n, const std::string& alphabet) {
  std::string s;
  uint32_t x = seed * 2654435761u + 7;
  for (size_t i = 0; i < n + 64; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s += (x >> 24) % 5 == 0 ? static_cast<char>(x >> 8) : alphabet[(x >> 8) % alphabet.size()];
  }
  return s;
}

const std::string kWalkBytes = std::string("\r\n\0Rr xyR", 9);

TEST(ByteScan, WalkStopsAgreeWithTheByteLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const std::string s = Bytes(seed, 600, kWalkBytes);
    const char* b = s.data();
    for (size_t from = 1; from < 520; from += 7) {
      const char* end = b + from + 1 + (seed * 31 + from) % 540;
      const char* want = bytescan::detail::NextWalkStopPlain(b + from + 1, end);
      ASSERT_EQ(bytescan::NextWalkStop(b + from, end), want) << seed << " " << from;
#ifdef KORVANE_SSE2
      ASSERT_EQ(bytescan::detail::NextWalkStopSse2(b + from + 1, end), want) << seed << " " << from;
#endif
#ifdef KORVANE_AVX2_DISPATCH
      if (bytescan::detail::kHasAvx2) {
        ASSERT_EQ(bytescan::detail::NextWalkStopAvx2(b + from + 1, end), want) << seed << " " << from;
      }
#endif
    }
  }
}

TEST(ByteScan, LineEndsAgreeWithTheByteLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    // Long stretches without a stop byte, so that the searches cross many steps.
    const std::string s = Bytes(seed, 600, std::string(40, 'a') + std::string("\r\n\t\0\x0d\x0e\x0c", 7));
    for (size_t at = 0; at < 64; ++at) {
      const char* p = s.data() + at;
      size_t control = 512, end = 512;
      for (size_t i = 0; i < 512 && control == 512; ++i)
        if (static_cast<unsigned char>(p[i]) < 0x0E) control = i;
      for (size_t i = 0; i < 512 && end == 512; ++i)
        if (p[i] == '\0' || p[i] == '\r' || p[i] == '\n') end = i;
      ASSERT_EQ(bytescan::FindControl(p, 512), control) << seed << " " << at;
      ASSERT_EQ(bytescan::FindLineEnd(p, 512), end) << seed << " " << at;
    }
  }
}

TEST(ByteScan, SizeWordsAndZeroBlocks) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const std::string s = Bytes(seed, 256, std::string("\x02\0\0\0\x10", 5));
    for (size_t at = 0; at < 16; ++at) {
      const char* a = s.data() + at;
      size_t want = 48;
      for (size_t k = 0; k < 48 && want == 48; ++k)
        if (a[4 * k + 1] == 0x02 && a[4 * k + 2] == 0 && a[4 * k + 3] == 0) want = k;
      ASSERT_EQ(bytescan::FindSizeWord(a, 48), want) << seed << " " << at;
      ASSERT_EQ(bytescan::detail::FindSizeWordPlain(a, 48), want) << seed << " " << at;
#ifdef KORVANE_SSE2
      ASSERT_EQ(bytescan::detail::FindSizeWordSse2(a, 48), want) << seed << " " << at;
#endif
#ifdef KORVANE_AVX2_DISPATCH
      if (bytescan::detail::kHasAvx2) {
        ASSERT_EQ(bytescan::detail::FindSizeWordAvx2(a, 48), want) << seed << " " << at;
      }
#endif
    }
  }
  std::vector<unsigned char> zeros(512, 0);
  EXPECT_TRUE(bytescan::AllZero(zeros.data(), 512));
  for (size_t i = 0; i < 512; i += 37) {
    zeros[i] = 1;
    EXPECT_FALSE(bytescan::AllZero(zeros.data(), 512)) << i;
    zeros[i] = 0;
  }
}

// The map of zero sectors: one bit per sector, a single non-zero byte anywhere clears it,
// other bits of the map are left alone.
TEST(ByteScan, ZeroSectorMap) {
  constexpr size_t kSectors = 130;
  std::vector<unsigned char> bytes(kSectors * 512, 0);
  for (size_t s = 0; s < kSectors; ++s)
    if (s % 3 != 0) bytes[s * 512 + (s * 97) % 512] = static_cast<unsigned char>(1 + s % 255);
  std::vector<uint64_t> map(4, 0);
  map[3] = 0xF0;  // beyond the sectors marked
  bytescan::MarkZeroSectors(bytes.data(), kSectors, 0, map.data());
  for (size_t s = 0; s < kSectors; ++s) EXPECT_EQ((map[s / 64] >> (s % 64)) & 1, s % 3 == 0 ? 1u : 0u) << s;
  EXPECT_EQ(map[3], 0xF0u);  // untouched
  std::vector<uint64_t> plain(4, 0);
  plain[3] = 0xF0;
  bytescan::detail::MarkZeroSectorsPlain(bytes.data(), kSectors, 0, plain.data());
  EXPECT_EQ(plain, map);
  // Marked from a later first sector: the bits move with it.
  std::vector<uint64_t> shifted(4, 0);
  bytescan::MarkZeroSectors(bytes.data(), 10, 100, shifted.data());
  for (size_t s = 0; s < 10; ++s)
    EXPECT_EQ((shifted[(100 + s) / 64] >> ((100 + s) % 64)) & 1, s % 3 == 0 ? 1u : 0u) << s;
#ifdef KORVANE_AVX2_DISPATCH
  if (bytescan::detail::kHasAvx2) {
    for (size_t s = 0; s < kSectors; ++s)
      EXPECT_EQ(bytescan::detail::SectorAllZeroAvx2(bytes.data() + s * 512), s % 3 == 0) << s;
  }
#endif
  // One non-zero byte, at every place in the sector, of every bit.
  std::vector<unsigned char> one(512, 0);
  EXPECT_TRUE(bytescan::SectorAllZero(one.data()));
  for (size_t i = 0; i < 512; ++i) {
    one[i] = static_cast<unsigned char>(1u << (i % 8));
    EXPECT_FALSE(bytescan::SectorAllZero(one.data())) << i;
    one[i] = 0;
  }
}

}  // namespace
