#include <gtest/gtest.h>

#include "scan/folders.h"
#include "scan/mail_item.h"

namespace {

tagAttachment Att(const char* name, int32_t size) {
  tagAttachment a;
  a.strName = name;
  a.nSize = size;
  return a;
}

TEST(MailItem, MergePendingAttachmentsOnce) {
  tagMailItem m;
  m.pAttachments = std::make_unique<tagAttachmentArray>(tagAttachmentArray{Att("x.doc", 5)});
  m.pPendingAttachments = std::make_unique<tagAttachmentArray>(tagAttachmentArray{Att("a", 1), Att("b", 2)});
  m.MergePendingAttachments();
  ASSERT_TRUE(m.pAttachments);
  ASSERT_EQ(m.pAttachments->size(), 3u);
  EXPECT_EQ((*m.pAttachments)[1].strName, "a");
  EXPECT_EQ((*m.pAttachments)[2].nSize, 2);
  EXPECT_FALSE(m.pPendingAttachments);
  m.MergePendingAttachments();  // listed again: nothing moves
  EXPECT_EQ(m.pAttachments->size(), 3u);
}

TEST(MailItem, MergeCreatesTheListOnlyWhenSomethingIsPending) {
  tagMailItem m;
  m.MergePendingAttachments();
  EXPECT_FALSE(m.pAttachments);
  m.pPendingAttachments = std::make_unique<tagAttachmentArray>();
  m.MergePendingAttachments();
  EXPECT_TRUE(m.pAttachments);
}

TEST(MailStore, FreeAllEmptiesTheStore) {
  CMailStore store;
  for (int i = 0; i < 3; ++i) store.Add(new tagMailItem);
  EXPECT_EQ(store.Count(), 3u);
  store.FreeAll();
  EXPECT_EQ(store.Count(), 0u);
  store.Add(new tagMailItem);
  EXPECT_EQ(store.Snapshot().size(), 1u);
}

TEST(FolderTable, ResetMakesRootAndInbox) {
  CFolderTable t;
  EXPECT_EQ(t.Inbox(), nullptr);
  t.Reset(u"/images/disk.img");
  EXPECT_EQ(t.RootText(), u"本地文件夹 [disk.img]");
  ASSERT_NE(t.Inbox(), nullptr);
  EXPECT_EQ(t.Inbox()->strName, u"收件箱");
  tagMailItem m;
  t.Append(t.Inbox(), &m);
  EXPECT_EQ(t.Count(t.Inbox()), 1u);
  t.Reset(u"");
  EXPECT_EQ(t.RootText(), u"本地文件夹");
  EXPECT_EQ(t.Count(t.Inbox()), 0u);
  EXPECT_EQ(t.Folders().size(), 1u);
}

}  // namespace
