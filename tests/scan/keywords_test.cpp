#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/block_gap.h"
#include "scan/keywords.h"
#include "tests/support/test_random.h"

namespace {

// Text followed by enough zero bytes for any line read, 16-byte aligned.
struct Padded {
  explicit Padded(const std::string& s) : buf(s.begin(), s.end()) { buf.resize(s.size() + 1024, '\0'); }
  char* at(size_t i = 0) { return buf.data() + i; }
  std::vector<char> buf;
};

TEST(Keywords, MatchIgnoresAsciiCaseOnly) {
  Padded t("RECEIVED: from x");
  EXPECT_TRUE(MatchKeyword(t.at(), kw::Received));
  Padded noBlank("Received:from x");
  EXPECT_FALSE(MatchKeyword(noBlank.at(), kw::Received));
  Padded nonAscii(
      "R\xC9"
      "ceived: x");
  EXPECT_FALSE(MatchKeyword(nonAscii.at(), kw::Received));
}

TEST(Keywords, MatchFailsOnZeroBytes) {
  const char withZero[] = {'T', 'o', ':', '\0', 'x'};
  EXPECT_FALSE(MatchKeyword(withZero, "To:\0", 4));
}

TEST(Keywords, LineValueStopsBelow0x0E) {
  Padded t("Tue, 5 Mar\t2013\r\nnext");
  EXPECT_EQ(GetLineValue(t.at()), "Tue, 5 Mar");
  EXPECT_EQ(GetLineText(t.at()), "Tue, 5 Mar\t2013");
  Padded bare("abc\ndef");
  EXPECT_EQ(GetLineValue(bare.at()), "abc");
  EXPECT_EQ(GetLineText(bare.at()), "abc");
}

TEST(Keywords, LinesWithoutEndWithin512BytesAreEmpty) {
  Padded fits(std::string(511, 'a') + "\r\n");
  EXPECT_EQ(GetLineValue(fits.at()).size(), 511u);
  Padded tooLong(std::string(512, 'a') + "\r\n");
  EXPECT_EQ(GetLineValue(tooLong.at()), "");
  EXPECT_EQ(GetLineText(tooLong.at()), "");
}

TEST(Keywords, BoundaryValueQuotedAndUnquoted) {
  EXPECT_EQ(BoundaryValue("boundary=\"XYZ\"", 9), "XYZ");
  EXPECT_EQ(BoundaryValue("boundary=XYZ", 9), "XYZ");
  EXPECT_EQ(BoundaryValue("boundary=", 9), "");
}

// A block header: its own offset (0x12340), the size word 0x200, the data length, the next
// block's offset; little-endian.
std::string BlockHeader() {
  return std::string("\x40\x23\x01\x00\x00\x02\x00\x00\x00\x02\x00\x00\x50\x25\x01\x00", 16);
}

TEST(BlockGap, LineSplitByBlockHeaderIsJoined) {
  // The line starts at offset 4; the block header at offset 20 (a multiple of 4).
  Padded t("\r\n\r\nSubject: Hello, " + BlockHeader() + "world\r\n");
  char* p = t.at(4);
  CBlockGapCloser().Close(p);
  EXPECT_EQ(p, t.at(20));
  EXPECT_EQ(GetLineValue(p), "Subject: Hello, world");
}

TEST(BlockGap, HeaderAtTheLineStartIsSkipped) {
  Padded t("\r\n\r\n" + BlockHeader() + "From: a\r\n");
  char* p = t.at(4);
  CBlockGapCloser().Close(p);
  EXPECT_EQ(GetLineValue(p), "From: a");
}

TEST(BlockGap, OnlyTheFirst192BytesAreSearched) {
  // A header whose aligned start lies 192 bytes after the line start is not seen.
  Padded far(std::string(192, 'a') + BlockHeader() + "b\r\n");
  CBlockGapCloser gaps;
  char* p = far.at();
  gaps.Close(p);
  EXPECT_EQ(p, far.at());
  Padded near(std::string(188, 'a') + BlockHeader() + "b\r\n");
  p = near.at();
  gaps.Close(p);
  EXPECT_EQ(GetLineValue(p), std::string(188, 'a') + "b");
}

// A walk that remembers what it searched closes exactly the gaps a walk that searches all
// 48 words at every line closes: random text with block headers at random multiples of 4,
// line starts moving forward by random steps, gaps closed on the way (some without the record,
// as the header reader's continuation lines do).
TEST(BlockGap, RememberedSearchClosesTheSameGaps) {
  CTestRandom next(4242);
  for (int round = 0; round < 300; ++round) {
    std::string text(6000, 'a');
    // Now and then a zero or 0x02 byte, so that moved bytes can form a size word anew.
    for (char& c : text) {
      const uint32_t r = next() % 40;
      c = r == 0 ? '\0' : r == 1 ? '\x02' : static_cast<char>('a' + r % 26);
    }
    for (int h = 0, n = static_cast<int>(next() % 12); h < n; ++h) {
      const size_t at = next() % (text.size() - 600) / 4 * 4;
      text.replace(at, 16, BlockHeader());
    }
    Padded plain(text), remembered(text);
    CBlockGapCloser plainGaps, rememberingGaps;
    size_t pos = 0;
    while (pos < 5000) {
      char* p1 = plain.at(pos);
      char* p2 = remembered.at(pos);
      plainGaps.Close(p1);
      if (next() % 9 == 0)
        rememberingGaps.Close(p2);
      else
        rememberingGaps.CloseRemembering(p2);
      ASSERT_EQ(p1 - plain.at(), p2 - remembered.at()) << round << " " << pos;
      ASSERT_EQ(plain.buf, remembered.buf) << round << " " << pos;
      pos = static_cast<size_t>(p1 - plain.at()) + 1 + next() % 120;
    }
  }
}

TEST(BlockGap, TextWithoutHeaderIsUnchanged) {
  Padded t("Subject: plain text line\r\n");
  const std::vector<char> before = t.buf;
  char* p = t.at();
  CBlockGapCloser().Close(p);
  EXPECT_EQ(p, t.at());
  EXPECT_EQ(t.buf, before);
}

}  // namespace
