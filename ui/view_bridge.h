#pragma once
// CViewBridge: the window's side of the core's view (CMailView), between the worker threads
// (the scan, the folder save) that call it from their own thread and the window that shows
// what they report. The worker side hands over and waits or returns; the window side gets
// signals, always on the UI thread, and shows.
//
// The frequent calls (a message found, the status text, the progress position) only hand
// their data over and return: the UI thread takes it in as one batch at most every
// CListCtrlEx::kRepaintIntervalMs, so a scan never waits for the window to paint. Every
// other call runs on the UI thread while the worker waits, after what was handed over
// before it has been shown. Once Close() has been called, WindowExists() is false and the
// calls that wait return at once without signalling.

#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/view.h"

class CUiCaller;
class QTimer;

// Records a scan found, each with the folder it was appended to, in the order found.
using FoundMails = std::vector<std::pair<tagFolderItem*, tagMailItem*>>;

class CViewBridge : public QObject, public CMailView {
  Q_OBJECT
 public:
  // On the UI thread.
  explicit CViewBridge(QObject* parent = nullptr);
  ~CViewBridge() override;

  // The window's answers to what a worker asks (run on the UI thread): the selected folder,
  // and the directory the user chose under a title (empty when cancelled).
  std::function<tagFolderItem*()> fnSelectedFolder;
  std::function<QString(const QString& title)> fnChooseDirectory;

  // Worker side: runs `fn` on the UI thread, after what was handed over has been shown, and
  // waits for it. False when closed (then `fn` does not run).
  bool CallUi(const std::function<void()>& fn);
  // From now on the calls that wait return at once, those waiting are released. UI thread only.
  void Close();

  // --- CMailView, called from any thread ---
  void EnableButton(ViewButton button, bool enable) override;
  void SetProgressRange(uint64_t total) override;
  void SetProgressPos(uint64_t pos) override;
  void SetStatusText(const std::u16string& text) override;
  void ResetFolders(const CFolderTable& table) override;
  void MailAdded(tagFolderItem* folder, tagMailItem* item) override;
  void EndOfScanFolderUpdate(tagFolderItem* inbox, size_t count) override;
  bool WindowExists() override;
  tagFolderItem* SelectedFolder() override;
  bool ChooseSaveDirectory(const std::u16string& title, std::u16string& path) override;
  void ShowMessage(const std::u16string& text) override;

 signals:
  // All emitted on the UI thread.
  void ButtonEnabled(int id, bool enable);
  void ProgressRangeSet(quint64 total);
  void ProgressPosChanged(quint64 pos);
  void StatusTextChanged(const QString& text);
  void FoldersReset();
  void MailsFound(const FoundMails& mails);
  void ScanEnded(tagFolderItem* inbox, size_t count);
  void MessageShown(const QString& text);

 private:
  // Worker side: makes sure the UI thread will take in what was handed over.
  void PostPendingFlush();
  // UI side: takes in everything handed over now, unless a batch went in less than an
  // interval ago (then the timer takes it in). FlushPending signals it; false: nothing was
  // waiting.
  void OnPendingPosted();
  bool FlushPending();

  CUiCaller* m_pCaller = nullptr;
  // What the workers hand over without waiting, taken in by FlushPending.
  struct tagPending {
    std::mutex lock;
    FoundMails arrMails;                      // in the order found
    std::optional<std::u16string> strStatus;  // the latest only
    std::optional<uint64_t> nProgressPos;     // the latest only
    bool bPosted = false;                     // a call to OnPendingPosted is on its way
  };
  tagPending m_pending;
  QTimer* m_pFlushTimer = nullptr;  // the interval between two batches
};
