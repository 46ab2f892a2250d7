#pragma once
// The command line's view: a progress line on stderr (only when stderr is a terminal),
// no folders to draw, directory choice answered by the --out option.

#include <chrono>
#include <string>

#include "scan/view.h"

class CTerminalView : public CMailView {
 public:
  explicit CTerminalView(bool showProgress) : m_bProgress(showProgress) {}

  // Directory given on the command line, answered to ChooseSaveDirectory.
  void SetSaveDirectory(const std::u16string& dir) { m_strSaveDir = dir; }
  // Erases the progress line, if one is shown.
  void ClearLine();

  void EnableButton(ViewButton, bool) override {}
  void SetProgressRange(uint64_t total) override;
  void SetProgressPos(uint64_t pos) override;
  void SetStatusText(const std::u16string& text) override;
  void ResetFolders(const CFolderTable&) override {}
  void MailAdded(tagFolderItem*, tagMailItem*) override {}
  void EndOfScanFolderUpdate(tagFolderItem*, size_t) override {}
  bool WindowExists() override { return true; }
  tagFolderItem* SelectedFolder() override;
  bool ChooseSaveDirectory(const std::u16string& title, std::u16string& path) override;
  void ShowMessage(const std::u16string& text) override;

 private:
  void Draw(bool force);

  bool m_bProgress;
  uint64_t m_nTotal = 0;
  uint64_t m_nPos = 0;
  std::u16string m_strStatus;
  std::u16string m_strSaveDir;
  bool m_bLineShown = false;
  std::chrono::steady_clock::time_point m_lastDraw{};
};
