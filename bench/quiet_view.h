#pragma once
// A view that shows nothing and asks nothing: the benchmarks scan through it so that only
// the engine's own work is measured.

#include <cstdint>
#include <string>

#include "scan/folders.h"
#include "scan/view.h"

class CQuietView : public CMailView {
 public:
  void EnableButton(ViewButton, bool) override {}
  void SetProgressRange(uint64_t) override {}
  void SetProgressPos(uint64_t) override {}
  void SetStatusText(const std::u16string&) override {}
  void ResetFolders(const CFolderTable&) override {}
  void MailAdded(tagFolderItem*, tagMailItem*) override {}
  void EndOfScanFolderUpdate(tagFolderItem*, size_t) override {}
  bool WindowExists() override { return true; }
  tagFolderItem* SelectedFolder() override { return nullptr; }
  bool ChooseSaveDirectory(const std::u16string&, std::u16string&) override { return false; }
  void ShowMessage(const std::u16string&) override {}
};
