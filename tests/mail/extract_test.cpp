#include "mail/extract.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <atomic>
#include <random>
#include <string>

#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "source/disk.h"
#include "source/utf.h"
#include "tests/mail/stored_mail.h"
#include "tests/support/temp_dir.h"

namespace {

class Extract : public ::testing::Test {
 protected:
  // Reads the record's message back from the image through a source of its own.
  std::string ReadBack(const CImageBuilder& image, const tagMailItem& item) {
    const std::string path = image.WriteTo((m_dir.Path() / "disk.img").string());
    CDisk disk;
    EXPECT_TRUE(disk.Open(Utf8ToU16(path)));
    std::string text = "stale";
    EXPECT_TRUE(ReadStoredMail(item, &disk, nullptr, text));
    return text;
  }
  std::string Noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() % 255 + 1);  // no zero byte
    return s;
  }
  CTempDir m_dir;
};

const std::string kMsgA =
    MakeMessage("Alice <alice@example.org>", "bob@example.net", "Tue, 5 Mar 2013 09:08:07 +0800", "First", 2, 900);
const std::string kMsgB =
    MakeMessage("Carol <carol@example.org>", "dave@example.net", "Wed, 6 Mar 2013 10:00:00 +0800", "Second", 3, 1500);

// A message at any place after free space comes back whole, its first line included, and
// ends where the free space begins.
TEST_F(Extract, WholeMessageAfterZerosAtAnyOffset) {
  for (size_t offset : {0u, 512u, 1024u, 4096u, 4097u, 5000u, 6143u, 20480u + 300u}) {
    CImageBuilder image;
    image.Put(offset, kMsgA);
    image.PadSectors(40);
    EXPECT_EQ(ReadBack(image, *RecordFor(kMsgA, offset)), kMsgA) << "offset " << offset;
  }
}

TEST_F(Extract, MessageAfterNoiseAndLineBreak) {
  CImageBuilder image;
  image.Append(Noise(3000, 1) + "\r\n");
  const size_t at = image.Append(kMsgA);
  image.Append(Noise(2000, 2));
  image.PadSectors();
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgA, at)), kMsgA);
}

// Noise after a message ran on into its file up to the next zero byte: the bytes mail text
// cannot hold end it at the last line break before them.
TEST_F(Extract, NoiseAfterTheMessageIsNotPartOfIt) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    CImageBuilder image;
    image.Put(1000, kMsgB);
    image.Append(Noise(3000, seed));
    image.PadSectors();
    EXPECT_EQ(ReadBack(image, *RecordFor(kMsgB, 1000)), kMsgB) << "seed " << seed;
  }
}

// A message whose only "Received: " line follows other bytes directly starts at that line;
// with several, the first one was lost.
TEST_F(Extract, FirstHeaderLineRightAfterNoiseOrControlBytes) {
  for (const std::string& before : {std::string("\x01\x02"), std::string("\x1f"), Noise(700, 7) + "abc"}) {
    CImageBuilder image;
    image.Put(600, before);
    const size_t at = image.Append(kMsgB);
    image.PadSectors(2);
    EXPECT_EQ(ReadBack(image, *RecordFor(kMsgB, at)), kMsgB);
  }
}

// A lone control byte in real text does not end the message; a few close together neither.
TEST_F(Extract, StrayControlBytesInsideTheBodyAreText) {
  std::string msg = kMsgA;
  const size_t body = msg.find("\r\n\r\n") + 30;
  msg[body] = '\x02';
  msg[body + 300] = '\0';
  msg[body + 600] = '\x1a';
  msg[body + 602] = '\x1a';
  CImageBuilder image;
  image.Put(512, msg);
  image.Append(Noise(2000, 3));
  image.PadSectors(1);
  EXPECT_EQ(ReadBack(image, *RecordFor(msg, 512)), msg);
}

// Header lines before the first "Received: " line (a mailbox's own fields, MIME-Version)
// belong to the message; an mbox envelope line and the empty line before it do not.
TEST_F(Extract, MboxMessagesWithFieldsBeforeTheirReceivedLines) {
  const std::string a = "X-Mozilla-Status: 0001\r\nX-GM-THRID: 1234567890\r\n" + kMsgA;
  const std::string b = "MIME-Version: 1.0\r\nX-Folded: one\r\n two\r\n" + kMsgB;
  const std::string envelope = "From - Tue Mar  5 09:08:07 2013\r\n";
  CImageBuilder image;
  image.Put(0, envelope + a + "\r\n");
  const size_t bAt = image.Append(envelope + b + "\r\n") + envelope.size();
  image.PadSectors(2);
  EXPECT_EQ(ReadBack(image, *RecordFor(a, envelope.size())), a);
  EXPECT_EQ(ReadBack(image, *RecordFor(b, bAt)), b);
}

// A bounce carries the original message's header inside its own multipart: its "Received: "
// lines there cut the bounce short.
TEST_F(Extract, ReceivedLinesInsideAnOpenMultipartAreTheMessages) {
  const std::string bounce =
      "Received: from mx by relay\r\n"
      "From: MAILER-DAEMON@example.org\r\nTo: p@example.org\r\nDate: 4 Apr 2014 04:04:04 +0000\r\n"
      "Content-Type: multipart/report; report-type=delivery-status; boundary=\"RPT\"\r\n\r\n"
      "--RPT\r\nContent-Type: text/plain\r\n\r\nYour message could not be delivered.\r\n"
      "--RPT\r\nContent-Type: message/rfc822\r\n\r\n"
      "Received: from p by mx\r\nFrom: p@example.org\r\nTo: q@example.net\r\n"
      "Date: 3 Apr 2014 03:03:03 +0000\r\nSubject: hello\r\n\r\nhello\r\n"
      "--RPT--\r\n";
  CImageBuilder image;
  image.Put(1536, bounce);
  const size_t next = image.Append(kMsgB);  // the next message right after it still ends it
  image.PadSectors(1);
  auto item = RecordFor(bounce, 1536);
  ASSERT_EQ(item->strBoundary, "RPT");
  EXPECT_EQ(ReadBack(image, *item), bounce);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgB, next)), kMsgB);
}

TEST_F(Extract, BackToBackEndsBeforeTheNextFirstHeaderLine) {
  CImageBuilder image;
  image.Put(700, kMsgA);
  const size_t b = image.Append(kMsgB);
  image.PadSectors(4);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgA, 700)), kMsgA);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgB, b)), kMsgB);
}

// A long chain of "Received: " lines starting more than two sectors before the sector of
// the last one is kept whole.
TEST_F(Extract, LongReceivedChainKept) {
  const std::string msg = MakeMessage("x@example.org", "y@example.org", "1 Jan 2020 00:00:00 +0000", "chain", 14, 300);
  CImageBuilder image;
  image.Put(3000, kMsgB);
  const size_t at = image.Append(msg);
  image.PadSectors(2);
  auto item = RecordFor(msg, at);
  ASSERT_GT(item->nSector * 512, at + 1100);  // the first line lies before the usual window
  EXPECT_EQ(ReadBack(image, *item), msg);
}

// An earlier copy with the same From, To and Date a few sectors before is not the recorded
// message, though the window starts early enough to read it.
TEST_F(Extract, EarlierCopyWithSameFieldsPassedOver) {
  const std::string older = MakeMessage("x@example.org", "y@example.org", "1 Jan 2020 00:00:00 +0000", "draft", 1, 400);
  const std::string newer = MakeMessage("x@example.org", "y@example.org", "1 Jan 2020 00:00:00 +0000", "final", 1, 600);
  CImageBuilder image;
  image.Put(1024, older);
  image.Put(6 * 512, newer);
  image.PadSectors(2);
  EXPECT_EQ(ReadBack(image, *RecordFor(newer, 6 * 512)), newer);
  EXPECT_EQ(ReadBack(image, *RecordFor(older, 1024)), older);
}

// In a .box run two copies with the same fields share a sector: the record's is the one
// whose "Received: " line lies in the record's sector.
TEST_F(Extract, NeighbourWithSameFieldsInTheSameSector) {
  const std::string older = MakeMessage("x@example.org", "y@example.org", "1 Jan 2020 00:00:00 +0000", "one", 1, 300);
  const std::string newer = MakeMessage("x@example.org", "y@example.org", "1 Jan 2020 00:00:00 +0000", "two", 1, 300);
  CImageBuilder image;
  image.Append(BoxSeparator());
  const size_t a = image.Append(older);
  image.Append(BoxSeparator());
  const size_t b = image.Append(newer);
  image.PadSectors(1);
  auto item = RecordFor(newer, b);
  ASSERT_EQ(item->nSector, (a + older.size()) / 512);  // the older one ends in the record's sector
  EXPECT_EQ(ReadBack(image, *item), newer);
  EXPECT_EQ(ReadBack(image, *RecordFor(older, a)), older);
}

TEST_F(Extract, DbxBlocksComeBackWithoutHeaders) {
  CImageBuilder image;
  image.Put(0, std::string(0x24BC, '\x01'));  // the store's own header, before its first block
  const auto posA = image.PutDbx(0x24BC, kMsgA);
  const auto posB = image.PutDbx(image.Bytes().size(), kMsgB);
  image.PadSectors(2);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgA, posA)), kMsgA);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgB, posB)), kMsgB);
}

TEST_F(Extract, BoxSeparatorsEndMessages) {
  CImageBuilder image;
  image.Append(BoxSeparator());
  const size_t a = image.Append(kMsgA);
  image.Append(BoxSeparator());
  const size_t b = image.Append(kMsgB);
  image.Append(BoxSeparator());
  image.PadSectors();
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgA, a)), kMsgA);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgB, b)), kMsgB);
}

TEST_F(Extract, StartSectorZeroOrOneReadsFromTheStart) {
  const std::string one = MakeMessage("a@b.c", "d@e.f", "2 Feb 2012 02:02:02 +0000", "one", 1, 100);
  CImageBuilder image;
  image.Put(0, one);
  image.PadSectors(1);
  auto item = RecordFor(one, 0);
  ASSERT_EQ(item->nSector, 0u);
  EXPECT_EQ(ReadBack(image, *item), one);
  item->nSector = 1;
  EXPECT_EQ(ReadBack(image, *item), one);
}

// A forward quoting another sender's From and Date lines in its body dropped the recorded
// message, and the fallback then saved the message before it under its name.
TEST_F(Extract, QuotedFromAndDateInTheBodyKeepTheMessage) {
  std::string msg = MakeMessage("me@example.org", "you@example.org", "3 Mar 2013 03:03:03 +0000", "fwd", 1, 100);
  msg +=
      "\r\n---- Forwarded ----\r\nFrom: someone.else@example.org\r\nDate: 1 Jan 2001 01:01:01 +0000\r\n"
      "Subject: old\r\n\r\nold text\r\n";
  CImageBuilder image;
  image.Put(0, kMsgA);
  const size_t at = image.Append(msg);
  image.PadSectors(2);
  EXPECT_EQ(ReadBack(image, *RecordFor(msg, at)), msg);
  EXPECT_EQ(ReadBack(image, *RecordFor(kMsgA, 0)), kMsgA);
}

TEST_F(Extract, MultipartHeaderWithBlankLineInside) {
  const std::string msg =
      "Received: from a by b\r\n"
      "From: p@example.org\r\nTo: q@example.org\r\nDate: 4 Apr 2014 04:04:04 +0000\r\n"
      "Content-Type: multipart/mixed; boundary=\"XyZ\"\r\n"
      "\r\n"
      "X-Late-Field: after a blank line\r\n"
      "\r\n"
      "--XyZ\r\nContent-Type: multipart/alternative;\r\n\tboundary=\"inner\"\r\n\r\n"
      "--inner\r\nContent-Type: text/plain\r\n\r\nplain\r\n--inner--\r\n"
      "--XyZ--\r\n";
  CImageBuilder image;
  image.Put(1536, msg);
  image.PadSectors(1);
  auto item = RecordFor(msg, 1536);
  ASSERT_EQ(item->strBoundary, "XyZ");
  EXPECT_EQ(ReadBack(image, *item), msg);
}

// The saved message is the stored bytes: control bytes inside it were once turned into
// spaces, so a message holding them never came back as stored.
TEST_F(Extract, ControlBytesInsideTheMessageAreKeptAsStored) {
  std::string msg = kMsgA;
  const size_t body = msg.find("\r\n\r\n") + 10;
  msg[body] = '\x01';
  msg[body + 1] = '\x07';
  msg[body + 2] = '\x08';
  CImageBuilder image;
  image.Put(512, msg);
  image.PadSectors(1);
  EXPECT_EQ(ReadBack(image, *RecordFor(msg, 512)), msg);
}

TEST_F(Extract, HeaderThatNeverEndsGivesNothing) {
  std::string msg = "Received: from a by b\r\nFrom: a@b.c\r\nTo: d@e.f\r\nDate: 1 Jan 2001 01:01:01 +0000\r\n";
  CImageBuilder image;
  image.Put(512, msg);
  image.PadSectors(1);
  auto item = RecordFor(msg + "\r\n", 512);
  EXPECT_EQ(ReadBack(image, *item), "");
}

TEST_F(Extract, SourceGoneOrStopped) {
  CImageBuilder image;
  image.Put(512, kMsgA);
  image.PadSectors(1);
  const std::string path = image.WriteTo((m_dir.Path() / "gone.img").string());
  auto item = RecordFor(kMsgA, 512);

  g_strSourcePath.Set(Utf8ToU16(path));
  std::string text;
  EXPECT_TRUE(ReadStoredMail(*item, nullptr, nullptr, text));
  EXPECT_EQ(text, kMsgA);

  std::atomic<int> stop{1};
  EXPECT_TRUE(ReadStoredMail(*item, nullptr, &stop, text));
  EXPECT_EQ(text, "");

  std::filesystem::remove(path);
  text = "stale";
  EXPECT_FALSE(ReadStoredMail(*item, nullptr, nullptr, text));
  EXPECT_EQ(text, "");
  g_strSourcePath.Set(u"");
}

// The window grows with the attachments: a message larger than the usual window comes
// back whole when its attachment sizes are known.
TEST_F(Extract, WindowGrowsWithAttachments) {
  std::string msg = MakeMessage("big@example.org", "r@example.org", "5 May 2015 05:05:05 +0000", "big", 1, 700000);
  CImageBuilder image;
  image.Put(1024, msg);
  image.PadSectors(1);
  auto item = RecordFor(msg, 1024);
  EXPECT_LT(ReadBack(image, *item).size(), msg.size());
  item->pAttachments = std::make_unique<tagAttachmentArray>(1);
  (*item->pAttachments)[0].nSize = 400000;
  EXPECT_EQ(ReadBack(image, *item), msg);
}

// The whole window was asked for as "as much as there is" and the lead before the record's
// window was added to it, wrapping around: every long message past sector 17 was cut at
// about 318 KB. Sectors 0-2 have no lead and never showed it.
TEST_F(Extract, LongMessageAfterSectorTwoIsNotCutAtTheQuickSteps) {
  std::string msg = MakeMessage("long@example.org", "r@example.org", "6 Jun 2016 06:06:06 +0000", "long", 1, 340000);
  for (const size_t sector : {3u, 18u, 40u}) {
    CImageBuilder image;
    image.Put(sector * 512, msg);
    image.PadSectors(1);
    auto item = RecordFor(msg, sector * 512);
    item->pAttachments = std::make_unique<tagAttachmentArray>(1);
    (*item->pAttachments)[0].nSize = 250000;
    const std::string text = ReadBack(image, *item);
    EXPECT_EQ(text.size(), msg.size()) << "sector " << sector;
    EXPECT_TRUE(text == msg) << "sector " << sector;
  }
}

#ifndef _WIN32
// A message beyond the first 2 TiB of a (sparse) source is read back from there, not from
// its sector number modulo 2^32.
TEST_F(Extract, MessageBeyondTwoTebibytes) {
  const uint64_t sector = (1ull << 32) + 1000;
  const auto path = m_dir.Path() / "big.img";
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  const bool written = ::pwrite(fd, kMsgA.data(), kMsgA.size(), static_cast<off_t>(sector * 512)) ==
                           static_cast<ssize_t>(kMsgA.size()) &&
                       ::ftruncate(fd, static_cast<off_t>((sector + 2000) * 512)) == 0;
  // The same sector number modulo 2^32 holds another message.
  const bool low = ::pwrite(fd, kMsgB.data(), kMsgB.size(), 1000 * 512) == static_cast<ssize_t>(kMsgB.size());
  ::close(fd);
  if (!written || !low) GTEST_SKIP() << "file system does not take a sparse file this large";
  CDisk disk;
  ASSERT_TRUE(disk.Open(Utf8ToU16(path.string())));
  std::string text;
  EXPECT_TRUE(ReadStoredMail(*RecordFor(kMsgA, sector * 512), &disk, nullptr, text));
  EXPECT_EQ(text, kMsgA);
}
#endif

}  // namespace
