#pragma once
// CMailView: everything the scan and the folder save ask of the window.
//
// The worker threads call these from their own thread. The desktop program runs each call
// on its UI thread and returns when it is done (a blocking call); the command line draws
// a progress line; tests record the calls.

#include <cstdint>
#include <string>

struct tagFolderItem;
struct tagMailItem;
class CFolderTable;

enum class ViewButton { Save = 133, Data = 134, Stop = 135 };

class CMailView {
 public:
  virtual ~CMailView() = default;

  virtual void EnableButton(ViewButton button, bool enable) = 0;
  // Progress bar range 0 .. total, and position.
  virtual void SetProgressRange(uint64_t total) = 0;
  virtual void SetProgressPos(uint64_t pos) = 0;
  // The text drawn over the progress bar (may hold "\r\n" for two lines).
  virtual void SetStatusText(const std::u16string& text) = 0;

  // The folder table was reset: drop every tree item and list row, show the table's
  // root and folders anew.
  virtual void ResetFolders(const CFolderTable& table) = 0;
  // `item` was appended to `folder`; when that folder is the selected one, the view
  // adds a row for it at the top of the list.
  virtual void MailAdded(tagFolderItem* folder, tagMailItem* item) = 0;
  // End of a scan: show the Inbox as "收件箱 (count)" and select it.
  virtual void EndOfScanFolderUpdate(tagFolderItem* inbox, size_t count) = 0;

  // False once the window is gone (the program is closing): no more window calls then.
  virtual bool WindowExists() = 0;

  // The folder whose messages a folder save writes (the selected tree item); null for
  // none, the root, or no folder.
  virtual tagFolderItem* SelectedFolder() = 0;
  // Asks for a directory to save into; false when the user cancels. `title` is the prompt.
  virtual bool ChooseSaveDirectory(const std::u16string& title, std::u16string& path) = 0;
  // A message box with an OK button.
  virtual void ShowMessage(const std::u16string& text) = 0;
};
