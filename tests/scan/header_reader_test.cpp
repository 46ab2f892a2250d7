#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/folders.h"
#include "scan/header_reader.h"
#include "scan/keywords.h"
#include "scan/scan_state.h"
#include "tests/scan/scan_fixture.h"

namespace {

// Feeds a header's lines to ParseHeaderLine as the recogniser does: each line start after
// a CR LF, advancing by what the reader took. Returns whether and where (the offset of the
// line start) the header completed.
struct HeaderRun {
  tagMailHeader h;
  bool complete = false;
  size_t completeAt = 0;
  ptrdiff_t usedAtEnd = 0;
};

HeaderRun ReadHeader(const std::string& text) {
  std::vector<char> buf(text.size() + 8192, '\0');
  std::copy(text.begin(), text.end(), buf.begin());
  HeaderRun r;
  r.h.bStarted = true;
  CBlockGapCloser gaps;
  size_t pos = 0;
  while (pos + 1 < text.size()) {
    if (!(buf[pos] == '\r' && buf[pos + 1] == '\n')) {
      ++pos;
      continue;
    }
    pos += 2;
    ptrdiff_t used = 0;
    if (ParseHeaderLine(buf.data() + pos, r.h, used, gaps)) {
      r.complete = true;
      r.completeAt = pos;
      r.usedAtEnd = used;
      return r;
    }
    pos += static_cast<size_t>(used + 1);
  }
  return r;
}

// A header after its "Received: " line (which the recogniser consumes).
std::string Header(std::initializer_list<std::string_view> lines) { return "Received: x\r\n" + CrLf(lines); }

TEST(HeaderReader, ToBeforeFromCompletesAtTheBlankLine) {
  const std::string t =
      Header({"To: b@example.com", "Date: 1 Jan 2020 10:00:00 +0000", "From: a@example.com", "", "body"});
  const HeaderRun r = ReadHeader(t);
  ASSERT_TRUE(r.complete);
  EXPECT_EQ(r.completeAt, t.find("\r\n\r\n") + 2);
  EXPECT_EQ(r.usedAtEnd, 0);
  EXPECT_EQ(r.h.strFrom, "a@example.com");
  EXPECT_EQ(r.h.strTo, "b@example.com");
}

TEST(HeaderReader, FirstValueOfEachFieldWins) {
  const HeaderRun r = ReadHeader(Header({"From: first@example.com", "From: second@example.com", "To: t@example.com",
                                         "Subject: one", "Subject: two", "Date: 1 Jan 2020 10:00:00 +0000", ""}));
  ASSERT_TRUE(r.complete);
  EXPECT_EQ(r.h.strFrom, "first@example.com");
  EXPECT_EQ(r.h.strSubject, "one");
}

TEST(HeaderReader, MissingFieldNeverCompletes) {
  EXPECT_FALSE(ReadHeader(Header({"From: a", "Date: 1 Jan 2020 10:00:00 +0000", "", "body", ""})).complete);
}

TEST(HeaderReader, KeywordsIgnoreCaseButNeedTheirBlank) {
  const HeaderRun r = ReadHeader(Header({"FROM: a", "to:b", "TO: c", "date: d", ""}));
  ASSERT_TRUE(r.complete);
  EXPECT_EQ(r.h.strTo, "c");
  EXPECT_EQ(r.h.strDate, "d");
}

TEST(HeaderReader, QuotedBoundaryOnTheContentTypeLine) {
  const HeaderRun r = ReadHeader(Header({"Content-Type: multipart/mixed; boundary=\"XYZ\"", ""}));
  EXPECT_EQ(r.h.strBoundary, "XYZ");
  EXPECT_EQ(r.h.strContentType, "multipart/mixed");
}

TEST(HeaderReader, UnquotedBoundaryKeepsItsFirstByte) {
  const HeaderRun r = ReadHeader(Header({"Content-Type: multipart/mixed; boundary=XYZ", ""}));
  EXPECT_EQ(r.h.strBoundary, "XYZ");
}

TEST(HeaderReader, BoundaryOnTheFoldedSecondLine) {
  const HeaderRun r = ReadHeader(Header({"Content-Type: multipart/alternative;", "\tboundary=\"----=_Part_1\"", ""}));
  EXPECT_EQ(r.h.strBoundary, "----=_Part_1");
  EXPECT_EQ(r.h.strContentType, "multipart/alternative;");
}

TEST(HeaderReader, CharsetOnAFollowingLineExtendsTheType) {
  const HeaderRun r = ReadHeader(Header({"Content-Type: text/plain;", "\tCHARSET=\"GB2312\"", ""}));
  EXPECT_EQ(r.h.strContentType, "text/plain;charset=\"gb2312\"");
}

TEST(HeaderReader, BoundaryLineCompletesAHeaderWithoutBlankLine) {
  // The blank line comes before Date, so the first boundary line completes the header.
  // (The line right after a blank line is not read as a header line.)
  const std::string t = Header({"From: a", "To: b", "Content-Type: multipart/mixed; boundary=\"B1\"", "", "X-Mailer: m",
                                "Date: 1 Jan 2020 10:00:00 +0000", "--B1", "Content-Type: multipart/alternative;",
                                "\tboundary=\"B2\"", ""});
  const HeaderRun r = ReadHeader(t);
  ASSERT_TRUE(r.complete);
  EXPECT_EQ(r.completeAt, t.find("--B1"));
  EXPECT_EQ(r.usedAtEnd, 3);  // the boundary's length + 1
  EXPECT_EQ(r.h.strBoundary2, "B2");
}

TEST(HeaderReader, PriorityAndDateValues) {
  const HeaderRun r = ReadHeader(Header({"X-Priority: 1 (Highest)", "Date: Tue, 5 Mar 2013\t09:08:07", ""}));
  EXPECT_EQ(r.h.strPriority, "1 (Highest)");
  EXPECT_EQ(r.h.strDate, "Tue, 5 Mar 2013");  // a tab ends the value
}

TEST(HeaderReader, XAttachmentNeedsANameAndAPositiveSize) {
  const HeaderRun r = ReadHeader(Header({"X-Attachment: a.doc, 2048", "X-Attachment: b.doc", "X-Attachment: , 10",
                                         "X-Attachment: c.doc, x", "X-Attachment: d.doc, 7", ""}));
  ASSERT_EQ(r.h.arrAttachments.size(), 2u);
  EXPECT_EQ(r.h.arrAttachments[0].strName, "a.doc");
  EXPECT_EQ(r.h.arrAttachments[0].strNameW, u"a.doc");
  EXPECT_EQ(r.h.arrAttachments[0].nSize, 2048);
  EXPECT_EQ(r.h.arrAttachments[1].strName, "d.doc");
  EXPECT_EQ(r.h.arrAttachments[1].nSize, 7);
}

TEST(HeaderReader, FoldedSubjectIsUnfoldedAndTheNextFieldStillRead) {
  const HeaderRun r = ReadHeader(Header({"Subject: =?utf-8?B?5L2g5aW9?=", " =?utf-8?B?5LiW55WM?=", "\tthird part",
                                         "From: a", "To: b", "Date: 1 Jan 2020 10:00:00 +0000", ""}));
  ASSERT_TRUE(r.complete);
  EXPECT_EQ(r.h.strSubject, "=?utf-8?B?5L2g5aW9?= =?utf-8?B?5LiW55WM?= third part");
  EXPECT_EQ(r.h.strFrom, "a");
}

TEST(HeaderReader, SubjectWithEmptyFirstLine) {
  const HeaderRun r = ReadHeader(Header({"Subject:", "From: a", "Subject: ", " folded", "To: b", ""}));
  EXPECT_EQ(r.h.strSubject, "folded");
  EXPECT_EQ(r.h.strTo, "b");
}

class MakeMail : public ScanTest {};

TEST_F(MakeMail, FillsTheRecordFromTheHeader) {
  tagMailHeader h;
  h.strFrom = "\"Alice\" <alice@example.org>";
  h.strTo = "bob@example.com";
  h.strSubject = "Hi";
  h.strDate = "Tue, 5 Mar 2013 09:08:07 +0800";
  h.strPriority = "2 (High)";
  h.strBoundary = "B";
  h.nSector = 5000000000ull;
  h.arrAttachments.push_back(tagAttachment{"a.doc", u"a.doc", "", 2048});
  std::unique_ptr<tagMailItem> m(MakeMailItem(h));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->nSector, 5000000000ull);
  EXPECT_EQ(m->nPriority, 2);
  EXPECT_EQ(m->strDate, "2013-03-05 09:08:07");
  EXPECT_EQ(m->strSubjectW, u"Hi");
  EXPECT_EQ(m->strToW, u"bob@example.com");
  ASSERT_TRUE(m->pAttachments);
  EXPECT_EQ(m->pAttachments->at(0).nSize, 2048);
  EXPECT_FALSE(m->pPendingAttachments);
}

TEST_F(MakeMail, EmptySubjectShowsNoSubjectText) {
  tagMailHeader h;
  h.strFrom = "a";
  h.strTo = "b";
  h.strDate = "d";
  std::unique_ptr<tagMailItem> m(MakeMailItem(h));
  EXPECT_EQ(m->strSubject, "");
  EXPECT_EQ(m->strSubjectW, u"（无主题）");
  EXPECT_EQ(m->nPriority, 0);
}

// Line breaks an encoded subject decodes to are cut at both ends only; one that is nothing
// else shows the no-subject text.
TEST_F(MakeMail, SubjectLosesLineBreaksAtItsEnds) {
  struct Case {
    const char* subject;
    const char16_t* shown;
  };
  for (const auto& [subject, shown] : {Case{"=?us-ascii?Q?=0D=0AHi=0Athere=0D=0A=0A?=", u"Hi\nthere"},
                                       Case{"=?us-ascii?Q?=0A=0D=0A?=", u"（无主题）"}, Case{"Hi", u"Hi"}}) {
    tagMailHeader h;
    h.strFrom = "a";
    h.strTo = "b";
    h.strDate = "d";
    h.strSubject = subject;
    std::unique_ptr<tagMailItem> m(MakeMailItem(h));
    EXPECT_EQ(m->strSubjectW, std::u16string(shown)) << subject;
  }
}

TEST_F(MakeMail, PublishingCountsAndReports) {
  CRecorderView view;
  g_Folders.Reset(u"img");
  g_nMailCount = 0;
  g_bUnsaved = 0;
  tagMailHeader h;
  h.strFrom = "a";
  h.strTo = "b";
  h.strDate = "d";
  tagOpenMail open;
  tagMailItem* m = MakeMailItem(h);
  PublishMailItem(m, open, &view);
  EXPECT_EQ(open.pMail, m);
  EXPECT_EQ(g_pCurrentMail, m);
  EXPECT_EQ(g_MailStore.Count(), 1u);
  EXPECT_EQ(g_Folders.Count(g_Folders.Inbox()), 1u);
  EXPECT_EQ(view.Added().size(), 1u);
  EXPECT_EQ(g_nMailCount.load(), 1);
  EXPECT_EQ(g_bUnsaved.load(), 1);
  ASSERT_FALSE(view.CallsStartingWith("status").empty());
  EXPECT_EQ(view.CallsStartingWith("status").back().rfind("status 找到 1 封邮件\r\n", 0), 0u);
  open.Close();
}

}  // namespace
