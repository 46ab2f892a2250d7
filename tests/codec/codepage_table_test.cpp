#include <gtest/gtest.h>

#include <map>
#include <string>

#include "codec/charset.h"
#include "codec/codepage.h"
#include "source/utf.h"

namespace {

// A characteristic byte string of each code page and the text Windows reads in it.
struct Sample {
  int nCodePage;
  const char* bytes;
  const char* text;  // UTF-8
};

constexpr const char* kHelloEbcdic = "\xc8\xc5\xd3\xd3\xd6";

const Sample kSamples[] = {
    {936, "\xc4\xe3\xba\xc3", "你好"},
    {51936, "\xc4\xe3\xba\xc3", "你好"},
    {10008, "\xc4\xe3\xba\xc3", "你好"},
    {52936, "\x7e\x7b\x44\x63\x3a\x43\x7e\x7d", "你好"},
    {950, "\xa7\x41\xa6\x6e", "你好"},
    {20002, "\x95\x32\x94\x90", "你好"},
    {10002, "\xa7\x41\xa6\x6e", "你好"},
    {20000, "\xc9\xa3\xc7\xef", "你好"},
    {932, "\x93\xfa\x96\x7b", "日本"},
    {51932, "\xc6\xfc\xcb\xdc", "日本"},
    {10001, "\x93\xfa\x96\x7b", "日本"},
    {50220, "\x1b\x24\x42\x46\x7c\x4b\x5c\x1b\x28\x42", "日本"},
    {50221, "\x1b\x24\x42\x46\x7c\x4b\x5c\x1b\x28\x42", "日本"},
    {949, "\xbe\xc8\xb3\xe7", "안녕"},
    {51949, "\xbe\xc8\xb3\xe7", "안녕"},
    {10003, "\xbe\xc8\xb3\xe7", "안녕"},
    {1361, "\xb4\x65\x91\x77", "안녕"},
    {50225, "\x1b\x24\x29\x43\x0e\x3e\x48\x33\x67\x0f", "안녕"},
    {65000, "\x2b\x54\x32\x42\x5a\x66\x51\x2d", "你好"},
    {65001, "\xe4\xbd\xa0\xe5\xa5\xbd", "你好"},
    {1252, "\x63\x61\x66\xe9\x20\x80", "café €"},
    {28591, "\x63\x61\x66\xe9", "café"},
    {28592, "\xa3\xf3\x64\xbc", "Łódź"},
    {28593, "\xe6\xf8", "ĉĝ"},
    {28594, "\xc0\xaa", "ĀĒ"},
    {28605, "\xa4", "€"},
    {28599, "\xf0\xfe", "ğş"},
    {1250, "\xa3\xf3\x64\x9f", "Łódź"},
    {1254, "\xf0\xfe", "ğş"},
    {1257, "\xe0\xe8", "ąč"},
    {1258, "\xe3\xf0", "ăđ"},
    {10000, "\x8e", "é"},
    {10029, "\xfc", "Ł"},
    {10079, "\xde", "Þ"},
    {10081, "\xdb", "ğ"},
    {437, "\x82", "é"},
    {850, "\x82", "é"},
    {852, "\x9d", "Ł"},
    {857, "\xa7", "ğ"},
    {861, "\x8d", "Þ"},
    {775, "\xd0", "ą"},
    {866, "\x8f\xe0\xa8\xa2\xa5\xe2", "Привет"},
    {20866, "\xf0\xd2\xc9\xd7\xc5\xd4", "Привет"},
    {21866, "\xf0\xd2\xc9\xd7\xa6\xd4", "Привіт"},
    {10007, "\x8f\xf0\xe8\xe2\xe5\xf2", "Привет"},
    {1251, "\xcf\xf0\xe8\xe2\xe5\xf2", "Привет"},
    {28595, "\xbf\xe0\xd8\xd2\xd5\xe2", "Привет"},
    {1253, "\xc3\xe5\xe9\xdc", "Γειά"},
    {28597, "\xc3\xe5\xe9\xdc", "Γειά"},
    {737, "\x82\x9c\xa0\x98", "Γεια"},
    {869, "\xa6\xa7", "ΓΔ"},
    {10006, "\xa1\xe5\xe9\xe1", "Γεια"},
    {1255, "\xf9\xec\xe5\xed", "שלום"},
    {28598, "\xf9\xec\xe5\xed", "שלום"},
    {38598, "\xf9\xec\xe5\xed", "שלום"},
    {862, "\x99\x8c\x85\x8d", "שלום"},
    {10005, "\xf9\xec\xe5\xed", "שלום"},
    {1256, "\xd3\xe1\xc7\xe3", "سلام"},
    {28596, "\xd3\xe4\xc7\xe5", "سلام"},
    {708, "\xd3\xe4\xc7\xe5", "سلام"},
    {720, "\xab\xe9\x9f\xea", "سلام"},
    {10004, "\xd3\xe4\xc7\xe5", "سلام"},
    {874, "\xca\xc7\xd1\xca\xb4\xd5", "สวัสดี"},
    {20106, "\x5b", "Ä"},
    {20107, "\x5b", "Ä"},
    {20108, "\x5b", "Æ"},
    {20105, "\x24", "¤"},
    {37, kHelloEbcdic, "HELLO"},
    {870, kHelloEbcdic, "HELLO"},
    {875, kHelloEbcdic, "HELLO"},
    {1026, kHelloEbcdic, "HELLO"},
    {1140, kHelloEbcdic, "HELLO"},
    {1141, kHelloEbcdic, "HELLO"},
    {1142, kHelloEbcdic, "HELLO"},
    {1143, kHelloEbcdic, "HELLO"},
    {1144, kHelloEbcdic, "HELLO"},
    {1145, kHelloEbcdic, "HELLO"},
    {1146, kHelloEbcdic, "HELLO"},
    {1147, kHelloEbcdic, "HELLO"},
    {1148, kHelloEbcdic, "HELLO"},
    {1149, kHelloEbcdic, "HELLO"},
    {20273, kHelloEbcdic, "HELLO"},
    {20277, kHelloEbcdic, "HELLO"},
    {20278, kHelloEbcdic, "HELLO"},
    {20280, kHelloEbcdic, "HELLO"},
    {20284, kHelloEbcdic, "HELLO"},
    {20285, kHelloEbcdic, "HELLO"},
    {20290, kHelloEbcdic, "HELLO"},
    {20420, kHelloEbcdic, "HELLO"},
    {20423, kHelloEbcdic, "HELLO"},
    {20424, kHelloEbcdic, "HELLO"},
    {20833, kHelloEbcdic, "HELLO"},
    {20838, kHelloEbcdic, "HELLO"},
    {20871, kHelloEbcdic, "HELLO"},
    {20880, kHelloEbcdic, "HELLO"},
    {20905, kHelloEbcdic, "HELLO"},
    {21025, kHelloEbcdic, "HELLO"},
    {50930, kHelloEbcdic, "HELLO"},
    {50931, kHelloEbcdic, "HELLO"},
    {50933, kHelloEbcdic, "HELLO"},
    {50935, kHelloEbcdic, "HELLO"},
    {50937, kHelloEbcdic, "HELLO"},
    {50939, kHelloEbcdic, "HELLO"},
    {57002, "\xa4", "अ"},
    {57003, "\xa4", "অ"},
    {57004, "\xa4", "அ"},
    {57005, "\xa4", "అ"},
    {57006, "\xa4", "অ"},
    {57007, "\xa4", "ଅ"},
    {57008, "\xa4", "ಅ"},
    {57009, "\xa4", "അ"},
    {57010, "\xa4", "અ"},
    {57011, "\xa4", "ਅ"},
};

// Samples that tell a code page from its near relatives.
const Sample kDistinctions[] = {
    {932, "\x5c\x7e", "\\~"},  // Windows keeps ASCII here, not yen and overline
    {932, "\x1a\x1c\x7f", "\x1a\x1c\x7f"},
    {437, "\x1a\x1c\x7f", "\x1a\x1c\x7f"},
    {1140, "\x9f", "€"},
    {1141, "\x9f\x4a", "€Ä"},
    {1148, "\x9f", "€"},
    {20273, "\x4a", "Ä"},
    {37, "\x4a", "¢"},
    {28605, "\xa4\xbc", "€Œ"},
    {28591, "\xa4\xbc", "¤¼"},
    {1252, "\x80\x9f", "€Ÿ"},
    {20866, "\xa4", "╓"},
    {21866, "\xa4", "є"},
    {38598, "\xe0", "א"},
};

std::u16string U(const char* utf8) { return Utf8ToU16(utf8); }

// Windows converts with the system's tables, and a system may lack some code pages (Wine
// has no EBCDIC, EUC or ISO-2022 tables): those are left out there, and only there.
bool SystemLacks(int codePage) {
#ifdef _WIN32
  return !IsCodePageSupported(codePage);
#else
  (void)codePage;
  return false;
#endif
}

TEST(CodePageTable, EveryRowConvertsItsSample) {
  BuildEncodeTable();
  std::map<int, const Sample*> byCodePage;
  for (const Sample& s : kSamples) byCodePage[s.nCodePage] = &s;
  int converted = 0;
  for (const tagEncodeType& row : g_EncodeTypes) {
    if (row.nCodePage == 0 || row.nCodePage == 1201 || row.nCodePage == 29001) {
      EXPECT_EQ(row.nCodePage == 0, IsCodePageSupported(row.nCodePage)) << row.strCharset;
      continue;
    }
    auto it = byCodePage.find(row.nCodePage);
    ASSERT_NE(it, byCodePage.end()) << "no sample for " << row.strCharset;
    if (SystemLacks(row.nCodePage)) continue;
    EXPECT_TRUE(IsCodePageSupported(row.nCodePage)) << row.strCharset;
    EXPECT_EQ(MultiByteToWide(row.nCodePage, it->second->bytes), U(it->second->text))
        << row.strCharset << " (" << row.nCodePage << ")";
    ++converted;
  }
#ifdef _WIN32
  for (int common : {936, 950, 65001, 932, 949, 1252, 28591}) EXPECT_TRUE(IsCodePageSupported(common)) << common;
#else
  EXPECT_EQ(converted, 116);
#endif
}

TEST(CodePageTable, NearRelativesDiffer) {
  for (const Sample& s : kDistinctions) {
    if (SystemLacks(s.nCodePage)) continue;
    EXPECT_EQ(MultiByteToWide(s.nCodePage, s.bytes), U(s.text)) << s.nCodePage << " " << s.text;
  }
}

TEST(CodePageTable, SamplesRoundTrip) {
  // Stateless code pages give the same bytes back.
  for (const Sample& s : kSamples) {
    if (s.nCodePage == 65000 || (s.nCodePage >= 50000 && s.nCodePage < 60000)) continue;
    if (SystemLacks(s.nCodePage)) continue;
    EXPECT_EQ(WideToMultiByte(s.nCodePage, U(s.text)), s.bytes) << s.nCodePage;
  }
}

TEST(CodePageTable, InvalidBytesInWindowsTables) {
  EXPECT_EQ(MultiByteToWide(932, "\x81\x20"), u"\uFFFD ");  // lead byte without a trail byte
  EXPECT_EQ(MultiByteToWide(932, "a\x82"), u"a\uFFFD");
  if (!SystemLacks(51932)) {
    EXPECT_EQ(MultiByteToWide(51932, "\xc6\xfc\xcb"), U("日\xef\xbf\xbd"));
  }
}

// Text made only of bytes below 0x80 may be widened without the converter where the
// converter would give it back unchanged anyway; where a code page shifts state or escapes
// (UTF-7, HZ, ISO-2022, EBCDIC), it must still be converted. When the result is the text
// widened, the same text followed by a byte above 0x7F, which always goes through the
// converter, must begin the same way.
TEST(CodePageTable, AsciiTextConvertsAsItsCodePageDoes) {
  BuildEncodeTable();
  std::string all;
  for (int c = 0; c < 128; ++c) all += static_cast<char>(c);
  const std::string texts[] = {all,  "plain text, 1 + 1 = 2", "+AGE-",        "a+b",          "~{<:Ky2;S{#,~}",
                               "~~", "\x1b$B$3\x1b(B",        "\x0e\x41\x0f", "=?utf-8?q?x?="};
  for (const tagEncodeType& row : g_EncodeTypes) {
    if (SystemLacks(row.nCodePage) || !IsCodePageSupported(row.nCodePage)) continue;
    for (const std::string& t : texts) {
      const std::u16string w = MultiByteToWide(row.nCodePage, t);
      if (w != std::u16string(t.begin(), t.end())) continue;
      EXPECT_EQ(MultiByteToWide(row.nCodePage, t + "\x80").substr(0, t.size()), w)
          << row.strCharset << " (" << row.nCodePage << "): " << t;
    }
  }
}

}  // namespace
