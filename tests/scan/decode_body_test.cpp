#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "scan/mail_item.h"
#include "source/utf.h"

namespace {

std::u16string U(const char* utf8) { return Utf8ToU16(utf8); }

struct Body {
  const char* body;
  const char* msgEncoding = "";
  const char* partEncoding = "";
  const char* msgType = "";
  const char* partType = "";
};

std::unique_ptr<tagMailItem> Decoded(const Body& b) {
  auto item = std::make_unique<tagMailItem>();
  item->strBody = b.body;
  item->strTransferEncoding = b.msgEncoding;
  item->strPartEncoding = b.partEncoding;
  item->strContentType = b.msgType;
  item->strPartType = b.partType;
  item->DecodeBody();
  return item;
}

TEST(DecodeBody, TransferEncodings) {
  auto a = Decoded({"5L2g5aW9\r\n", "Base64", "", "text/plain; charset=utf-8"});
  EXPECT_EQ(a->strBody, "\xe4\xbd\xa0\xe5\xa5\xbd");
  EXPECT_EQ(a->strBodyW, U("你好"));
  EXPECT_EQ(a->bDecoded, 1);
  auto b = Decoded({"caf=C3=A9 =\r\nau lait", "", "Quoted-Printable", "", "text/plain; charset=\"utf-8\""});
  EXPECT_EQ(b->strBodyW, U("café au lait"));
  auto c = Decoded({"begin 644 x\r\n", "x-uuencode"});
  EXPECT_EQ(c->strBody, "begin 644 x\r\n");
  // The part's encoding wins over the message's.
  auto d = Decoded({"a=3Db", "base64", "quoted-printable"});
  EXPECT_EQ(d->strBody, "a=b");
}

TEST(DecodeBody, CharsetFromTheContentTypes) {
  // The message's type is used when the part has none; quotes and ";" come off.
  auto a = Decoded({"\xc4\xe3\xba\xc3", "", "", "text/plain; charset=\"gb2312\";"});
  EXPECT_EQ(a->strBodyW, U("你好"));
  auto b = Decoded({"\xa7\x41\xa6\x6e", "", "", "text/plain; charset=big5", "text/plain; charset= BIG5 "});
  EXPECT_EQ(b->strBodyW, U("你好"));
  // iso-8859-1 finds iso-8859-15: 0xA4 is the euro sign there.
  auto c = Decoded({"x\xa4", "", "", "text/plain; charset=iso-8859-1"});
  EXPECT_EQ(c->strBodyW, U("x€"));
  // A charset at position 0 of the message's type does not count.
  auto d = Decoded({"\xe4\xbd\xa0\xe5\xa5\xbd", "", "", "charset=utf-8"});
  EXPECT_EQ(d->strBodyW, U("浣犲ソ"));  // GBK reading of the UTF-8 bytes
}

TEST(DecodeBody, FallsBackToTheAnsiCodePage) {
  // No row for gb18030, a value carrying another parameter, and a one-byte body.
  EXPECT_EQ(Decoded({"\xc4\xe3\xba\xc3", "", "", "text/plain; charset=gb18030"})->strBodyW, U("你好"));
  EXPECT_EQ(Decoded({"\xc4\xe3\xba\xc3", "", "", "text/plain; charset=utf-8; format=flowed"})->strBodyW, U("你好"));
  EXPECT_EQ(Decoded({"A", "", "", "text/plain; charset=utf-8"})->strBodyW, u"A");
  // A code page that is refused leaves the ANSI reading; it is not trimmed.
  EXPECT_EQ(Decoded({" \xc4\xe3\xba\xc3 ", "", "", "text/plain; charset=unicodefffe"})->strBodyW, U(" 你好 "));
}

TEST(DecodeBody, EmptyBodyIsOnlyMarked) {
  auto a = Decoded({"", "base64", "", "text/plain; charset=utf-8"});
  EXPECT_EQ(a->bDecoded, 1);
  EXPECT_TRUE(a->strBodyW.empty());
}

TEST(DecodeBody, BinaryBase64IsCutAtItsZeroByte) {
  auto a = Decoded({"QUIAQw==", "base64"});
  EXPECT_EQ(a->strBody, "AB");
  EXPECT_EQ(a->strBodyW, u"AB");
  // A zero byte first leaves nothing.
  EXPECT_EQ(Decoded({"AEE=", "base64"})->strBody, "");
}

// Text that decodes to nothing is kept as it was stored.
TEST(DecodeBody, NothingDecodedKeepsTheStoredText) {
  EXPECT_EQ(Decoded({"***\r\n", "base64"})->strBody, "***\r\n");
  EXPECT_EQ(Decoded({"=\r\n", "", "quoted-printable"})->strBody, "=\r\n");
  EXPECT_EQ(Decoded({"=\r\n", "", "quoted-printable"})->strBodyW, u"=\r\n");
}

TEST(DecodeBody, ReaderUnderTheLockSeesWholeValues) {
  tagMailItem item;
  item.strBody = "5L2g5aW9";
  item.strTransferEncoding = "base64";
  item.strContentType = "text/plain; charset=utf-8";
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done.load()) {
      auto lock = item.Lock();
      if (item.bDecoded) {
        EXPECT_EQ(item.strBodyW, U("你好"));
      } else {
        EXPECT_EQ(item.strBody, "5L2g5aW9");
      }
    }
  });
  item.DecodeBody();
  done = true;
  reader.join();
  EXPECT_EQ(item.strBodyW, U("你好"));
}

}  // namespace
