#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "codec/charset.h"
#include "codec/codepage.h"
#include "source/utf.h"

namespace {

std::u16string U(const char* utf8) { return Utf8ToU16(utf8); }

int BodyCodePage(const char* value) {
  const tagEncodeType* row = FindBodyEncodeType(value);
  return row ? row->nCodePage : -1;
}
int WordCodePage(const char* word) {
  const tagEncodeType* row = FindWordEncodeType(word);
  return row ? row->nCodePage : -1;
}

TEST(CharsetTable, HoldsTheRowsInOrderOnce) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([] { BuildEncodeTable(); });
  for (auto& t : threads) t.join();
  BuildEncodeTable();
  ASSERT_EQ(g_EncodeTypes.size(), 119u);
  EXPECT_EQ(g_EncodeTypes.front().strCharset, "gb2312");
  EXPECT_EQ(g_EncodeTypes[16].strCharset, "system");
  EXPECT_EQ(g_EncodeTypes[16].nCodePage, 0);
  EXPECT_EQ(g_EncodeTypes[21].strCharset, "iso-8859-15");
  EXPECT_EQ(g_EncodeTypes[113].nCodePage, 1201);
  EXPECT_EQ(g_EncodeTypes.back().strCharset, "windows-1252");
  for (const tagEncodeType& row : g_EncodeTypes)
    for (char c : row.strCharset) EXPECT_FALSE(c >= 'A' && c <= 'Z') << row.strCharset;
}

TEST(CharsetTable, BodyLookupTreatsTheValueAsAPrefix) {
  EXPECT_EQ(BodyCodePage("iso-8859-1"), 28605);  // "iso-8859-15" stands first
  EXPECT_EQ(BodyCodePage("iso-8859-8"), 38598);
  EXPECT_EQ(BodyCodePage("x-ebcdic-greek"), 875);
  EXPECT_EQ(BodyCodePage("x-ia5"), 20106);
  EXPECT_EQ(BodyCodePage("utf"), 65000);
  EXPECT_EQ(BodyCodePage("gb"), 936);
  EXPECT_EQ(BodyCodePage("gb2312"), 936);
  EXPECT_EQ(BodyCodePage("utf-8"), 65001);
  EXPECT_EQ(BodyCodePage("big5"), 950);
  EXPECT_EQ(BodyCodePage("GB2312"), -1);  // the caller lower-cases
  EXPECT_EQ(BodyCodePage("gb18030"), -1);
  EXPECT_EQ(BodyCodePage("gb2312; format=flowed"), -1);
  EXPECT_EQ(BodyCodePage(""), -1);
}

TEST(CharsetTable, WordLookupTreatsTheNameAsAPrefix) {
  EXPECT_EQ(WordCodePage("=?iso-8859-1?Q?caf=E9?="), 28591);
  EXPECT_EQ(WordCodePage("=?iso-8859-15?Q?=A4?="), 28605);
  EXPECT_EQ(WordCodePage("=?x-ebcdic-germany-euro?B?wQ==?="), 20273);
  EXPECT_EQ(WordCodePage("=?GB2312?B?xOO6ww==?="), 936);
  EXPECT_EQ(WordCodePage("=?Utf-8?B?5L2g?="), 65001);
  EXPECT_EQ(WordCodePage("=?gb18030?B?xOO6ww==?="), -1);
  EXPECT_EQ(WordCodePage("=?"), -1);
  EXPECT_EQ(WordCodePage(""), -1);
}

TEST(EncodeType, ConvertTextTrimsAndNeedsTwoBytes) {
  const tagEncodeType gbk{"gbk", 936};
  EXPECT_EQ(gbk.ConvertText("\xc4\xe3\xba\xc3"), U("你好"));
  EXPECT_EQ(gbk.ConvertText("  \xc4\xe3\xba\xc3\r\n"), U("你好"));
  EXPECT_EQ(gbk.ConvertText(std::string("\xc4\xe3\0\xba\xc3", 5)), U("你"));  // cut at the zero byte
  EXPECT_EQ(gbk.ConvertText("A"), u"");
  EXPECT_EQ(gbk.ConvertText(""), u"");
  const tagEncodeType utf16be{"unicodefffe", 1201};
  EXPECT_EQ(utf16be.ConvertText(std::string("\x4f\x60\x59\x7d", 4)), u"");  // refused
  const tagEncodeType europa{"x-europa", 29001};
  EXPECT_EQ(europa.ConvertText("Hello"), u"");
  const tagEncodeType system{"system", 0};
  EXPECT_EQ(system.ConvertText("\xc4\xe3\xba\xc3"), U("你好"));
}

TEST(EncodeType, DecodeWord) {
  const tagEncodeType gb{"gb2312", 936};
  EXPECT_EQ(gb.DecodeWord("=?gb2312?B?xOO6ww==?="), U("你好"));
  EXPECT_EQ(gb.DecodeWord("=?GB2312?b?xOO6ww==?="), U("你好"));
  const tagEncodeType utf8{"utf-8", 65001};
  EXPECT_EQ(utf8.DecodeWord("=?utf-8?Q?caf=C3=A9_au_lait?="), U("café au lait"));
  EXPECT_EQ(utf8.DecodeWord("=?utf-8?q?=20padded=20?="), U("padded"));
  EXPECT_EQ(utf8.DecodeWord("=?utf-8?X?abcd?="), u"");
  EXPECT_EQ(utf8.DecodeWord("=?utf-8?B?"
                            "?="),
            u"");
  EXPECT_EQ(utf8.DecodeWord("=?utf-8?B?AAAA?="), u"");  // decodes to a zero byte
  const tagEncodeType ascii{"us-ascii", 1252};
  EXPECT_EQ(ascii.DecodeWord("=?us-ascii?Q?A?="), u"A");  // one byte is shown
  const tagEncodeType latin1{"iso-8859-1", 28591};
  EXPECT_EQ(latin1.DecodeWord("=?iso-8859-1?Q?caf=E9?="), U("café"));
}

}  // namespace
