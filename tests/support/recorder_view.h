#pragma once
// A view that records every call, for tests of the scan and the folder save.

#include <mutex>
#include <string>
#include <vector>

#include "scan/view.h"

class CRecorderView : public CMailView {
 public:
  // Calls as readable lines: "enable 134 0", "range 4096", "pos 2048", "status ...",
  // "reset", "added <subject>", "end <count>", "message ...".
  std::vector<std::string> Calls() const;
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
  std::vector<tagMailItem*> Added() const;

  bool bWindowExists = true;
  std::u16string strSaveDir;           // answer to ChooseSaveDirectory; empty cancels
  tagFolderItem* pSelected = nullptr;  // answer to SelectedFolder; null: the Inbox
  bool bSelectNothing = false;         // SelectedFolder answers null

  void EnableButton(ViewButton button, bool enable) override;
  void SetProgressRange(uint64_t total) override;
  void SetProgressPos(uint64_t pos) override;
  void SetStatusText(const std::u16string& text) override;
  void ResetFolders(const CFolderTable& table) override;
  void MailAdded(tagFolderItem* folder, tagMailItem* item) override;
  void EndOfScanFolderUpdate(tagFolderItem* inbox, size_t count) override;
  bool WindowExists() override { return bWindowExists; }
  tagFolderItem* SelectedFolder() override;
  bool ChooseSaveDirectory(const std::u16string& title, std::u16string& path) override;
  void ShowMessage(const std::u16string& text) override;

 private:
  void Log(std::string line);
  mutable std::mutex m_lock;
  std::vector<std::string> m_calls;
  std::vector<tagMailItem*> m_added;
};
