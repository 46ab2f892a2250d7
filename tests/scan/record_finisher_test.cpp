// Records whose display texts are decoded beside the walk are published as if they had been
// made in one go: all of them, in the order made, decoded, and only from the scan thread.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scan/folders.h"
#include "scan/header_reader.h"
#include "scan/mail_item.h"
#include "scan/record_finisher.h"
#include "scan/scan_state.h"
#include "source/utf.h"
#include "tests/scan/scan_fixture.h"
#include "tests/support/recorder_view.h"

namespace {

// Notes which threads tell it of records.
class CThreadView : public CRecorderView {
 public:
  void MailAdded(tagFolderItem* folder, tagMailItem* item) override {
    {
      std::lock_guard<std::mutex> g(m_threadsLock);
      threads.push_back(std::this_thread::get_id());
    }
    CRecorderView::MailAdded(folder, item);
  }
  std::mutex m_threadsLock;
  std::vector<std::thread::id> threads;
};

tagMailItem* NewRecord(int n) {
  tagMailHeader h;
  h.strFrom = "=?utf-8?B?" + std::string(n % 2 ? "w6k=" : "w7w=") + "?= <a" + std::to_string(n) + "@example.org>";
  h.strTo = "to" + std::to_string(n) + "@example.org";
  h.strSubject = "Subject " + std::to_string(n);
  h.strDate = "Tue, 5 Mar 2013 09:08:07 +0800";
  h.nSector = static_cast<uint64_t>(n);
  return NewMailItem(h);
}

class RecordFinisher : public ScanTest {
 protected:
  void SetUp() override {
    g_Folders.Reset(u"img");
    g_nMailCount = 0;
    g_bUnsaved = 0;
  }
};

TEST_F(RecordFinisher, PublishesEveryRecordInOrderDecodedFromTheScanThread) {
  CThreadView view;
  constexpr int kRecords = 2000;
  {
    CRecordFinisher finisher(&view);
    uint32_t x = 99;
    for (int n = 0; n < kRecords; ++n) {
      finisher.Hand(NewRecord(n));
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      if (x % 97 == 0) {
        // As at a chunk's end: everything handed so far is out when Finish returns.
        finisher.Finish();
        EXPECT_EQ(g_MailStore.Count(), static_cast<size_t>(n + 1));
      }
    }
    finisher.Finish();
  }
  const std::vector<tagMailItem*> records = g_MailStore.Snapshot();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRecords));
  EXPECT_EQ(view.Added(), records);
  EXPECT_EQ(g_nMailCount.load(), kRecords);
  EXPECT_EQ(g_bUnsaved.load(), 1);
  EXPECT_EQ(g_Folders.Count(g_Folders.Inbox()), static_cast<size_t>(kRecords));
  for (int n = 0; n < kRecords; ++n) {
    const tagMailItem& m = *records[static_cast<size_t>(n)];
    ASSERT_EQ(m.nSector, static_cast<uint64_t>(n));
    EXPECT_EQ(m.strFromW,
              Utf8ToU16(std::string("\"") + (n % 2 ? "é" : "ü") + "\" <a" + std::to_string(n) + "@example.org>"));
    EXPECT_EQ(m.strSubjectW, Utf8ToU16("Subject " + std::to_string(n)));
    EXPECT_EQ(m.strDate, "2013-03-05 09:08:07");
  }
  for (const std::thread::id& id : view.threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_FALSE(view.CallsStartingWith("status").empty());
}

// A record's text part may be decoded more than once (a body that decoded to nothing is
// collected again): the display text made last is the one that stays.
TEST_F(RecordFinisher, BodyTextsOfOneRecordTakeEffectInOrder) {
  CRecorderView view;
  constexpr int kRecords = 3000;
  {
    CRecordFinisher finisher(&view);
    for (int n = 0; n < kRecords; ++n) {
      tagMailItem* m = NewRecord(n);
      finisher.Hand(m);
      for (const char* text : {"first", "second", "third"}) {
        tagBodyText body;
        body.strBytes = text + std::to_string(n);
        finisher.HandBody(m, std::move(body));
      }
      if (n % 101 == 0) finisher.Finish();
    }
    finisher.Finish();
  }
  const std::vector<tagMailItem*> records = g_MailStore.Snapshot();
  ASSERT_EQ(records.size(), static_cast<size_t>(kRecords));
  for (int n = 0; n < kRecords; ++n) {
    auto lock = records[static_cast<size_t>(n)]->Lock();
    ASSERT_EQ(records[static_cast<size_t>(n)]->strBodyW, Utf8ToU16("third" + std::to_string(n))) << n;
  }
}

// At a chunk's end the records of the chunk kLagChunks before are all out, whatever the
// thread's pace; later ones may follow later, and Finish brings out the rest.
TEST_F(RecordFinisher, RecordsAreOutAtTheLatestAFewChunksLater) {
  CRecorderView view;
  CRecordFinisher finisher(&view);
  size_t made = 0;
  std::vector<size_t> madeByEnd;  // records made by the end of each chunk
  for (int chunk = 0; chunk < 50; ++chunk) {
    for (int n = 0; n < chunk * 7 % 150; ++n) {
      tagMailItem* m = NewRecord(static_cast<int>(made++));
      finisher.Hand(m);
      tagBodyText body;
      body.strBytes = "text";
      finisher.HandBody(m, std::move(body));
    }
    finisher.FinishPrevious();
    madeByEnd.push_back(made);
    const size_t lag = CRecordFinisher::kLagChunks;
    EXPECT_GE(g_MailStore.Count(), madeByEnd.size() > lag ? madeByEnd[madeByEnd.size() - 1 - lag] : 0u) << chunk;
    EXPECT_LE(g_MailStore.Count(), made) << chunk;
  }
  finisher.Finish();
  const std::vector<tagMailItem*> records = g_MailStore.Snapshot();
  ASSERT_EQ(records.size(), made);
  EXPECT_EQ(view.Added(), records);
  for (size_t n = 0; n < made; ++n) {
    ASSERT_EQ(records[n]->nSector, n);
    EXPECT_EQ(records[n]->strSubjectW, Utf8ToU16("Subject " + std::to_string(n)));
    auto lock = records[n]->Lock();
    EXPECT_EQ(records[n]->strBodyW, u"text");
  }
}

TEST_F(RecordFinisher, RecordsHandedBeforeTheEndArePublishedByTheDestructor) {
  CRecorderView view;
  {
    CRecordFinisher finisher(&view);
    for (int n = 0; n < 5; ++n) finisher.Hand(NewRecord(n));
  }
  EXPECT_EQ(g_MailStore.Count(), 5u);
  EXPECT_EQ(view.Added().size(), 5u);
}

}  // namespace
