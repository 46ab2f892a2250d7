#include "tests/support/recorder_view.h"

#include "scan/folders.h"
#include "source/utf.h"

void CRecorderView::Log(std::string line) {
  std::lock_guard<std::mutex> g(m_lock);
  m_calls.push_back(std::move(line));
}

std::vector<std::string> CRecorderView::Calls() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_calls;
}

std::vector<std::string> CRecorderView::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& c : Calls()) {
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  }
  return out;
}

std::vector<tagMailItem*> CRecorderView::Added() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_added;
}

void CRecorderView::EnableButton(ViewButton button, bool enable) {
  Log("enable " + std::to_string(static_cast<int>(button)) + " " + (enable ? "1" : "0"));
}
void CRecorderView::SetProgressRange(uint64_t total) { Log("range " + std::to_string(total)); }
void CRecorderView::SetProgressPos(uint64_t pos) { Log("pos " + std::to_string(pos)); }
void CRecorderView::SetStatusText(const std::u16string& text) { Log("status " + U16ToUtf8(text)); }
void CRecorderView::ResetFolders(const CFolderTable& table) { Log("reset " + U16ToUtf8(table.RootText())); }
void CRecorderView::MailAdded(tagFolderItem*, tagMailItem* item) {
  Log("added");
  std::lock_guard<std::mutex> g(m_lock);
  m_added.push_back(item);
}
void CRecorderView::EndOfScanFolderUpdate(tagFolderItem*, size_t count) { Log("end " + std::to_string(count)); }
tagFolderItem* CRecorderView::SelectedFolder() {
  if (bSelectNothing) return nullptr;
  return pSelected ? pSelected : g_Folders.Inbox();
}
bool CRecorderView::ChooseSaveDirectory(const std::u16string&, std::u16string& path) {
  Log("choose");
  if (strSaveDir.empty()) return false;
  path = strSaveDir;
  return true;
}
void CRecorderView::ShowMessage(const std::u16string& text) { Log("message " + U16ToUtf8(text)); }
