#include <gtest/gtest.h>

#include <string>

#include "tools/mkimage/message_info.h"

using namespace mkimage;

namespace {

const std::string kMulti =
    "Return-Path: <a@example.com>\r\n"
    "Received: from one.example.net\r\n"
    "From: early@example.com\r\n"
    "Received: from two.example.net\r\n"
    "\tby mx.example.com\r\n"
    "To: b@example.org\r\n"
    "From: a@example.com\r\n"
    "From: second@example.com\r\n"
    "Subject: =?utf-8?B?5L2g?=\r\n"
    " =?utf-8?B?5aW9?=\r\n"
    "Date: Tue,\t05 Mar 2013 09:08:07 +0800\r\n"
    "X-Priority: 1 (Highest)\r\n"
    "X-Attachment: plan.doc, 2048\r\n"
    "X-Attachment: nosize.doc\r\n"
    "Content-Type: multipart/mixed;\r\n"
    "\tboundary=\"XYZ\"\r\n"
    "\r\n"
    "--XYZ\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "\r\n"
    "Hello.\r\n"
    "--XYZ\r\n"
    "Content-Type: application/octet-stream; name=\"a.bin\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"a.bin\"\r\n"
    "\r\n"
    "AAECAwQF\r\n"
    "Bg==\r\n"
    "\r\n"
    "--XYZ\r\n"
    "Content-Type: image/png\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: inline; filename=pic.png\r\n"
    "\r\n"
    "AAAA\r\n"
    "--XYZ--\r\n";

}  // namespace

// Fields come after the last "Received: " line; the first non-empty one wins; a tab ends a value.
TEST(MessageInfo, HeaderFieldsAfterTheLastReceivedLine) {
  const MessageInfo info = AnalyseMessage(kMulti);
  EXPECT_EQ(info.nLastReceived, kMulti.find("Received: from two"));
  EXPECT_EQ(info.nHeaderEnd, kMulti.find("\r\n\r\n") + 2);
  EXPECT_EQ(info.strFrom, "a@example.com");
  EXPECT_EQ(info.strTo, "b@example.org");
  EXPECT_EQ(info.strDate, "Tue,");
  EXPECT_EQ(info.strPriority, "1 (Highest)");
  EXPECT_EQ(info.strSubject, "=?utf-8?B?5L2g?=");
  EXPECT_TRUE(info.bSubjectFolded);
  EXPECT_EQ(info.strSubjectUnfolded, "=?utf-8?B?5L2g?= =?utf-8?B?5aW9?=");
  EXPECT_EQ(info.strBoundary, "XYZ");
  EXPECT_TRUE(info.Recognisable());
  ASSERT_EQ(info.xAttachments.size(), 1u);
  EXPECT_EQ(info.xAttachments[0].strName, "plan.doc");
  EXPECT_EQ(info.xAttachments[0].nSize, 2048u);
}

TEST(MessageInfo, AttachmentsWithDecodedSizesAndTheListingTest) {
  const MessageInfo info = AnalyseMessage(kMulti);
  ASSERT_EQ(info.attachments.size(), 2u);
  EXPECT_EQ(info.attachments[0].strName, "a.bin");
  EXPECT_EQ(info.attachments[0].nSize, 7u);
  EXPECT_EQ(info.attachments[0].strEncoding, "base64");
  EXPECT_TRUE(info.attachments[0].bListed);
  EXPECT_EQ(info.attachments[0].nPartStart, kMulti.find("--XYZ\r\nContent-Type: application"));
  // Inline: no "attachment" among its header lines, so a scan does not list it.
  EXPECT_EQ(info.attachments[1].strName, "pic.png");
  EXPECT_FALSE(info.attachments[1].bListed);
  EXPECT_EQ(info.partHeaders.size(), 3u);
}

TEST(MessageInfo, NestedMultipartAndQuotedPrintableSizes) {
  const std::string m =
      "Received: from x\r\nFrom: a@x\r\nTo: b@x\r\nDate: Tue, 05 Mar 2013 09:08:07 +0800\r\n"
      "Content-Type: multipart/mixed; boundary=outer\r\n\r\n"
      "--outer\r\nContent-Type: multipart/alternative; boundary=\"inner\"\r\n\r\n"
      "--inner\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
      "--inner\r\nContent-Type: text/html\r\n\r\n<p>html</p>\r\n--inner--\r\n\r\n"
      "--outer\r\nContent-Type: text/plain; name=n.txt\r\nContent-Transfer-Encoding: quoted-printable\r\n"
      "Content-Disposition: attachment; filename=n.txt\r\n\r\nab=3Dc=\r\nd\r\n--outer--\r\n";
  const MessageInfo info = AnalyseMessage(m);
  EXPECT_EQ(info.strBoundary, "outer");
  ASSERT_EQ(info.attachments.size(), 1u);
  EXPECT_EQ(info.attachments[0].strName, "n.txt");
  EXPECT_EQ(info.attachments[0].nSize, 5u);  // "ab=cd"
  EXPECT_TRUE(info.attachments[0].bListed);
}

TEST(MessageInfo, WithoutReceivedOrLineBreaksNothingIsRecognisable) {
  EXPECT_FALSE(AnalyseMessage("From: a@x\r\nTo: b@x\r\nDate: Tue, 05 Mar 2013\r\n\r\nbody\r\n").Recognisable());
  EXPECT_FALSE(AnalyseMessage("Received: x\nFrom: a@x\nTo: b@x\nDate: Tue, 05 Mar 2013\n\nbody\n").Recognisable());
  EXPECT_TRUE(
      AnalyseMessage(ToCrlf("Received: x\nFrom: a@x\nTo: b@x\nDate: Tue, 05 Mar 2013\n\nbody\n")).Recognisable());
  // "Received:" without its blank is no mark.
  EXPECT_FALSE(AnalyseMessage("Received:x\r\nFrom: a@x\r\nTo: b@x\r\nDate: d\r\n\r\n").Recognisable());
}

TEST(MessageInfo, ToCrlfKeepsExistingPairs) {
  EXPECT_EQ(ToCrlf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(ToCrlf("\n"), "\r\n");
}
