// The records of a scan do not depend on where chunks begin and end, nor on where in the
// source the messages sit.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/scan_driver.h"
#include "tests/scan/scan_fixture.h"

namespace {

std::string MixedMail(const std::string& subject) {
  return CrLf({"Delivered-To: b@example.com",
               "Received: from mx by mail; Tue, 5 Mar 2013 09:08:07 +0800",
               "From: =?gb2312?B?1cXI/Q==?= <zhang@example.cn>",
               "To: b@example.com",
               "Subject: " + subject,
               "Date: Tue, 5 Mar 2013 09:08:07 +0800",
               "X-Priority: 1",
               "Content-Type: multipart/mixed;",
               "\tboundary=\"----=_NextPart_000_0001\"",
               "",
               "------=_NextPart_000_0001",
               "Content-Type: text/plain;",
               "\tcharset=\"gb2312\"",
               "Content-Transfer-Encoding: base64",
               "",
               "xOO6w6Os0ruw4w==",
               "",
               "------=_NextPart_000_0001",
               "Content-Type: application/octet-stream; name=\"a.txt\"",
               "Content-Transfer-Encoding: base64",
               "Content-Disposition: attachment; filename=\"a.txt\"",
               "",
               "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAxMjM0",
               "NTY3ODk=",
               "",
               "------=_NextPart_000_0001--",
               ""});
}

std::string AlternativeMail(const std::string& subject) {
  return CrLf({"Received: from a by b",
               "From: a@example.org",
               "To: b@example.com",
               "Cc: c@example.com",
               "Subject: =?utf-8?B?5L2g5aW9?=",
               " =?utf-8?B?" + std::string("5LiW55WM") + "?= " + subject,
               "Date: Wed, 6 Mar 2013 10:00:00 +0000",
               "Content-Type: multipart/mixed; boundary=\"M\"",
               "",
               "--M",
               "Content-Type: multipart/alternative;",
               "\tboundary=\"A\"",
               "",
               "--A",
               "Content-Type: text/plain; charset=\"utf-8\"",
               "Content-Transfer-Encoding: quoted-printable",
               "",
               "caf=C3=A9 =",
               "=3D ok",
               "",
               "--A",
               "Content-Type: text/html; charset=\"utf-8\"",
               "",
               "<p>caf&eacute;</p>",
               "",
               "--A--",
               "",
               "--M",
               "Content-Type: image/png; name=\"p.png\"",
               "Content-Transfer-Encoding: base64",
               "Content-Disposition: attachment;",
               "\tfilename=\"p.png\"",
               "",
               "iVBORw0KGgo=",
               "",
               "--M--",
               ""});
}

// Puts `mail` so that the byte at `mark` + `into` in it lands on `target`.
void PutAcross(CImage& img, const std::string& mail, const std::string& mark, size_t into, size_t target) {
  const size_t at = mail.find(mark);
  ASSERT_NE(at, std::string::npos) << mark;
  img.Put(target - at - into, "\r\n" + mail);
}

// Messages placed so that lines, folded fields, part boundaries and bodies straddle the
// 8-sector and 3-sector chunk boundaries, plus .dbx blocks and long headers.
CImage Corpus() {
  CImage img;
  img.Put(0, PlainMail("at the very start"));
  PutAcross(img, PlainMail("received straddles"), "Received: ", 5, 1 * 4096);
  PutAcross(img, MixedMail("folded boundary straddles"), "\tboundary=", 3, 3 * 4096);
  PutAcross(img, MixedMail("base64 straddles"), "QUJDREVGR0hJ", 40, 5 * 4096);
  PutAcross(img, AlternativeMail("continuation straddles"), " =?utf-8?B?5LiW", 4, 7 * 4096);
  PutAcross(img, AlternativeMail("boundary line straddles"), "--A\r\nContent-Type: text/html", 2, 9 * 4096);
  PutAcross(img, PlainMail("crlf straddles"), "Received: ", 0, 11 * 4096 + 1);  // CR and LF on both sides
  img.PutDbx(13 * 4096 + 64, MixedMail("stored in dbx blocks"));
  img.PutDbx(15 * 4096 + 1000, AlternativeMail("dbx alternative"));
  img.PutNoise(18 * 4096, 4096, 3);
  img.Put(19 * 4096, PlainMail("after noise"));
  img.PadToSectors(img.bytes.size() / 512 + 70);
  return img;
}

class Chunking : public ScanTest {};

TEST_F(Chunking, CorpusIsFoundWhole) {
  const auto mails = ScanImage(Corpus(), kChunkSectors);
  ASSERT_EQ(mails.size(), 10u) << DescribeAll(mails);
  // Spot checks: the mixed message's attachment, the alternative's attachment after the
  // passed-over HTML part.
  EXPECT_EQ(mails[2]->strSubject, "folded boundary straddles");
  EXPECT_EQ(mails[2]->nPriority, 1);
  ASSERT_TRUE(mails[2]->pPendingAttachments) << Describe(*mails[2]);
  EXPECT_EQ((*mails[2]->pPendingAttachments)[0].nSize, 62);
  ASSERT_TRUE(mails[4]->pPendingAttachments) << Describe(*mails[4]);
  EXPECT_EQ((*mails[4]->pPendingAttachments)[0].strName, "p.png");
  EXPECT_EQ((*mails[4]->pPendingAttachments)[0].nSize, 8);
  ASSERT_TRUE(mails[7]->pPendingAttachments) << Describe(*mails[7]);
  EXPECT_EQ((*mails[7]->pPendingAttachments)[0].nSize, 62);
  EXPECT_EQ(mails[7]->nSector, (13u * 4096 + 64 + 16 + 29) / 512);  // Received is the second line
}

TEST_F(Chunking, SameRecordsForAnyChunkSize) {
  const CImage img = Corpus();
  const std::string whole = DescribeAll(ScanImage(img, kChunkSectors));
  g_MailStore.FreeAll();
  for (const uint32_t chunk : {8u, 3u}) {
    EXPECT_EQ(DescribeAll(ScanImage(img, chunk)), whole) << "chunks of " << chunk << " sectors";
    g_MailStore.FreeAll();
  }
}

TEST_F(Chunking, ShiftedBySectorsMovesOnlyTheSectors) {
  const CImage img = Corpus();
  const auto base = ScanImage(img, 8);
  std::vector<std::string> expected;
  std::vector<uint64_t> sectors;
  for (const tagMailItem* m : base) {
    sectors.push_back(m->nSector);
    std::string d = Describe(*m);
    expected.push_back(d.substr(d.find('\n')));
  }
  g_MailStore.FreeAll();
  for (const size_t shift : {1u, 5u, 8u, 13u}) {
    CImage moved;
    moved.bytes = std::string(shift * 512, '\0') + img.bytes;
    const auto mails = ScanImage(moved, 8);
    ASSERT_EQ(mails.size(), expected.size()) << "shift " << shift;
    for (size_t i = 0; i < mails.size(); ++i) {
      EXPECT_EQ(mails[i]->nSector, sectors[i] + shift) << "shift " << shift << " record " << i;
      const std::string d = Describe(*mails[i]);
      EXPECT_EQ(d.substr(d.find('\n')), expected[i]) << "shift " << shift << " record " << i;
    }
    g_MailStore.FreeAll();
  }
}

}  // namespace
