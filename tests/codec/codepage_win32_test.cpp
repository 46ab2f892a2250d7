// The Windows conversions keep the contract of the portable ones where Windows' own
// defaults differ: U+FFFD for each bad character, "?" instead of best-fit look-alikes.

#include <windows.h>

#include <gtest/gtest.h>

#include "codec/codepage.h"
#include "source/utf.h"

namespace {

// Taken before any test can change the setting.
const int g_nAnsiAtStart = GetAnsiCodePage();

TEST(CodePageWin32, AnsiStartsAsTheSystemsAndFollowsTheSetting) {
  EXPECT_EQ(g_nAnsiAtStart, static_cast<int>(GetACP()));
  const int before = GetAnsiCodePage();
  SetAnsiCodePage(950);
  EXPECT_EQ(AnsiToWide("\xa7\x41"), Utf8ToU16("你"));
  SetAnsiCodePage(before);
}

TEST(CodePageWin32, OnlyTheBadCharactersBecomeReplacements) {
  // A lead byte before a byte that cannot trail is bad alone; the byte after it is kept.
  EXPECT_EQ(MultiByteToWide(936, "\x81 x"), u"\uFFFD x");
  EXPECT_EQ(MultiByteToWide(936,
                            "\xc4\xe3\xff"
                            "b"),
            Utf8ToU16("你") + u"\uFFFDb");
  EXPECT_EQ(MultiByteToWide(950, "ok\xa7"), u"ok\uFFFD");
  // Long texts take the fast road and still come out whole.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "\xc4\xe3";
  EXPECT_EQ(MultiByteToWide(936, many).size(), 5000u);
  many += "\x80";  // the euro sign in 936
  EXPECT_EQ(MultiByteToWide(936, many).back(), u'\u20AC');
}

TEST(CodePageWin32, NoBestFitLookAlikes) {
  EXPECT_EQ(WideToMultiByte(1252, u"\u0101\u00e9"), "?\xe9");  // a-macron has no place in 1252
  EXPECT_EQ(WideToMultiByte(936, u"\u05d0"), "?");
  EXPECT_EQ(WideToMultiByte(CP_UTF8, u"\U0001F600"), "\xf0\x9f\x98\x80");
  EXPECT_EQ(MultiByteToWide(CP_UTF8, "\xf0\x9f\x98\x80"), u"\U0001F600");
}

TEST(CodePageWin32, UnknownCodePagesGiveNothing) {
  EXPECT_FALSE(IsCodePageSupported(12345));
  EXPECT_EQ(MultiByteToWide(12345, "abc"), u"");
  EXPECT_EQ(WideToMultiByte(12345, u"abc"), "");
  EXPECT_EQ(MultiByteToWide(1200, "a\0"), u"");  // UTF-16 is no multibyte code page
}

}  // namespace
