#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "codec/base64.h"
#include "tests/support/test_random.h"

namespace {

std::string B64(const std::string& s) { return Base64Decode(s.data(), s.size()); }
size_t B64Len(const std::string& s) { return Base64DecodedLength(s.data(), s.size()); }

TEST(Base64, GroupsAndPadding) {
  EXPECT_EQ(B64("QUJD\r\n"), "ABC");
  EXPECT_EQ(B64("QUI="), "AB");
  EXPECT_EQ(B64("QQ=="), "A");
  EXPECT_EQ(B64("QUJDRA"), "ABCD");    // two pending characters give one byte
  EXPECT_EQ(B64("QUJDREU"), "ABCDE");  // three give two
  EXPECT_EQ(B64("QUJDR"), "ABC");      // a single pending character gives nothing
  EXPECT_EQ(B64("+/+/"), std::string("\xfb\xff\xbf"));
}

TEST(Base64, EmptyOrStartingWithEqualsGivesNothing) {
  EXPECT_EQ(B64(""), "");
  EXPECT_EQ(B64("=QUJD"), "");
  EXPECT_EQ(B64Len("=QUJD"), 0u);
}

TEST(Base64, EqualsAfterAlphabetCharacterEnds) {
  EXPECT_EQ(B64("QU=JD"), "A");
  EXPECT_EQ(B64("QUJD=QUJD"), "ABC");
  // An "=" that follows a skipped byte is skipped with it.
  EXPECT_EQ(B64("QUJD\r\n=QUJD"), "ABCABC");
  EXPECT_EQ(B64("QU\n=JD"), "ABC");
}

TEST(Base64, NonAlphabetBytesAreSkippedAnywhere) {
  EXPECT_EQ(B64("QU\x80JD"), "ABC");
  EXPECT_EQ(B64("QUJD\xff\xfeQUJD"), "ABCABC");
  EXPECT_EQ(B64("  Q U J D  "), "ABC");
  EXPECT_EQ(B64("QUJD\r\n\r\n"), "ABC");
}

TEST(Base64, LineBrokenTextDecodesAsIfUnbroken) {
  std::string data;
  for (int i = 0; i < 3000; ++i) data += static_cast<char>((i * 7919) & 0xff);
  // Encode with a plain reference encoder, then break into 76-character lines.
  static const char kAlpha[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string enc;
  for (size_t i = 0; i < data.size(); i += 3) {
    const uint32_t v = static_cast<uint8_t>(data[i]) << 16 |
                       (i + 1 < data.size() ? static_cast<uint8_t>(data[i + 1]) << 8 : 0) |
                       (i + 2 < data.size() ? static_cast<uint8_t>(data[i + 2]) : 0);
    enc += kAlpha[v >> 18 & 63];
    enc += kAlpha[v >> 12 & 63];
    enc += i + 1 < data.size() ? kAlpha[v >> 6 & 63] : '=';
    enc += i + 2 < data.size() ? kAlpha[v & 63] : '=';
  }
  std::string lines;
  for (size_t i = 0; i < enc.size(); i += 76) lines += enc.substr(i, 76) + "\r\n";
  EXPECT_EQ(B64(enc), data);
  EXPECT_EQ(B64(lines), data);
  EXPECT_EQ(B64Len(lines), data.size());
  // Lines of odd length put group boundaries across the line breaks.
  std::string odd;
  for (size_t i = 0; i < enc.size(); i += 61) odd += enc.substr(i, 61) + "\n";
  EXPECT_EQ(B64(odd), data);
}

// The length is counted without decoding, in steps of 16 bytes: it must agree with the
// decoding for every mix of alphabet characters, "=", line breaks and other bytes, and
// wherever the end falls in or across a step.
TEST(Base64, LengthAgreesWithTheDecoding) {
  static const char kBytes[] = "QUJDabyz09+/==\r\n \t\x80\xff-.:@[`{";
  uint32_t x = 77;
  for (int round = 0; round < 20000; ++round) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    const size_t n = round % 50 == 0 ? x % 20000 : x % 70;  // now and then past the 4080-byte count steps
    std::string s;
    for (size_t i = 0; i < n; ++i) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      // Mostly alphabet characters, so that long groups form; now and then anything.
      s += (x >> 8) % 8 == 0 ? static_cast<char>(x >> 16) : kBytes[(x >> 16) % (sizeof kBytes - 1)];
    }
    ASSERT_EQ(B64Len(s), B64(s).size()) << "input of " << s.size() << " bytes, round " << round;
    // The same data in pieces (some empty), as attachment lines arrive.
    CBase64Length pieces;
    for (size_t at = 0; at < s.size();) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      const size_t take = std::min<size_t>(s.size() - at, x % 40);
      pieces.Add(s.data() + at, take);
      at += take;
    }
    ASSERT_EQ(pieces.Length(), B64(s).size()) << "input of " << s.size() << " bytes in pieces, round " << round;
  }
  // Long runs of nothing but alphabet characters.
  for (size_t n : {4095u, 4096u, 4097u, 8191u, 20001u, 65536u}) {
    const std::string s(n, 'Q');
    EXPECT_EQ(B64Len(s), n / 4 * 3 + (n % 4 == 2 ? 1 : n % 4 == 3 ? 2 : 0)) << n;
    EXPECT_EQ(B64Len(s + "=QUJD"), B64(s + "=QUJD").size()) << n;
  }
}

TEST(Base64, InPlaceCutsAtZeroAndKeepsUndecodable) {
  std::string s = "QUIAQw==";  // "AB\0C"
  DecodeBase64InPlace(s);
  EXPECT_EQ(s, "AB");
  std::string none = "=abc";
  DecodeBase64InPlace(none);
  EXPECT_EQ(none, "=abc");
  std::string text = "5L2g5aW9";
  DecodeBase64InPlace(text);
  EXPECT_EQ(text, "\xe4\xbd\xa0\xe5\xa5\xbd");
}

// Lines counted as the scan counts attachment data: each line up to its first byte below
// 0x0E, found in the same pass. Must agree with finding the end first and adding the bytes
// before it, for lines of every length around the vector steps, with the decoding's end
// ("=") and the line's end anywhere in a step, lines without an end within the limit, and
// data that begins with "=".
TEST(Base64, LinesCountedInOnePassAgreeWithPieces) {
  static const char kBytes[] = "QUJDabyz09+/====-.:@[`{\x80\xff \x0e\x1f";
  static const char kEnds[] = "\r\n\t\x00\x0d\x01";
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  CTestRandom next(4242);
  for (int round = 0; round < 3000; ++round) {
    CBase64Length byLine, byPieces;
    for (int line = 0, lines = 1 + static_cast<int>(next() % 12); line < lines; ++line) {
      const size_t max = 32 * (1 + next() % 4);
      std::string text(next() % (max + 20), 'Q');
      // Half the lines are what attachment data mostly is: alphabet characters only.
      const bool plain = next() % 2 == 0;
      for (char& c : text)
        c = plain        ? kAlphabet[next() % (sizeof kAlphabet - 1)]
            : next() % 4 ? static_cast<char>('Q' + next() % 3)
                         : kBytes[next() % (sizeof kBytes - 1)];
      if (next() % 5 == 0 && !text.empty()) text[0] = '=';
      text += kEnds[next() % (sizeof kEnds - 1)];
      text.resize(text.size() + max + 32, 'A');  // readable bytes past the limit
      size_t end = 0;
      while (end < max && static_cast<unsigned char>(text[end]) >= 0x0E) ++end;
      const size_t want = end < max ? end : 0;
      ASSERT_EQ(byLine.AddLine(text.data(), max), want) << "round " << round << ", line " << line;
      byPieces.Add(text.data(), want);
      ASSERT_EQ(byLine.Length(), byPieces.Length()) << "round " << round << ", line " << line;
    }
  }
  // Lines of alphabet characters only, up to the limit.
  for (size_t n : {31u, 32u, 33u, 76u, 511u}) {
    CBase64Length c;
    const std::string s = std::string(n, 'Q') + "\r\n" + std::string(600, 'Q');
    EXPECT_EQ(c.AddLine(s.data(), 512), n);
    EXPECT_EQ(c.Length(), B64Len(std::string(n, 'Q'))) << n;
  }
}

// Every byte value at every place of the vector steps: a plain line is alphabet characters
// only, up to a byte below 0x0E; any other byte makes it no plain line.
TEST(Base64, PlainLinesKnowEveryByte) {
  auto inAlphabet = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
  };
  for (int value = 0; value < 256; ++value) {
    const auto b = static_cast<unsigned char>(value);
    for (size_t at : {0u, 1u, 15u, 16u, 31u, 32u, 47u, 63u, 70u}) {
      std::string line(76, 'Q');
      line[at] = static_cast<char>(b);
      line += "\r\n" + std::string(128, 'Q');
      const size_t want = inAlphabet(b) ? 76 : b < 0x0E ? at : 0;
      ASSERT_EQ(CBase64Length::PlainLineLength(line.data(), 96), want) << "byte " << value << " at " << at;
    }
  }
}

}  // namespace
