#pragma once
// The folder table: the folders of the tree and the records each holds.
// Every record of a scan goes into the one folder "收件箱" (Inbox).
//
// Threads: the scan thread appends to a folder while the window and a save read it;
// every access goes through the table's lock, and readers take snapshots.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scan/mail_item.h"

struct tagFolderItem {
  void* hItem = nullptr;                // the view's tree item for this folder
  std::u16string strName;               // "收件箱" for the Inbox
  std::vector<tagMailItem*> listMails;  // in the order added; not owned. Guarded by the table.
};

class CFolderTable {
 public:
  // Deletes every folder and makes the one Inbox. `sourcePath` names the source for the
  // root's text.
  void Reset(const std::u16string& sourcePath);

  // "本地文件夹" followed by " [name]" (the part of the source path after its last
  // path separator), or the bare text when the path is empty.
  std::u16string RootText() const;

  tagFolderItem* Find(const std::u16string& name) const;  // null when absent
  tagFolderItem* Inbox() const { return Find(InboxName()); }
  static const std::u16string& InboxName();

  void Append(tagFolderItem* folder, tagMailItem* item);
  std::vector<tagMailItem*> Snapshot(const tagFolderItem* folder) const;
  size_t Count(const tagFolderItem* folder) const;
  std::vector<tagFolderItem*> Folders() const;

 private:
  mutable std::mutex m_lock;
  std::u16string m_strRootText;
  std::vector<std::unique_ptr<tagFolderItem>> m_arrFolders;
  std::map<std::u16string, tagFolderItem*> m_mapFolderItems;
};

extern CFolderTable g_Folders;
