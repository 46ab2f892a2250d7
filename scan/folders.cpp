#include "scan/folders.h"

#include "res/string_table.h"

CFolderTable g_Folders;

const std::u16string& CFolderTable::InboxName() { return LoadStringW(161); }

void CFolderTable::Reset(const std::u16string& sourcePath) {
  std::lock_guard<std::mutex> g(m_lock);
  m_arrFolders.clear();
  m_mapFolderItems.clear();
  m_strRootText = LoadStringW(160);
  if (!sourcePath.empty()) {
    const size_t cut = sourcePath.find_last_of(u"/\\");
    const std::u16string leaf = cut == std::u16string::npos ? sourcePath : sourcePath.substr(cut + 1);
    m_strRootText += u" [" + leaf + u"]";
  }
  auto inbox = std::make_unique<tagFolderItem>();
  inbox->strName = InboxName();
  m_mapFolderItems[inbox->strName] = inbox.get();
  m_arrFolders.push_back(std::move(inbox));
}

std::u16string CFolderTable::RootText() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_strRootText;
}

tagFolderItem* CFolderTable::Find(const std::u16string& name) const {
  std::lock_guard<std::mutex> g(m_lock);
  auto it = m_mapFolderItems.find(name);
  return it == m_mapFolderItems.end() ? nullptr : it->second;
}

void CFolderTable::Append(tagFolderItem* folder, tagMailItem* item) {
  std::lock_guard<std::mutex> g(m_lock);
  folder->listMails.push_back(item);
}

std::vector<tagMailItem*> CFolderTable::Snapshot(const tagFolderItem* folder) const {
  std::lock_guard<std::mutex> g(m_lock);
  return folder ? folder->listMails : std::vector<tagMailItem*>{};
}

size_t CFolderTable::Count(const tagFolderItem* folder) const {
  std::lock_guard<std::mutex> g(m_lock);
  return folder ? folder->listMails.size() : 0;
}

std::vector<tagFolderItem*> CFolderTable::Folders() const {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<tagFolderItem*> out;
  for (const auto& f : m_arrFolders) out.push_back(f.get());
  return out;
}
