#include "ui/main_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <climits>

#include "codec/charset.h"
#include "codec/codepage.h"
#include "controls/button_ex.h"
#include "controls/dialog_skin.h"
#include "controls/hyper_link.h"
#include "controls/list_ctrl_ex.h"
#include "controls/progress_wnd.h"
#include "controls/splash_wnd.h"
#include "controls/splitter_ex.h"
#include "mail/render.h"
#include "res/string_table.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_state.h"
#include "ui/about_dialog.h"
#include "ui/data_dialog.h"
#include "ui/help_dialog.h"
#include "ui/html_ctrl.h"
#include "ui/qt_text.h"
#include "ui/search_dialog.h"
#include "ui/skin.h"
#include "ui/user_prompts.h"

namespace {

// Runs the event loop for `ms` milliseconds without user input, so that the window keeps
// painting and the worker threads' calls are served.
void WaitServing(int ms, const std::function<bool()>& done = {}) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms && !(done && done())) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    QThread::msleep(5);
  }
}

}  // namespace

CKorvaneDlg::CKorvaneDlg(const tagDlgOptions& options, QWidget* parent) : QWidget(parent, Qt::Window), m_opts(options) {
  setObjectName(QStringLiteral("mainDialog"));
  BuildEncodeTable();
  m_pBridge = new CViewBridge(this);
  m_fnMakeConsumer = [](CMailView* view) { return MakeScanChunkConsumer(view); };
  setWindowTitle(QStringLiteral("KorvanePelorin邮件碎片扫描恢复软件 V2.0  for Outlook Express & Foxmail"));
  setWindowIcon(AppIcon());
  setMinimumSize(800, 600);
  CreateControls();
  ConnectView();
}

CKorvaneDlg::~CKorvaneDlg() {
  // From here on the workers' calls return at once; a scan still running stops at its next
  // chunk. A folder save runs to its end so that no file is left half written.
  m_pBridge->Close();
  if (g_bScanning.load()) g_bStop = 1;
  for (tagWorker& w : m_arrWorkers) {
    if (w.thread.joinable()) w.thread.join();
  }
  qApp->removeEventFilter(this);
}

void CKorvaneDlg::SetChunkConsumerFactory(std::function<ChunkConsumer(CMailView*)> factory) {
  m_fnMakeConsumer = std::move(factory);
}

bool CKorvaneDlg::WorkerRunning() const {
  for (const tagWorker& w : m_arrWorkers) {
    if (!w.pDone->load()) return true;
  }
  return false;
}

QRect CKorvaneDlg::DialogRect(int x, int y, int w, int h) const {
  // Dialog units of the window's font: a quarter of the average character width across,
  // an eighth of the character height down.
  const QFontMetrics fm(font());
  const int baseX =
      (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
  const int baseY = fm.height();
  return QRect(x * baseX / 4, y * baseY / 8, w * baseX / 4, h * baseY / 8);
}

CButtonEx* CKorvaneDlg::Button(int id) const {
  switch (id) {
    case IDC_SAVE:
      return m_pSave;
    case IDC_DATA:
      return m_pData;
    case IDC_STOP:
      return m_pStop;
    case IDC_SETTINGS:
      return m_pSettings;
    case IDC_FIND:
      return m_pFind;
    case IDC_HELP:
      return m_pHelp;
    default:
      return nullptr;
  }
}

void CKorvaneDlg::CreateControls() {
  auto button = [this](int id, const QString& text, QRect r) {
    auto* b = new CButtonEx(text, this);
    b->setObjectName(QStringLiteral("button%1").arg(id));
    b->setAutoDefault(false);
    b->setGeometry(r);
    return b;
  };
  m_pSave = button(IDC_SAVE, QStringLiteral("保存"), DialogRect(6, 7, 37, 33));
  m_pData = button(IDC_DATA, QStringLiteral("数据"), DialogRect(46, 7, 37, 33));
  m_pHelp = button(IDC_HELP, QStringLiteral("帮助"), DialogRect(86, 7, 37, 33));
  m_pFind = button(IDC_FIND, QStringLiteral("查找"), DialogRect(166, 7, 37, 33));
  m_pStop = button(IDC_STOP, QStringLiteral("停止"), DialogRect(482, 7, 37, 33));
  m_pSettings = button(IDC_SETTINGS, QStringLiteral("设置"), DialogRect(507, 23, 12, 17));
  m_pSave->setEnabled(false);
  m_pStop->setEnabled(false);
  m_pSettings->setEnabled(false);
  m_pSettings->hide();

  m_pProgress = new CProgressWnd(this);
  m_pProgress->setObjectName(QStringLiteral("progress"));
  m_pProgress->setGeometry(DialogRect(210, 14, 267, 23));
  m_pProgress->setRange(0, 1);  // an empty bar; 0 .. 0 would show a busy bar
  m_pProgress->setValue(0);
  m_pProgress->setTextVisible(false);

  m_pTree = new QTreeWidget(this);
  m_pTree->setObjectName(QStringLiteral("folderTree"));
  m_pTree->setHeaderHidden(true);
  m_pTree->setIconSize(QSize(16, 16));
  m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
  m_pTree->setGeometry(DialogRect(6, 47, 189, 239));

  m_pList = new UI::CListCtrlEx(true, this);
  m_pList->setObjectName(QStringLiteral("mailList"));
  m_pList->setGeometry(DialogRect(208, 48, 311, 200));

  // Contact lines in the lower left corner.
  struct tagContact {
    const char16_t* text;
    const char* address;  // null: plain text
  };
  static const tagContact kContacts[] = {
      {u"联系我们：korvane@example.org", "mailto:korvane@example.org"},
      {u"Korvane 邮件碎片扫描恢复 V2.0", nullptr},
      {u"源码与问题反馈", "https://example.org/korvane"},
      {u"扫描只读取数据，不会写入磁盘", nullptr},
      {u"请把邮件保存到别的分区或硬盘上", nullptr},
  };
  for (int i = 0; i < 5; ++i) {
    const QString text = QString::fromUtf16(kContacts[i].text);
    QWidget* w = nullptr;
    if (kContacts[i].address) {
      auto* link = new CHyperLink(text, QString(), this);
      link->SetAddress(QString::fromLatin1(kContacts[i].address));
      w = link;
    } else {
      auto* label = new QLabel(text, this);
      label->setAttribute(Qt::WA_TranslucentBackground);
      w = label;
    }
    w->setObjectName(QStringLiteral("text%1").arg(1035 + i));
    w->setGeometry(DialogRect(14, 297 + i * 11, 180, 10));
    m_arrContacts.push_back(w);
  }

  m_pPreview = new CHtmlCtrl(this);
  ConnectPreviewLinks();

  m_pSplitX = new CSplitterWndX(this);
  m_pSplitX->setObjectName(QStringLiteral("splitter322"));
  m_pSplitY = new CSplitterWndY(this);
  m_pSplitY->setObjectName(QStringLiteral("splitter323"));
  m_pSplitX->AddBefore(m_pTree);
  for (int i : {1, 0, 2, 3, 4}) m_pSplitX->AddBefore(m_arrContacts[static_cast<size_t>(i)]);
  m_pSplitX->AddAfter(m_pList);
  m_pSplitX->AddAfter(m_pPreview);
  m_pSplitX->AddAfter(m_pSplitY);
  m_pSplitX->SetMinMargins(200, 300);
  m_pSplitY->AddBefore(m_pList);
  m_pSplitY->AddAfter(m_pPreview);
  m_pSplitY->SetMinMargins(100, 100);

  connect(m_pSave, &QPushButton::clicked, this, &CKorvaneDlg::OnBnClickedSave);
  connect(m_pData, &QPushButton::clicked, this, &CKorvaneDlg::OnBnClickedData);
  connect(m_pStop, &QPushButton::clicked, this, &CKorvaneDlg::OnBnClickedStop);
  connect(m_pFind, &QPushButton::clicked, this, &CKorvaneDlg::OnBnClickedFind);
  connect(m_pHelp, &QPushButton::clicked, this, &CKorvaneDlg::OnBnClickedHelp);
  connect(m_pTree, &QTreeWidget::currentItemChanged, this, &CKorvaneDlg::OnFolderSelChanged);
  connect(m_pTree, &QWidget::customContextMenuRequested, this, &CKorvaneDlg::OnFolderRClick);
  connect(m_pList, &UI::CListCtrlEx::ItemSelected, this, &CKorvaneDlg::OnMailItemChanged);
  connect(m_pList, &UI::CListCtrlEx::ContextMenuRequested, this, &CKorvaneDlg::OnMailRClick);

  // The window menu: Alt+Space, or a right click on the window's background.
  auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(menuKey, &QShortcut::activated, this, [this] {
    std::unique_ptr<QMenu> menu(CreateWindowMenu());
    menu->exec(mapToGlobal(QPoint(0, 0)));
  });
  // The chord key of the Properties item is watched wherever the focus is.
  qApp->installEventFilter(this);
}

void CKorvaneDlg::Init() {
  // The splash, for a moment before the window appears.
  if (m_opts.nSplashMs > 0) {
    CSplashWnd::Enable(true);
    CSplashWnd::SetPicture(QStringLiteral(":/res/splash.png"));
    CSplashWnd::Show(this);
    WaitServing(m_opts.nSplashMs);
    CSplashWnd::Hide();
  }
  // The list's columns.
  m_pList->InsertColumn(0, QStringLiteral("!&"), Qt::AlignLeft, 25);
  m_pList->InsertColumn(1, W(LoadStringW(158)), Qt::AlignLeft, 200);
  m_pList->InsertColumn(2, W(LoadStringW(162)), Qt::AlignLeft, 130);
  m_pList->InsertColumn(3, W(LoadStringW(159)), Qt::AlignLeft, 800);
  // An empty store and tree.
  g_Folders.Reset(g_strSourcePath.Get());
  g_MailStore.FreeAll();
  ResetFoldersView();
  if (m_opts.bMaximise) {
    showMaximized();
  } else {
    show();
  }
  QTimer::singleShot(0, this, &CKorvaneDlg::OnSize);
  if (m_opts.nDataDelayMs >= 0) QTimer::singleShot(m_opts.nDataDelayMs, this, &CKorvaneDlg::OnBnClickedData);
}

// ---------------------------------------------------------------------------------------
// Layout

void CKorvaneDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  OnSize();
}

void CKorvaneDlg::OnSize() {
  if (!m_pTree) return;
  const int w = width(), h = height();
  if (w <= 0) return;
  // Edges as left, top, right, bottom with the right and bottom edges outside the rectangle.
  QRect tree = m_pTree->geometry();
  int left = tree.left(), top = tree.top(), right = tree.left() + tree.width();
  if (right - left > w / 2) right = left + w / 2;
  const auto place = [](QWidget* wd, int l, int t, int r, int b) {
    if (wd) wd->setGeometry(l, t, std::max(0, r - l), std::max(0, b - t));
  };
  // Contact texts from the bottom up: 1039, 1038, 1037, 1035, 1036.
  int bottom = h - 10;
  for (int i : {4, 3, 2, 0, 1}) {
    place(m_arrContacts[static_cast<size_t>(i)], left, bottom - 15, right, bottom);
    bottom -= 19;
  }
  place(m_pTree, left, top, right, h - 120);
  place(m_pSplitX, right, top, right + 5, h - 10);
  const QRect list = m_pList->geometry();
  const int listLeft = right + 5, listRight = w - 10;
  place(m_pList, listLeft, top, listRight, top + list.height());
  const int listBottom = top + list.height();
  place(m_pSplitY, listLeft, listBottom + 1, listRight, listBottom + 6);
  if (m_pPreview) place(m_pPreview, listLeft, listBottom + 7, listRight, h - 10);
  update();
}

void CKorvaneDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintDialogSkin(p, rect(), BackgroundPixmap(), false);
}

// ---------------------------------------------------------------------------------------
// Keys and menus

void CKorvaneDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();  // neither key ends the window
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CKorvaneDlg::keyReleaseEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QWidget::keyReleaseEvent(event);
  }
}

bool CKorvaneDlg::eventFilter(QObject* watched, QEvent* event) {
  // Keys go to widgets, the deactivation to the application. Events of other objects are
  // not looked at: a worker's call to the window is an event it posted, and reading it here,
  // before the caller's lock orders it, would be a race as far as ThreadSanitizer can see.
  if (watched != qApp && !watched->isWidgetType()) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == kPropertiesChordKey && !key->isAutoRepeat()) m_bChordKeyDown = event->type() == QEvent::KeyPress;
  } else if (event->type() == QEvent::ApplicationDeactivate) {
    m_bChordKeyDown = false;
  }
  return QWidget::eventFilter(watched, event);
}

bool CKorvaneDlg::IsChordHeld() const {
  return m_bChordKeyDown && (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier);
}

void CKorvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(CreateWindowMenu());
  menu->exec(event->globalPos());
}

QMenu* CKorvaneDlg::CreateWindowMenu() {
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("windowMenu"));
  const std::u16string& about = LoadStringW(101);
  if (!about.empty()) {
    menu->addSeparator();
    menu->addAction(W(about), this, [this] { OnSysCommand(16); });
  }
  return menu;
}

void CKorvaneDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) == 16) {
    CAboutDlg dlg(this);
    dlg.exec();
  }
}

// ---------------------------------------------------------------------------------------
// Commands of the button row

void CKorvaneDlg::OnBnClickedSave() {
  std::unique_ptr<QMenu> menu(CreateFolderMenu());
  if (!menu) {
    // The Save button offers the save whatever the tree's selection; the save itself finds
    // out that there is nothing to write.
    menu.reset(new QMenu(this));
    menu->addAction(QStringLiteral("保存成eml文件"), this, [this] { OnSaveFolder(EML); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("保存成txt文件"), this, [this] { OnSaveFolder(TXT); });
  }
  menu->exec(QCursor::pos());
}

void CKorvaneDlg::OnBnClickedData() {
  m_pData->setEnabled(false);
  if (g_bUnsaved.load() &&
      Prompts().Ask(this, W(LoadStringW(104)), CUserPrompts::Buttons::YesNo) != CUserPrompts::Answer::Yes) {
    m_pData->setEnabled(true);
    return;
  }
  CDataDlg dlg(this);
  if (dlg.exec() == QDialog::Accepted && !g_bScanning.load() && !g_bSaving.load()) {
    g_strSourcePath.Set(dlg.m_strPath);
    RecreatePreviewControl();
    auto factory = m_fnMakeConsumer;
    StartWorker([this, factory] { ScanThreadProc(m_pBridge, factory(m_pBridge)); });
  }
  m_pData->setEnabled(true);
}

void CKorvaneDlg::OnBnClickedStop() {
  g_bStop = 1;
  m_pStop->setEnabled(false);
}

void CKorvaneDlg::OnBnClickedHelp() {
  CHelpDlg dlg(this);
  dlg.exec();
}

void CKorvaneDlg::StartWorker(std::function<void()> work) {
  ReapWorkers();
  tagWorker w;
  w.pDone = std::make_shared<std::atomic<bool>>(false);
  w.thread = std::thread([work = std::move(work), done = w.pDone] {
    work();
    done->store(true);
  });
  m_arrWorkers.push_back(std::move(w));
}

void CKorvaneDlg::ReapWorkers() {
  for (auto it = m_arrWorkers.begin(); it != m_arrWorkers.end();) {
    if (it->pDone->load()) {
      it->thread.join();  // the thread has finished its work; joining is immediate
      it = m_arrWorkers.erase(it);
    } else {
      ++it;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Closing

void CKorvaneDlg::closeEvent(QCloseEvent* event) {
  if (g_bScanning.load()) {
    if (Prompts().Ask(this, W(LoadStringW(106)), CUserPrompts::Buttons::YesNo) == CUserPrompts::Answer::Yes) {
      event->ignore();
      return;
    }
    g_bStop = 1;
    // Give the scan a moment to notice, serving its calls meanwhile.
    WaitServing(800, [] { return !g_bScanning.load(); });
  }
  if (g_bUnsaved.load() &&
      Prompts().Ask(this, W(LoadStringW(149)), CUserPrompts::Buttons::OkCancel) == CUserPrompts::Answer::Ok) {
    event->ignore();
    return;
  }
  m_pBridge->Close();
  event->accept();
}

// ---------------------------------------------------------------------------------------
// What the workers report

void CKorvaneDlg::ConnectView() {
  CViewBridge* v = m_pBridge;
  connect(v, &CViewBridge::ButtonEnabled, this, [this](int id, bool enable) {
    if (CButtonEx* b = Button(id)) b->setEnabled(enable);
  });
  connect(v, &CViewBridge::ProgressRangeSet, this, &CKorvaneDlg::OnProgressRangeSet);
  connect(v, &CViewBridge::ProgressPosChanged, this,
          [this](quint64 pos) { m_pProgress->setValue(static_cast<int>(pos / m_nProgressDivisor)); });
  connect(v, &CViewBridge::StatusTextChanged, m_pProgress, &CProgressWnd::SetText);
  connect(v, &CViewBridge::FoldersReset, this, &CKorvaneDlg::ResetFoldersView);
  connect(v, &CViewBridge::MailsFound, this, &CKorvaneDlg::InsertFoundMails);
  connect(v, &CViewBridge::ScanEnded, this, &CKorvaneDlg::OnScanEnded);
  connect(v, &CViewBridge::MessageShown, this, [this](const QString& text) { Prompts().Inform(this, text); });
  v->fnSelectedFolder = [this] { return FolderOfItem(m_pTree->currentItem()); };
  v->fnChooseDirectory = [this](const QString& title) { return Prompts().ChooseDirectory(this, title); };
}

void CKorvaneDlg::OnProgressRangeSet(uint64_t total) {
  m_nProgressDivisor = total / INT_MAX + 1;
  m_pProgress->setRange(0, std::max(1, static_cast<int>(total / m_nProgressDivisor)));
  m_pProgress->setValue(0);
}

void CKorvaneDlg::OnScanEnded(tagFolderItem* inbox, size_t count) {
  if (!inbox || !inbox->hItem) return;
  auto* item = static_cast<QTreeWidgetItem*>(inbox->hItem);
  item->setText(0, W(LoadStringW(161)) + QStringLiteral(" (%1)").arg(count));
  if (m_pTree->currentItem() != item) m_pTree->setCurrentItem(item);
  UpdateSaveButton();
}
