#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "scan/folders.h"
#include "scan/header_reader.h"
#include "scan/recogniser.h"
#include "scan/scan_state.h"
#include "source/utf.h"
#include "tests/scan/scan_fixture.h"

namespace {

class Recogniser : public ScanTest {};

TEST_F(Recogniser, ReceivedAfterLineBreakStartsAMessageInAnyCase) {
  CImage img;
  std::string mail = PlainMail("upper");
  mail.replace(0, 10, "RECEIVED: ");
  img.Put(100, "junk\r\n" + mail);
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]->strSubject, "upper");
  EXPECT_EQ(mails[0]->nSector, 0u);
}

TEST_F(Recogniser, ReceivedWithoutItsBlankIsNoMessage) {
  CImage img;
  std::string mail = PlainMail("none");
  mail.replace(0, 10, "Received:x");
  img.Put(100, "junk\r\n" + mail);
  EXPECT_TRUE(ScanImage(img, kChunkSectors).empty());
}

TEST_F(Recogniser, MessageWithoutReceivedIsNotFound) {
  CImage img;
  const std::string mail = PlainMail("x");
  img.Put(100, "junk\r\n" + mail.substr(mail.find("\r\n") + 2));
  EXPECT_TRUE(ScanImage(img, kChunkSectors).empty());
}

TEST_F(Recogniser, MessageStartsAtASectorStartAfterZerosAndAfterData) {
  CImage img;
  img.Put(3 * 512, PlainMail("at sector 3"));  // at a sector start, zeros before
  img.PutNoise(10 * 512 - 100, 100, 1);        // noise up to the sector start
  img.Put(10 * 512, PlainMail("after noise"));
  img.Put(20 * 512 + 77, PlainMail("after zeros"));  // unaligned, right after zero bytes
  img.PutNoise(30 * 512, 300, 2);
  img.Put(30 * 512 + 300, PlainMail("glued to noise"));  // neither: not found
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 3u) << DescribeAll(mails);
  EXPECT_EQ(mails[0]->nSector, 3u);
  EXPECT_EQ(mails[1]->nSector, 10u);
  EXPECT_EQ(mails[2]->nSector, 20u);
  EXPECT_EQ(mails[2]->strSubject, "after zeros");
}

TEST_F(Recogniser, NothingIsFoundInNoiseAndZeros) {
  CImage img;
  img.PutNoise(0, 64 * 512, 7);
  img.PadToSectors(200);
  img.Put(150 * 512 + 3, "\r\nReceived: from nowhere\r\nSubject: lonely\r\n\r\n");
  EXPECT_TRUE(ScanImage(img, kChunkSectors).empty());
}

TEST_F(Recogniser, LastReceivedLineGivesTheSector) {
  CImage img;
  img.Put(0, CrLf({"Return-Path: <a@example.org>", "Received: from a", "\tby b"}));
  img.Put(512 * 2 + 8, "\r\n" + PlainMail("two hops"));  // the last Received line in sector 2
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]->nSector, 2u);
}

// A header of `headerBytes` bytes from its Received line to its blank line.
std::string LongHeaderMail(size_t headerBytes) {
  std::string h = CrLf({"Received: from a by b", "From: a@example.org", "To: b@example.com",
                        "Date: Tue, 5 Mar 2013 09:08:07 +0800", "Subject: long"});
  auto filler = [](size_t n) { return "X-Filler: " + std::string(n - 12, 'f') + "\r\n"; };
  while (headerBytes - h.size() > 200) h += filler(100);
  const size_t rest = headerBytes - h.size();
  h += filler(rest / 2) + filler(rest - rest / 2);
  return h + "\r\nbody\r\n";
}

TEST_F(Recogniser, HeaderMustCompleteWithinItsWindow) {
  const size_t window = kHeaderWindowSectors * 512;
  for (const uint32_t chunk : {kChunkSectors, 8u}) {
    CImage img;
    img.Put(512, LongHeaderMail(window + 511));        // blank line in the window's last sector
    img.Put(200 * 512, LongHeaderMail(window + 512));  // blank line one sector too far
    const auto mails = ScanImage(img, chunk);
    ASSERT_EQ(mails.size(), 1u) << "chunk " << chunk;
    EXPECT_EQ(mails[0]->nSector, 1u);
    g_MailStore.FreeAll();
  }
}

TEST_F(Recogniser, DbxBlockHeaderInsideAHeaderLine) {
  // A Return-Path line long enough that the Subject line starts 10 bytes before the end of
  // the first 512-byte data block: the next block's header splits it.
  const std::string subject = "split by a block header of the store";
  const size_t at = PlainMail(subject).find("Subject: ");
  const std::string mail = CrLf({"Return-Path: <" + std::string(502 - at - 17, 'r') + ">"}) + PlainMail(subject);
  ASSERT_EQ(mail.find("Subject: "), 502u);
  CImage img;
  img.PutDbx(0x4000, mail);
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]->strSubject, subject);
  EXPECT_EQ(mails[0]->strBody, "Hello\r\nWorld");
}

TEST_F(Recogniser, DbxMessageStartingRightAfterItsBlockHeader) {
  CImage img;
  img.PutDbx(0x4000 + 64, PlainMail("first line after the block header"));
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]->nSector, 0x4000u / 512);
}

TEST_F(Recogniser, NextMessageDecodesAndClosesThePrevious) {
  CImage img;
  img.Put(0, PlainMail("one", "=?not decoded?=\r\nsecond line\r\n") + PlainMail("two"));
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_EQ(mails[0]->bDecoded, 1);
  EXPECT_EQ(mails[0]->strBody, "=?not decoded?=\r\nsecond line");
  EXPECT_EQ(mails[0]->strBodyW, u"=?not decoded?=\r\nsecond line");
  // The last record is still open when the scan ends: not decoded.
  EXPECT_EQ(mails[1]->bDecoded, 0);
  EXPECT_EQ(mails[1]->strBody, "Hello\r\nWorld");
}

TEST_F(Recogniser, ReceivedAfterAnEmptyLineStartsAMessage) {
  CImage img;
  // After a body's empty line, and after a header that never completed.
  img.Put(0, PlainMail("one", "body\r\n\r\n") + PlainMail("two"));
  img.Put(4096, CrLf({"Received: from x", "Subject: incomplete", ""}) + PlainMail("three"));
  const auto mails = ScanImage(img, kChunkSectors);
  ASSERT_EQ(mails.size(), 3u) << DescribeAll(mails);
  EXPECT_EQ(mails[0]->strBody, "body");
  EXPECT_EQ(mails[1]->strSubject, "two");
  EXPECT_EQ(mails[2]->strSubject, "three");
}

TEST_F(Recogniser, ScanReportsEachRecord) {
  CImage img;
  img.Put(0, PlainMail("one"));
  img.Put(4096, PlainMail("two"));
  CRecorderView view;
  const auto mails = ScanImage(img, kChunkSectors, &view);
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_EQ(view.Added(), mails);
  EXPECT_EQ(view.CallsStartingWith("end").back(), "end 2");
  EXPECT_EQ(g_szStatus.Get(), u"找到 2 封邮件");
  EXPECT_EQ(g_pCurrentMail, nullptr);
}

TEST_F(Recogniser, OneConsumerServesTwoScans) {
  // The first scan ends with its record open; the second starts afresh.
  CImage img;
  img.Put(0, PlainMail("only"));
  img.PadToSectors(4);
  g_strSourcePath.Set(Utf8ToU16(dir.WriteFile("twice.img", img.bytes).string()));
  CRecorderView view;
  const ChunkConsumer consume = MakeScanChunkConsumer(&view);
  for (int scan = 0; scan < 2; ++scan) {
    ScanThreadProc(&view, consume, 8);
    const auto mails = g_MailStore.Snapshot();
    ASSERT_EQ(mails.size(), 1u) << "scan " << scan;
    EXPECT_EQ(mails[0]->strBody, "Hello\r\nWorld") << "scan " << scan;
  }
}

// Sets the stop flag when the first record is added.
class StopOnFirstMail : public CRecorderView {
 public:
  void MailAdded(tagFolderItem* f, tagMailItem* m) override {
    CRecorderView::MailAdded(f, m);
    g_bStop = 1;
  }
};

TEST_F(Recogniser, StopEndsTheScanSoonAfterTheChunkThatFoundAMail) {
  // Records made from a chunk are reported at the latest when the chunk after it is done: a
  // stop asked for then ends the scan before the one after that.
  CImage img;
  img.Put(0, PlainMail("one"));
  img.Put(64 * 512, PlainMail("two"));
  img.PadToSectors(72);
  StopOnFirstMail view;
  const auto mails = ScanImage(img, 8, &view);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0]->strSubject, "one");
  EXPECT_EQ(mails[0]->strBody, "Hello\r\nWorld");
  EXPECT_EQ(g_bStop.load(), 0);  // the driver clears it at the end
}

TEST_F(Recogniser, StopLeavesTheOpenRecordOpen) {
  // The first chunk ends inside the first message's body; the stop comes before the second.
  const std::string one = PlainMail("one", std::string(3000, 'x') + "\r\n");
  CImage img;
  img.Put(0, one);
  img.Put(16 * 512, PlainMail("two"));
  img.PadToSectors(24);
  std::string bytes = img.bytes + std::string(kScanLookahead + kScanTailPad, '\0');
  std::atomic<int> stop{0};
  CRecorderView view;
  g_Folders.Reset(u"x");
  CRecogniser r(&view);
  r.ScanChunk(reinterpret_cast<uint8_t*>(bytes.data()), 2 * 512, 0, stop);
  tagMailItem* const open = r.OpenMail();
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(g_MailStore.Count(), 1u);
  const std::string bodySoFar = open->strBody;
  stop = 1;
  r.ScanChunk(reinterpret_cast<uint8_t*>(bytes.data()) + 2 * 512, img.bytes.size() - 2 * 512, 2, stop);
  EXPECT_EQ(r.OpenMail(), open);
  EXPECT_EQ(g_pCurrentMail, open);
  EXPECT_EQ(g_MailStore.Count(), 1u);
  EXPECT_EQ(open->strBody, bodySoFar);
  g_pCurrentMail = nullptr;
}

}  // namespace
