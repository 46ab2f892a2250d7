#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/body_tracker.h"
#include "scan/scan_driver.h"
#include "tests/scan/scan_fixture.h"

namespace {

class BodyTracker : public ScanTest {
 protected:
  // Scans `mail` followed by a second message (so that the first one is decoded and
  // closed) and returns the first record.
  tagMailItem* ScanOne(const std::string& mail) {
    CImage img;
    img.Put(0, mail + PlainMail("next"));
    mails = ScanImage(img, kChunkSectors);
    EXPECT_EQ(mails.size(), 2u) << DescribeAll(mails);
    return mails.empty() ? nullptr : mails[0];
  }
  std::vector<tagMailItem*> mails;
};

std::string MultipartHead(const std::string& type, const std::string& boundaryParam) {
  return CrLf({"Received: from a by b", "From: a@example.org", "To: b@example.com", "Subject: parts",
               "Date: Tue, 5 Mar 2013 09:08:07 +0800", "MIME-Version: 1.0",
               "Content-Type: " + type + "; " + boundaryParam, ""});
}

std::string AttachmentPart(const std::string& b, const std::string& name, const std::string& base64) {
  return CrLf({"--" + b, "Content-Type: application/octet-stream; name=\"" + name + "\"",
               "Content-Transfer-Encoding: base64", "Content-Disposition: attachment; filename=\"" + name + "\"", "",
               base64, ""});
}

std::string TextPart(const std::string& b, const std::string& text) {
  return CrLf(
      {"--" + b, "Content-Type: text/plain; charset=\"us-ascii\"", "Content-Transfer-Encoding: 7bit", "", text, ""});
}

TEST_F(BodyTracker, SinglePartLinesJoinedWithEmptyLinesKept) {
  tagMailItem* m = ScanOne(PlainMail("plain", "first\r\nsecond\r\n\r\nafter one\r\n\r\n\r\nafter two\r\n"));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->strBody, "first\r\nsecond\r\n\r\nafter one\r\n\r\n\r\nafter two");
  EXPECT_EQ(m->bDecoded, 1);
}

TEST_F(BodyTracker, SinglePartWithoutCharsetOrEncodingIsPlainText) {
  std::string mail = PlainMail("bare", "only line\r\n");
  mail.erase(mail.find("Content-Type: "),
             mail.find("\r\n", mail.find("Content-Type: ")) + 2 - mail.find("Content-Type: "));
  tagMailItem* m = ScanOne(mail);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->strPartType, "text/plain");
  EXPECT_EQ(m->strPartEncoding, "8bit");
  EXPECT_EQ(m->strBody, "only line");
}

TEST_F(BodyTracker, QuotedPrintableSoftBreakJoinsLines) {
  std::string mail = PlainMail("qp", "caf=\r\n=C3=A9 au lait\r\nnext=\r\nline\r\n");
  mail.insert(mail.find("\r\n\r\n") + 2, "Content-Transfer-Encoding: quoted-printable\r\n");
  CImage img;
  img.Put(0, mail);  // the last record stays undecoded: its collected text can be seen
  const auto found = ScanImage(img, kChunkSectors);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0]->strBody, "caf==C3=A9 au lait\r\nnext=\r\nline");
}

TEST_F(BodyTracker, HtmlThenPlainTakesThePlainPart) {
  const std::string b = "ALT";
  const std::string mail = MultipartHead("multipart/alternative", "boundary=\"" + b + "\"") +
                           CrLf({"--" + b, "Content-Type: text/html; charset=\"us-ascii\"", "", "<p>html</p>", ""}) +
                           TextPart(b, "plain text") + CrLf({"--" + b + "--", ""});
  tagMailItem* m = ScanOne(mail);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->strPartType, "text/plain; charset=\"us-ascii\"");
  EXPECT_EQ(m->strPartEncoding, "7bit");
  EXPECT_EQ(m->strBodyW, u"plain text");
}

TEST_F(BodyTracker, TwoAttachmentsWithDecodedSizes) {
  const std::string b = "MIX";
  const std::string mail = MultipartHead("multipart/mixed", "boundary=" + b) + TextPart(b, "see attached") +
                           AttachmentPart(b, "a.bin", "QUJD") + AttachmentPart(b, "b.bin", "QUJDREVGRw==") +
                           CrLf({"--" + b + "--", ""});
  tagMailItem* m = ScanOne(mail);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->strBoundary, "MIX");
  EXPECT_EQ(m->strBodyW, u"see attached");
  ASSERT_TRUE(m->pPendingAttachments);
  ASSERT_EQ(m->pPendingAttachments->size(), 2u);
  EXPECT_EQ((*m->pPendingAttachments)[0].strName, "a.bin");
  EXPECT_EQ((*m->pPendingAttachments)[0].nSize, 3);
  EXPECT_EQ((*m->pPendingAttachments)[0].strEncoding, "Content-Transfer-Encoding: base64");
  EXPECT_EQ((*m->pPendingAttachments)[1].strName, "b.bin");
  EXPECT_EQ((*m->pPendingAttachments)[1].nSize, 7);
  // Listing the record moves them to pAttachments.
  m->MergePendingAttachments();
  EXPECT_FALSE(m->pPendingAttachments);
  ASSERT_TRUE(m->pAttachments);
  EXPECT_EQ(m->pAttachments->size(), 2u);
}

TEST_F(BodyTracker, ShortAttachmentDataPassesOverTheNextBoundary) {
  // Three bytes of data when the empty line comes: the part stays open, the next part's
  // boundary line is passed over, and its data is counted for the first part.
  const std::string b = "MIX";
  const std::string mail = MultipartHead("multipart/mixed", "boundary=\"" + b + "\"") + TextPart(b, "text") +
                           AttachmentPart(b, "a.bin", "QQ=") + AttachmentPart(b, "b.bin", "QUJDREVG") +
                           CrLf({"--" + b + "--", ""});
  tagMailItem* m = ScanOne(mail);
  ASSERT_TRUE(m);
  ASSERT_TRUE(m->pPendingAttachments);
  ASSERT_EQ(m->pPendingAttachments->size(), 1u);
  EXPECT_EQ((*m->pPendingAttachments)[0].strName, "a.bin");
  EXPECT_EQ((*m->pPendingAttachments)[0].nSize, 6);
}

TEST_F(BodyTracker, HtmlAlternativeIsPassedOverAndAttachmentsAfterItListed) {
  const std::string mail = MultipartHead("multipart/mixed", "boundary=\"MIX\"") +
                           CrLf({"--MIX", "Content-Type: multipart/alternative;", "\tboundary=\"ALT\"", ""}) +
                           CrLf({"--ALT", "Content-Type: text/plain; charset=\"utf-8\"",
                                 "Content-Transfer-Encoding: base64", "", "SGVsbG8gd29ybGQ=", ""}) +
                           CrLf({"--ALT", "Content-Type: text/html; charset=\"utf-8\"",
                                 "Content-Transfer-Encoding: base64", "", "PGI+SGVsbG88L2I+", ""}) +
                           CrLf({"--ALT--", ""}) + AttachmentPart("MIX", "report.pdf", "QUJDREVGR0g=") +
                           AttachmentPart("MIX", "=?utf-8?B?5oql5ZGKLmRvYw==?=", "QUI=") + CrLf({"--MIX--", ""});
  tagMailItem* m = ScanOne(mail);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->strBoundary2, "ALT");
  EXPECT_EQ(m->strPartEncoding, "base64");
  EXPECT_EQ(m->strBodyW, u"Hello world");
  ASSERT_TRUE(m->pPendingAttachments);
  ASSERT_EQ(m->pPendingAttachments->size(), 2u);
  EXPECT_EQ((*m->pPendingAttachments)[0].strNameW, u"report.pdf");
  EXPECT_EQ((*m->pPendingAttachments)[0].nSize, 8);
  EXPECT_EQ((*m->pPendingAttachments)[1].strNameW, u"报告.doc");
  EXPECT_EQ((*m->pPendingAttachments)[1].nSize, 2);
}

TEST_F(BodyTracker, NewMessageDuringAnAttachmentClosesTheRecord) {
  const std::string b = "MIX";
  // The attachment's data runs into the next message's Delivered-To line.
  const std::string mail =
      MultipartHead("multipart/mixed", "boundary=\"" + b + "\"") + TextPart(b, "text") +
      CrLf({"--" + b, "Content-Type: application/zip; name=\"z.zip\"", "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment; filename=\"z.zip\"", "", "QUJDRA==", "Delivered-To: b@example.com"});
  tagMailItem* m = ScanOne(mail);
  ASSERT_TRUE(m);
  ASSERT_TRUE(m->pAttachments);  // moved from the pending list when the record was closed
  ASSERT_EQ(m->pAttachments->size(), 1u);
  EXPECT_EQ((*m->pAttachments)[0].nSize, 4);
}

TEST_F(BodyTracker, EmptyLineAndNextMessageEndAnAttachment) {
  const std::string b = "MIX";
  // No closing boundary: the attachment's empty line is followed by the next message.
  tagMailItem* m = ScanOne(MultipartHead("multipart/mixed", "boundary=\"" + b + "\"") + TextPart(b, "text") +
                           AttachmentPart(b, "a.bin", "QUJDREVG"));
  ASSERT_TRUE(m);
  ASSERT_TRUE(m->pAttachments);
  ASSERT_EQ(m->pAttachments->size(), 1u);
  EXPECT_EQ((*m->pAttachments)[0].nSize, 6);
}

TEST_F(BodyTracker, BodyPastTheLimitEndsAtTheNextLine) {
  std::string body;
  while (body.size() < kMaxBodyBytes + 1000) body += std::string(70, 'b') + "\r\n";
  tagMailItem* m = ScanOne(PlainMail("big", body));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->bDecoded, 1);
  EXPECT_GT(m->strBody.size(), kMaxBodyBytes);
  EXPECT_LE(m->strBody.size(), kMaxBodyBytes + 72);
}

// IsAttachmentPart on a part's header lines, padded for its line reads.
bool IsAttachment(const std::string& text, tagPartInfo& part) {
  std::vector<char> buf(text.size() + 4096, '\0');
  std::copy(text.begin(), text.end(), buf.begin());
  return IsAttachmentPart(buf.data(), part);
}

TEST(PartHeaders, NeedsEncodingAttachmentAndFileName) {
  tagPartInfo part;
  EXPECT_TRUE(IsAttachment(CrLf({"--B", "Content-Type: application/pdf", "Content-Transfer-Encoding: base64",
                                 "Content-Disposition: attachment;", "\tfilename=r.pdf", ""}),
                           part));
  EXPECT_EQ(part.strName, "r.pdf");  // unquoted: the first byte stays
  EXPECT_EQ(part.strEncoding, "Content-Transfer-Encoding: base64");
  EXPECT_FALSE(IsAttachment(CrLf({"--B", "Content-Type: application/pdf",
                                  "Content-Disposition: attachment; "
                                  "filename=\"r.pdf\"",
                                  ""}),
                            part));
  EXPECT_FALSE(IsAttachment(CrLf({"--B", "Content-Type: image/png; name=\"i.png\"", "Content-Transfer-Encoding: base64",
                                  "Content-Disposition: inline; filename=\"i.png\"", ""}),
                            part));
}

TEST(PartHeaders, OnlySevenLinesUpToTheFirstEmptyOneAreRead) {
  tagPartInfo part;
  const std::string head = CrLf({"--B", "Content-Transfer-Encoding: base64", "Content-Disposition: attachment;"});
  EXPECT_TRUE(IsAttachment(head + CrLf({"X-1: 1", "X-2: 2", "X-3: 3", "\tfilename=\"spaced.txt\" "}), part));
  EXPECT_EQ(part.strName, "spaced.txt");
  EXPECT_FALSE(IsAttachment(head + CrLf({"X-1: 1", "X-2: 2", "X-3: 3", "X-4: 4", "\tfilename=x.txt"}), part));
  EXPECT_FALSE(IsAttachment(head + CrLf({"", "\tfilename=x.txt"}), part));
}

}  // namespace
