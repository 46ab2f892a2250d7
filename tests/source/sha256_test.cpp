#include "source/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Padding crosses a block boundary at 56 bytes; pieces of any size give the same digest.
TEST(Sha256, PiecesAndPaddingEdges) {
  for (size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
    const std::string whole = Sha256Hex(s);
    for (size_t piece : {1u, 3u, 63u, 64u}) {
      CSha256 h;
      for (size_t i = 0; i < n; i += piece) h.Update(s.data() + i, std::min(piece, n - i));
      const auto d = h.Digest();
      std::string hex;
      for (uint8_t b : d) {
        hex += "0123456789abcdef"[b >> 4];
        hex += "0123456789abcdef"[b & 15];
      }
      EXPECT_EQ(hex, whole) << n << " bytes in pieces of " << piece;
    }
  }
  EXPECT_EQ(Sha256Hex(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
}

}  // namespace
