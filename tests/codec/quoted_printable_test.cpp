#include <gtest/gtest.h>

#include <string>

#include "codec/quoted_printable.h"

namespace {

std::string QP(const std::string& s) { return QuotedPrintableDecode(s.data(), s.size()); }
std::string Q(const std::string& s) { return QEncodingDecode(s.data(), s.size()); }

TEST(QuotedPrintable, Escapes) {
  EXPECT_EQ(QP("a=3Db"), "a=b");
  EXPECT_EQ(QP("=3a"), ":");
  EXPECT_EQ(QP("=3A"), ":");
  EXPECT_EQ(QP("=e4=BD=a0"), "\xe4\xbd\xa0");
  EXPECT_EQ(QP("=00x"), std::string("\0x", 2));
  EXPECT_EQ(QP("plain text, no escapes"), "plain text, no escapes");
}

TEST(QuotedPrintable, SoftLineBreaks) {
  EXPECT_EQ(QP("a=\r\nb"), "ab");
  EXPECT_EQ(QP("a=\nb"), "ab");
  EXPECT_EQ(QP("a=\rb"), "ab");
  EXPECT_EQ(QP("a=\r\n"), "a");
  EXPECT_EQ(QP("line1\r\nline2"), "line1\r\nline2");  // hard breaks stay
}

TEST(QuotedPrintable, EqualsWithoutTwoHexDigitsStays) {
  EXPECT_EQ(QP("a=zzb"), "a=zzb");
  EXPECT_EQ(QP("a=3"), "a=3");
  EXPECT_EQ(QP("a="), "a=");
  EXPECT_EQ(QP("="), "=");
  EXPECT_EQ(QP("=G1"), "=G1");
  EXPECT_EQ(QP("==41"), "=A");
}

TEST(QuotedPrintable, NeverReadsPastTheEnd) {
  // The input is a slice of a longer buffer whose next bytes would complete an escape.
  const std::string buffer = "ab=4142";
  EXPECT_EQ(QuotedPrintableDecode(buffer.data(), 4), "ab=4");
  EXPECT_EQ(QuotedPrintableDecode(buffer.data(), 3), "ab=");
  EXPECT_EQ(QuotedPrintableDecode(buffer.data(), 5), "abA");
}

TEST(QuotedPrintable, EscapesAtEveryAlignment) {
  // The decoder copies plain text in blocks; escapes and breaks may sit anywhere in a block.
  for (size_t k = 0; k < 20; ++k) {
    const std::string pre(k, 'p');
    const std::string post(19 - k, 's');
    EXPECT_EQ(QP(pre + "=41" + post), pre + "A" + post) << k;
    EXPECT_EQ(QP(pre + "=41=42=43" + post), pre + "ABC" + post) << k;
    EXPECT_EQ(QP(pre + "=\r\n" + post), pre + post) << k;
    EXPECT_EQ(QP(pre + "=x" + post), pre + "=x" + post) << k;
    EXPECT_EQ(QP(pre + "="), pre + "=") << k;
    EXPECT_EQ(QP(pre + "=4"), pre + "=4") << k;
    const std::string slice = pre + "=4142";
    EXPECT_EQ(QuotedPrintableDecode(slice.data(), k + 2), pre + "=4") << k;
  }
}

TEST(QuotedPrintable, InPlaceCutsAtZero) {
  std::string s = "ab=00cd";
  DecodeQuotedPrintableInPlace(s);
  EXPECT_EQ(s, "ab");
  std::string empty;
  DecodeQuotedPrintableInPlace(empty);
  EXPECT_EQ(empty, "");
}

TEST(QEncoding, UnderscoresAreSpaces) {
  EXPECT_EQ(Q("Hello_World=21"), "Hello World!");
  EXPECT_EQ(Q("=5F_"), "_ ");
  EXPECT_EQ(QP("a_b"), "a_b");  // not in the body encoding
}

}  // namespace
