// The window reads and lists records while the scan thread still fills them.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "mail/render.h"
#include "scan/folders.h"
#include "scan/scan_driver.h"
#include "tests/scan/scan_fixture.h"

namespace {

// Lists each record as it is added, as the message list does: its pending attachments move.
class ListingView : public CRecorderView {
 public:
  void MailAdded(tagFolderItem* f, tagMailItem* m) override {
    CRecorderView::MailAdded(f, m);
    m->MergePendingAttachments();
  }
};

std::string MailWithTwoAttachments(int n) {
  std::string m = CrLf({"Received: from a by b", "From: a@example.org", "To: b@example.com",
                        "Subject: message " + std::to_string(n), "Date: Tue, 5 Mar 2013 09:08:07 +0800",
                        "Content-Type: multipart/mixed; boundary=\"B\"", "", "--B",
                        "Content-Type: text/plain; charset=\"us-ascii\"", "", "text of the message", ""});
  for (const char* name : {"one.bin", "two.bin"}) {
    m += CrLf({"--B", "Content-Type: application/octet-stream", "Content-Transfer-Encoding: base64",
               std::string("Content-Disposition: attachment; filename=\"") + name + "\"", ""});
    for (int i = 0; i < 40; ++i) m += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAx\r\n";
    m += "\r\n";
  }
  return m + "--B--\r\n";
}

class ScanThreads : public ScanTest {};

TEST_F(ScanThreads, WindowReadsRecordsWhileTheScanFillsThem) {
  CImage img;
  for (int i = 0; i < 150; ++i) img.Put(img.bytes.size(), MailWithTwoAttachments(i));
  std::atomic<bool> done{false};
  std::atomic<size_t> seen{0};
  std::thread window([&] {
    while (!done.load()) {
      for (tagMailItem* m : g_MailStore.Snapshot()) {
        size_t n = m->strFromW.size() + m->strSubjectW.size() + m->nSector;
        {
          auto lock = m->Lock();
          n += m->strBody.size() + m->strBodyW.size();
          if (m->pAttachments) n += m->pAttachments->size();
        }
        m->MergePendingAttachments();  // the folder is selected again
        seen += n > 0;
      }
    }
  });
  ListingView view;
  const auto mails = ScanImage(img, 8, &view);
  done = true;
  window.join();
  ASSERT_EQ(mails.size(), 150u);
  for (tagMailItem* m : mails) {
    m->MergePendingAttachments();
    ASSERT_TRUE(m->pAttachments) << Describe(*m);
    ASSERT_EQ(m->pAttachments->size(), 2u) << Describe(*m);
    EXPECT_EQ((*m->pAttachments)[0].nSize, 40 * 54) << Describe(*m);
    EXPECT_EQ((*m->pAttachments)[1].nSize, 40 * 54) << Describe(*m);
  }
}

// What the window does with the Inbox while the scan fills it: list its rows, search
// their texts, preview one (re-reading the source), show and merge attachments. Run under
// the thread sanitizer, which must report nothing.
class WindowView : public CRecorderView {
 public:
  void ResetFolders(const CFolderTable& table) override {
    CRecorderView::ResetFolders(table);
    inbox = table.Inbox();
  }
  std::atomic<tagFolderItem*> inbox{nullptr};
};

TEST_F(ScanThreads, WindowListsSearchesAndPreviewsDuringTheScan) {
  CImage img;
  for (int i = 0; i < 120; ++i) img.Put(img.bytes.size(), MailWithTwoAttachments(i));
  WindowView view;
  std::atomic<bool> done{false};
  size_t listed = 0, found = 0, previews = 0;
  std::thread window([&] {
    size_t turn = 0;
    while (!done.load()) {
      tagFolderItem* inbox = view.inbox.load();
      if (!inbox) continue;
      const std::vector<tagMailItem*> rows = g_Folders.Snapshot(inbox);
      for (tagMailItem* m : rows) {
        // The list's row, and a search through the texts as the search dialog makes them.
        std::u16string haystack = m->strFromW + m->strToW + m->strSubjectW;
        listed += !m->strDate.empty() && m->nSector < 1000000;
        {
          auto lock = m->Lock();
          haystack += m->strBodyW;
        }
        found += haystack.find(u"message 7") != std::u16string::npos;
        m->MergePendingAttachments();
        listed += BuildAttachmentBlock(*m).size() > 0;
      }
      if (!rows.empty()) {
        tagMailItem* shown = rows[turn++ % rows.size()];
        previews += BuildMailPreview(*shown).bShow;
        previews += RenderMailText(*shown).size() > 0;
      }
    }
  });
  const auto mails = ScanImage(img, 8, &view);
  done = true;
  window.join();
  ASSERT_EQ(mails.size(), 120u);
  EXPECT_GT(listed + found + previews, 0u);
  for (tagMailItem* m : mails) {
    m->MergePendingAttachments();
    ASSERT_TRUE(m->pAttachments) << Describe(*m);
    EXPECT_EQ(m->pAttachments->size(), 2u) << Describe(*m);
  }
}

}  // namespace
