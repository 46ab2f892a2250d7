#pragma once
// CKorvaneDlg: the program's main window. It holds the command buttons, the progress bar
// with its status text, the folder tree, the message list and the preview; it runs the
// data-source dialog, starts the scan and the folder save on worker threads, and decides
// when the program may close.
//
// The workers report through the window's CViewBridge (the core's view), whose signals the
// window shows on the UI thread; the window itself is never called from another thread.

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "mail/export.h"
#include "scan/scan_driver.h"
#include "ui/view_bridge.h"

class CButtonEx;
class CHtmlCtrl;
class CHyperLink;
class CProgressWnd;
class CSplitterWndX;
class CSplitterWndY;
class QLabel;
class QMenu;
class QTimer;
class QUrl;
class QTreeWidget;
class QTreeWidgetItem;
namespace UI {
class CListCtrlEx;
}

// Start-up timings and looks; tests shorten them.
struct tagDlgOptions {
  int nSplashMs = 3000;     // how long the splash picture stays
  int nDataDelayMs = 1000;  // the data-source dialog opens this long after start; < 0: never
  bool bMaximise = true;    // show the window maximised
};

class CKorvaneDlg : public QWidget {
  Q_OBJECT
 public:
  // Control identifiers, kept as the buttons' object names ("button133", ...).
  enum { IDC_SAVE = 133, IDC_DATA = 134, IDC_STOP = 135, IDC_SETTINGS = 136, IDC_FIND = 138, IDC_HELP = 148 };
  // Commands of the context menus.
  enum {
    ID_SAVE_MAIL_EML = 32784,
    ID_SAVE_MAIL_TXT = 32785,
    ID_SAVE_FOLDER_EML = 32786,
    ID_SAVE_FOLDER_TXT = 32787,
    ID_MAIL_PROPERTIES = 32791
  };
  // The letter that, held with Ctrl while the message menu opens, adds its Properties item.
  static constexpr int kPropertiesChordKey = Qt::Key_P;

  explicit CKorvaneDlg(const tagDlgOptions& options = tagDlgOptions(), QWidget* parent = nullptr);
  ~CKorvaneDlg() override;

  // The start-up sequence: splash, controls, list columns, empty tree, show, and the timer
  // that opens the data-source dialog.
  void Init();

  // Makes the scan use `factory` instead of the recogniser (tests).
  void SetChunkConsumerFactory(std::function<ChunkConsumer(CMailView*)> factory);
  // True while a worker thread of this window runs.
  bool WorkerRunning() const;

  // --- commands (also reachable from tests) ---
  void OnBnClickedSave();
  void OnBnClickedData();
  void OnBnClickedStop();
  void OnBnClickedFind();
  void OnBnClickedHelp();
  void OnSysCommand(int id);
  void OnSaveFolder(SaveKind kind);
  void OnSaveMail(SaveKind kind);
  void OnMailProperties();

  // The two context menus; null when none would be shown. The caller owns the menu.
  QMenu* CreateFolderMenu();
  QMenu* CreateMailMenu(bool withProperties);
  // The window menu (the about entry).
  QMenu* CreateWindowMenu();

  // --- the tree, the list and the preview ---
  void ResetFoldersView();
  void InsertMailRow(tagMailItem* item, int row);
  void ShowMailPreview(tagMailItem* item);
  void RecreatePreviewControl();
  // A link of the preview that is not opened: a message box shows its address.
  void ShowLinkAddress(const QUrl& url);

  QTreeWidget* Tree() const { return m_pTree; }
  UI::CListCtrlEx* List() const { return m_pList; }
  CHtmlCtrl* Preview() const { return m_pPreview; }
  CProgressWnd* Progress() const { return m_pProgress; }
  CButtonEx* Button(int id) const;
  tagFolderItem* FolderOfItem(QTreeWidgetItem* item) const;
  QTreeWidgetItem* RootItem() const { return m_pRootItem; }

  // The core's view of this window, which the workers call.
  CViewBridge* View() const { return m_pBridge; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void OnSize();
  QRect DialogRect(int x, int y, int w, int h) const;
  void OnFolderSelChanged();
  void OnFolderRClick(const QPoint& pos);
  void OnMailItemChanged(int row);
  void OnMailRClick(const QPoint& globalPos);
  void ConnectPreviewLinks();
  // What the workers report, shown (UI thread, from the bridge's signals).
  void ConnectView();
  void OnProgressRangeSet(uint64_t total);
  void OnScanEnded(tagFolderItem* inbox, size_t count);
  // Rows for records a scan found (in the order found) in the shown folder: on top, newest
  // first, in one insertion; records already listed are passed over.
  void InsertFoundMails(const FoundMails& mails);
  void StartWorker(std::function<void()> work);
  void ReapWorkers();
  void UpdateSaveButton();
  bool SaveCommandsAllowed() const;
  bool IsChordHeld() const;

  tagDlgOptions m_opts;
  CViewBridge* m_pBridge = nullptr;
  std::function<ChunkConsumer(CMailView*)> m_fnMakeConsumer;

  CButtonEx* m_pSave = nullptr;
  CButtonEx* m_pData = nullptr;
  CButtonEx* m_pHelp = nullptr;
  CButtonEx* m_pFind = nullptr;
  CButtonEx* m_pStop = nullptr;
  CButtonEx* m_pSettings = nullptr;
  CProgressWnd* m_pProgress = nullptr;
  QTreeWidget* m_pTree = nullptr;
  UI::CListCtrlEx* m_pList = nullptr;
  CHtmlCtrl* m_pPreview = nullptr;
  CSplitterWndX* m_pSplitX = nullptr;
  CSplitterWndY* m_pSplitY = nullptr;
  std::vector<QWidget*> m_arrContacts;  // texts 1035 .. 1039, in that order
  QTreeWidgetItem* m_pRootItem = nullptr;
  QTreeWidgetItem* m_pInboxItem = nullptr;
  std::unordered_set<const tagMailItem*> m_setListed;  // records with a row in the list
  uint64_t m_nProgressDivisor = 1;                     // sector counts beyond int are shown scaled
  bool m_bChordKeyDown = false;

  struct tagWorker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> pDone;
  };
  std::vector<tagWorker> m_arrWorkers;
};
