#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "codec/codepage.h"
#include "codec/utf8_to_ansi.h"
#include "source/utf.h"

namespace {

std::u16string U(const char* utf8) { return Utf8ToU16(utf8); }

TEST(CodePage, AnsiIsTheProcessSetting) {
#ifndef _WIN32  // Windows starts from the system's ANSI code page: codepage_win32_test.cpp
  EXPECT_EQ(GetAnsiCodePage(), 936);
#endif
  SetAnsiCodePage(936);
  EXPECT_EQ(MultiByteToWide(CP_ACP, "\xc4\xe3\xba\xc3"), U("你好"));
  EXPECT_EQ(AnsiToWide("\xc4\xe3\xba\xc3"), U("你好"));
  SetAnsiCodePage(950);
  EXPECT_EQ(MultiByteToWide(CP_THREAD_ACP, "\xa7\x41\xa6\x6e"), U("你好"));
  SetAnsiCodePage(CP_ACP);  // not a real code page: ignored
  EXPECT_EQ(GetAnsiCodePage(), 950);
  SetAnsiCodePage(936);
}

TEST(CodePage, InvalidSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(MultiByteToWide(CP_UTF8,
                            "a\xff"
                            "b"),
            u"a\uFFFDb");
  EXPECT_EQ(MultiByteToWide(CP_UTF8, "a\xe4\xbd"), u"a\uFFFD");
  EXPECT_EQ(MultiByteToWide(936, "a\x81"), u"a\uFFFD");  // lead byte cut off at the end
  EXPECT_EQ(MultiByteToWide(936,
                            "\xc4\xe3"
                            "b"),
            U("你b"));
}

TEST(CodePage, RefusedCodePagesGiveNothing) {
  EXPECT_FALSE(IsCodePageSupported(1201));
  EXPECT_FALSE(IsCodePageSupported(29001));
  EXPECT_FALSE(IsCodePageSupported(12345));
  EXPECT_EQ(MultiByteToWide(1201, std::string("\0A", 2)), u"");
  EXPECT_EQ(WideToMultiByte(29001, u"A"), "");
  EXPECT_TRUE(IsCodePageSupported(CP_ACP));
}

TEST(CodePage, WideToMultiByteUsesQuestionMarkForMissingCharacters) {
  EXPECT_EQ(WideToMultiByte(936, U("你好")), "\xc4\xe3\xba\xc3");
  EXPECT_EQ(WideToMultiByte(28591, U("café €")), "caf\xe9 ?");
  EXPECT_EQ(WideToAnsi(U("好")), "\xba\xc3");
  EXPECT_EQ(WideToMultiByte(65001, U("你")), "\xe4\xbd\xa0");
}

TEST(CodePage, Utf8ToAnsiInPlace) {
  std::string s = "\xe4\xbd\xa0\xe5\xa5\xbd";
  Utf8ToAnsiInPlace(s);
  EXPECT_EQ(s, "\xc4\xe3\xba\xc3");
  std::string empty;
  Utf8ToAnsiInPlace(empty);
  EXPECT_EQ(empty, "");
  std::string lost = "\xd7\x90";  // Hebrew alef: not in GBK, becomes "?"
  Utf8ToAnsiInPlace(lost);
  EXPECT_EQ(lost, "?");
}

TEST(CodePage, ThreadsConvertIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> ok(4, 0);
  const bool hz = IsCodePageSupported(52936);  // Wine has no HZ converter
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, hz, &ok] {
      for (int i = 0; i < 500; ++i) {
        const bool good = (t % 2 ? MultiByteToWide(950, "\xa7\x41\xa6\x6e")
                           : hz  ? MultiByteToWide(52936, "~{Dc:C~}")
                                 : MultiByteToWide(936, "\xc4\xe3\xba\xc3")) == Utf8ToU16("你好");
        if (!good) return;
      }
      ok[t] = 1;
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(ok, std::vector<int>(4, 1));
}

}  // namespace
