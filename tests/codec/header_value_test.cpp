#include <gtest/gtest.h>

#include <string>

#include "codec/header_value.h"
#include "source/utf.h"

namespace {

std::u16string U(const char* utf8) { return Utf8ToU16(utf8); }

std::u16string Display(std::string value) { return DecodeHeaderValue(value); }
std::string Cleaned(std::string value) {
  DecodeHeaderValue(value);
  return value;
}

TEST(HeaderValue, AdjacentEncodedWordsJoin) {
  EXPECT_EQ(Display("=?gb2312?B?xOO6ww==?= =?gb2312?B?ysC95w==?="), U("你好世界"));
  EXPECT_EQ(Display("=?gb2312?B?xOO6ww==?=\r\n =?gb2312?B?ysC95w==?="), U("你好世界"));
  EXPECT_EQ(Display("=?utf-8?B?5L2g?= =?utf-8?B?5aW9?= =?utf-8?B?5LiW?= =?utf-8?B?55WM?= tail"), U("你好世界 tail"));
  EXPECT_EQ(Display("=?utf-8?Q?Hello_?= =?utf-8?Q?World?="), u"Hello World");
  EXPECT_EQ(Display("=?utf-8?B?5L2g?=, =?utf-8?B?5aW9?="), U("你, 好"));
}

TEST(HeaderValue, SubjectTextAroundWordsStays) {
  EXPECT_EQ(Display("Re: =?gb2312?B?xOO6ww==?="), U("Re: 你好"));
  EXPECT_EQ(Display("Re:=?gb2312?B?xOO6ww==?= (2)"), U("Re:你好 (2)"));
  EXPECT_EQ(Display("=?gb2312?B?xOO6ww==?= world"), U("你好 world"));
  EXPECT_EQ(Display("=?utf-8?Q?a=3Fb?="), u"a?b");
  EXPECT_EQ(Display("50% =? off"), u"50% =? off");  // not an encoded word
}

TEST(HeaderValue, NameAndAddress) {
  EXPECT_EQ(Display("\"=?gb2312?B?1cXI/Q==?=\" <zhang@example.com>"), U("\"张三\" <zhang@example.com>"));
  EXPECT_EQ(Display("=?utf-8?B?5byg5LiJ?= <zhang@example.com>"), U("\"张三\" <zhang@example.com>"));
  EXPECT_EQ(Display("\"\xd5\xc5\xc8\xfd\" <zhang@example.com>"), U("\"张三\" <zhang@example.com>"));
  EXPECT_EQ(Display("\"Zhang San\" <zhang@example.com>"), u"\"Zhang San\" <zhang@example.com>");
  EXPECT_EQ(Display("Zhang San <zhang@example.com>"), u"Zhang San <zhang@example.com>");
  EXPECT_EQ(Display("<zhang@example.com>"), u"<zhang@example.com>");
  EXPECT_EQ(Display("=?utf-8?B?5byg5LiJ?= <a@x.cn>, =?utf-8?B?5p2O5Zub?= <b@x.cn>"),
            U("\"张三\" <a@x.cn>, \"李四\" <b@x.cn>"));
}

// Commas split an address list only outside quotes (where a backslash escapes the next
// byte) and outside angle brackets; a bracket or quote left open runs to the end.
TEST(HeaderValue, ListElementsSplitOnlyAtOpenCommas) {
  EXPECT_EQ(Display("=?utf-8?B?5L2g?= <a,b@x>, =?utf-8?B?5aW9?= <c@x>"), U("\"你\" <a,b@x>, \"好\" <c@x>"));
  EXPECT_EQ(Display("x \"y, \\\"z\" <a@x>, =?utf-8?B?5aW9?= <c@x>"), U("x \"y, \\\"z\" <a@x>, \"好\" <c@x>"));
  EXPECT_EQ(Display("=?utf-8?B?5L2g?= <a@x, =?utf-8?B?5aW9?= <c@x>"), U("\"你 <a@x, 好\" <c@x>"));
  EXPECT_EQ(Display("abc \"q, =?utf-8?B?5aW9?= <c@x>"), U("abc \"q, 好 <c@x>"));
  EXPECT_EQ(Display("abc \"q\\"), u"abc \"q\\");
}

TEST(HeaderValue, UnknownCharsetContributesNothing) {
  EXPECT_EQ(Display("=?gb18030?B?xOO6ww==?="), u"");
  EXPECT_EQ(Display("Re: =?x-unknown?Q?abc?= end"), u"Re:  end");
}

TEST(HeaderValue, OneByteWordAndPlainText) {
  EXPECT_EQ(Display("=?us-ascii?Q?A?="), u"A");
  EXPECT_EQ(Display("\xc4\xe3\xba\xc3 hello"), U("你好 hello"));
  EXPECT_EQ(Display("  plain  "), u"plain");
  EXPECT_EQ(Display(""), u"");
}

TEST(HeaderValue, FoldedSubjectIsUnfolded) {
  EXPECT_EQ(Display("a long\r\n subject"), u"a long subject");
  EXPECT_EQ(Display("=?utf-8?B?5L2g?=\r\n\tend"), U("你\tend"));
}

TEST(HeaderValue, CutShortWordStillDecodes) { EXPECT_EQ(Display("=?utf-8?B?5L2g5aW9"), U("你好")); }

TEST(HeaderValue, InPlaceCleaning) {
  EXPECT_EQ(Cleaned("  \"Zhang\" <z@x>  "), "\"Zhang\" <z@x>");  // quoted form keeps its quotes
  EXPECT_EQ(Cleaned("\"Zhang <z@x>"), "Zhang <z@x>");            // a lone quote is not the quoted form
  EXPECT_EQ(Cleaned("\"\"x\""), "\"\"x\"");                      // last quote two after the first
  EXPECT_EQ(Cleaned("\"\"x"), "x");
  EXPECT_EQ(Cleaned("=?utf-8?B?IkEi?= \"q\""), "=?utf-8?B?IkEi?= \"q\"");
  EXPECT_EQ(Cleaned("\\\"Zhang\\\" <z@x>"), "Zhang <z@x>");
  EXPECT_EQ(Cleaned("ab\\\"c\\\""), "abc");
  EXPECT_EQ(Cleaned("abc\\\"d\\\""), "abc\\\"d\\\"");  // first pair too far in
  EXPECT_EQ(Cleaned("\\\\\"\"x"), "x");                // pairs that form once one is removed go too
  EXPECT_EQ(Cleaned("\t=?gb2312?B?xOO6ww==?=\r\n"), "=?gb2312?B?xOO6ww==?=");
}

TEST(HeaderPiece, DecodesEveryWordOfThePiece) {
  EXPECT_EQ(DecodeHeaderPiece("x =?utf-8?B?5L2g?= y"), U("x 你 y"));
  EXPECT_EQ(DecodeHeaderPiece("plain"), u"plain");
  EXPECT_EQ(DecodeHeaderPiece(""), u"");
}

}  // namespace
