// The main window: start-up, the scan as the window shows it, the tree and the list, the
// menus, search, closing and layout. The scans here use a stand-in for the recogniser;
// tst_road runs the real one.

#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <set>
#include <thread>

#include "controls/button_ex.h"
#include "controls/list_ctrl_ex.h"
#include "controls/progress_wnd.h"
#include "res/string_table.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "tests/ui/ui_test_support.h"
#include "ui/about_dialog.h"
#include "ui/data_dialog.h"
#include "ui/html_ctrl.h"
#include "ui/main_dialog.h"
#include "ui/search_dialog.h"

namespace {

QString S(int id) { return QString::fromStdU16String(LoadStringW(id)); }

QStringList Column(UI::CListCtrlEx* list, int col) {
  QStringList out;
  for (int i = 0; i < list->GetItemCount(); ++i) out << list->GetItemText(i, col);
  return out;
}

QStringList ActionTexts(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

}  // namespace

// Stands in for the desktop's browser: records the addresses it is asked to open.
class CUrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened << url; }
};

class TestMainDialog : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void StartUpShowsTheEmptyWindowAndOpensTheDataDialog();
  void ScanListsNewestFirstAndInboxCountsAfterwards();
  void StopEndsTheScan();
  void ScanNeverWaitsForTheWindowAndRowsComeInBatches();
  void ListingKeepsUpWithAFastScanAndFolderChanges();
  void ClosingDuringAScanAsks();
  void MenusOfTheTreeAndTheList();
  void FindSelectsTheNextMatchAndWraps();
  void FindWithAnEmptyListShowsNoDialog();
  void PreviewIsRecreatedForEverySelection();
  void PreviewLinksAsRootShowTheirAddress();
  void AboutOpensForWindowCommandsSixteenToThirtyOne();
  void EscapeAndEnterDoNotClose();
  void LayoutFollowsTheWindowSize();

 private:
  std::unique_ptr<CKorvaneDlg> MakeDialog(int dataDelayMs = -1);
  // Runs Data, adds `path` in the data-source dialog and chooses it.
  void ScanThroughDataDialog(CKorvaneDlg& dlg, const QString& path);
  QString SmallImage();

  std::unique_ptr<CScriptedPrompts> m_prompts;
  QString m_strImage;
};

void TestMainDialog::init() {
  g_bStop = 0;
  g_bScanning = 0;
  g_bSaving = 0;
  g_bUnsaved = 0;
  g_strSourcePath.Set(u"");
  m_prompts = std::make_unique<CScriptedPrompts>();
  CDataDlg::SetCandidateListerForTesting([] { return std::vector<tagSourceCandidate>{}; });
}

void TestMainDialog::cleanup() {
  CDataDlg::SetCandidateListerForTesting(nullptr);
  m_prompts.reset();
  if (!m_strImage.isEmpty()) QFile::remove(m_strImage);
  m_strImage.clear();
}

std::unique_ptr<CKorvaneDlg> TestMainDialog::MakeDialog(int dataDelayMs) {
  tagDlgOptions opts;
  opts.nSplashMs = 0;
  opts.nDataDelayMs = dataDelayMs;
  opts.bMaximise = false;
  auto dlg = std::make_unique<CKorvaneDlg>(opts);
  dlg->resize(1100, 760);
  dlg->Init();
  return dlg;
}

QString TestMainDialog::SmallImage() {
  m_strImage = WriteTempFile(QStringLiteral("small.img"), std::string(16 * 512, '\0'));
  return m_strImage;
}

void TestMainDialog::ScanThroughDataDialog(CKorvaneDlg& dlg, const QString& path) {
  m_prompts->openFile = path;
  WhenShown<CDataDlg>([](CDataDlg* d) {
    QTimer::singleShot(50, d, [d] {
      d->findChild<QPushButton*>(QStringLiteral("openImageButton"))->click();
      d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
  });
  dlg.OnBnClickedData();
}

void TestMainDialog::StartUpShowsTheEmptyWindowAndOpensTheDataDialog() {
  QElapsedTimer clock;
  clock.start();
  qint64 shownAfter = -1;
  WhenShown<CDataDlg>([&](CDataDlg* d) {
    shownAfter = clock.elapsed();
    d->reject();
  });
  auto dlg = MakeDialog(1000);
  QCOMPARE(dlg->windowTitle(),
           QStringLiteral("KorvanePelorin邮件碎片扫描恢复软件 V2.0  for Outlook Express & Foxmail"));
  QCOMPARE(dlg->minimumSize(), QSize(800, 600));
  QCOMPARE(dlg->Button(CKorvaneDlg::IDC_SAVE)->text(), QStringLiteral("保存"));
  QCOMPARE(dlg->Button(CKorvaneDlg::IDC_DATA)->text(), QStringLiteral("数据"));
  QCOMPARE(dlg->Button(CKorvaneDlg::IDC_HELP)->text(), QStringLiteral("帮助"));
  QCOMPARE(dlg->Button(CKorvaneDlg::IDC_FIND)->text(), QStringLiteral("查找"));
  QCOMPARE(dlg->Button(CKorvaneDlg::IDC_STOP)->text(), QStringLiteral("停止"));
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_STOP)->isEnabled());
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_FIND)->isEnabled());  // the store was just reset
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_SETTINGS)->isHidden());
  QVERIFY(dlg->Progress()->GetText().isEmpty());
  QCOMPARE(dlg->Progress()->value(), 0);
  // The tree before any scan, and an empty list with its four columns.
  QCOMPARE(dlg->Tree()->topLevelItemCount(), 1);
  QTreeWidgetItem* root = dlg->Tree()->topLevelItem(0);
  QCOMPARE(root->text(0), QStringLiteral("本地文件夹"));
  QCOMPARE(root->childCount(), 1);
  QCOMPARE(root->child(0)->text(0), QStringLiteral("收件箱"));
  QVERIFY(root->isExpanded());
  QCOMPARE(dlg->List()->GetItemCount(), 0);
  QCOMPARE(dlg->List()->GetColumnCount(), 4);
  QCOMPARE(dlg->List()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("!&"));
  QCOMPARE(dlg->List()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("发件人"));
  QCOMPARE(dlg->List()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("接收时间"));
  QCOMPARE(dlg->List()->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("主题"));
  // About a second later the data-source dialog opens by itself; cancelling it changes nothing.
  QTRY_VERIFY_WITH_TIMEOUT(shownAfter >= 0, 5000);
  QVERIFY(shownAfter >= 900);
  QTRY_VERIFY(dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
  QVERIFY(!dlg->WorkerRunning());
}

void TestMainDialog::ScanListsNewestFirstAndInboxCountsAfterwards() {
  auto dlg = MakeDialog();
  std::atomic<int> gate{0};
  dlg->SetChunkConsumerFactory([&gate](CMailView* v) { return MakeFakeConsumer(v, 3, &gate); });
  const QString image = SmallImage();
  ScanThroughDataDialog(*dlg, image);
  QTRY_VERIFY(g_bScanning.load());
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_STOP)->isEnabled());
  QCOMPARE(dlg->RootItem()->text(0),
           QStringLiteral("本地文件夹 [") + QFileInfo(image).fileName() + QStringLiteral("]"));
  QTRY_VERIFY(dlg->Progress()->GetText().startsWith(QStringLiteral("找到 0 封邮件\r\n正在处理")));

  gate = 1;
  QTRY_COMPARE(dlg->List()->GetItemCount(), 1);
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_FIND)->isEnabled());
  gate = 2;
  QTRY_COMPARE(Column(dlg->List(), 3), QStringList({"Mail 2", "Mail 1"}));
  // Picking another folder and the Inbox again during the scan lists what exists once.
  dlg->Tree()->setCurrentItem(dlg->RootItem());
  QCOMPARE(dlg->List()->GetItemCount(), 0);
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());
  dlg->Tree()->setCurrentItem(dlg->RootItem()->child(0));
  QCOMPARE(Column(dlg->List(), 3), QStringList({"Mail 1", "Mail 2"}));
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());  // no save beside a scan
  gate = 3;
  QTRY_COMPARE(Column(dlg->List(), 3), QStringList({"Mail 3", "Mail 1", "Mail 2"}));
  QTRY_VERIFY(!dlg->WorkerRunning());

  QCOMPARE(dlg->RootItem()->child(0)->text(0), QStringLiteral("收件箱 (3)"));
  QCOMPARE(dlg->Tree()->currentItem(), dlg->RootItem()->child(0));
  // The Inbox was already selected: the end of the scan does not refill it.
  QCOMPARE(Column(dlg->List(), 3), QStringList({"Mail 3", "Mail 1", "Mail 2"}));
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_STOP)->isEnabled());
  QVERIFY(dlg->Progress()->GetText().isEmpty());
  // Selecting the Inbox anew lists the messages in the order found, with their markers.
  dlg->Tree()->setCurrentItem(dlg->RootItem());
  dlg->Tree()->setCurrentItem(dlg->RootItem()->child(0));
  QCOMPARE(Column(dlg->List(), 3), QStringList({"Mail 1", "Mail 2", "Mail 3"}));
  QCOMPARE(Column(dlg->List(), 0), QStringList({"!", " ", " "}));
  QCOMPARE(Column(dlg->List(), 1).first(), QStringLiteral("sender1@example.org"));
  QCOMPARE(Column(dlg->List(), 2).first(), QStringLiteral("2013-03-01 09:08:07"));

  // A second Data asks before dropping the results; No keeps them.
  m_prompts->answers = {CUserPrompts::Answer::No};
  dlg->OnBnClickedData();
  QCOMPARE(m_prompts->questions.last(), S(104));
  QCOMPARE(dlg->List()->GetItemCount(), 3);
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
}

void TestMainDialog::StopEndsTheScan() {
  auto dlg = MakeDialog();
  std::atomic<int> gate{1};
  dlg->SetChunkConsumerFactory([&gate](CMailView* v) { return MakeFakeConsumer(v, 5, &gate); });
  ScanThroughDataDialog(*dlg, SmallImage());
  QTRY_COMPARE(dlg->List()->GetItemCount(), 1);
  QTest::mouseClick(dlg->Button(CKorvaneDlg::IDC_STOP), Qt::LeftButton);
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_STOP)->isEnabled());
  QTRY_VERIFY(!dlg->WorkerRunning());
  QVERIFY(!g_bScanning.load());
  QCOMPARE(dlg->RootItem()->child(0)->text(0), QStringLiteral("收件箱 (1)"));
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
  QVERIFY(!dlg->Button(CKorvaneDlg::IDC_STOP)->isEnabled());
}

void TestMainDialog::ScanNeverWaitsForTheWindowAndRowsComeInBatches() {
  auto dlg = MakeDialog();
  const int kMails = 3000;
  std::atomic<int> gate{1};
  dlg->SetChunkConsumerFactory([&gate](CMailView* v) { return MakeFakeConsumer(v, kMails, &gate); });
  ScanThroughDataDialog(*dlg, SmallImage());
  QTRY_COMPARE(dlg->List()->GetItemCount(), 1);
  dlg->List()->SelectItem(0);
  auto* first = static_cast<tagMailItem*>(dlg->List()->GetItemData(0));
  QVERIFY(first);

  // The UI thread serves nothing while the scan finds the rest: a scan that waited for the
  // window would stop at the next message.
  QSignalSpy inserted(dlg->List()->model(), &QAbstractItemModel::rowsInserted);
  gate = kMails;
  QElapsedTimer waited;
  waited.start();
  while (g_nMailCount.load() < kMails && waited.elapsed() < 20000) QThread::msleep(5);
  QCOMPARE(g_nMailCount.load(), kMails);
  QCOMPARE(dlg->List()->GetItemCount(), 1);

  // The window then takes them in as a few batches, newest on top; the selection stays on
  // its record, which is now the last row.
  QTRY_VERIFY_WITH_TIMEOUT(!dlg->WorkerRunning(), 20000);
  QCOMPARE(dlg->List()->GetItemCount(), kMails);
  QVERIFY2(inserted.count() <= 3, qPrintable(QString::number(inserted.count())));
  QCOMPARE(dlg->List()->GetItemText(0, 3), QStringLiteral("Mail %1").arg(kMails));
  QCOMPARE(dlg->List()->GetItemText(kMails - 1, 3), QStringLiteral("Mail 1"));
  QCOMPARE(dlg->List()->GetSelectedItem(), kMails - 1);
  QCOMPARE(dlg->List()->GetItemData(kMails - 1), static_cast<void*>(first));
  QCOMPARE(dlg->RootItem()->child(0)->text(0), QStringLiteral("收件箱 (%1)").arg(kMails));
  QVERIFY(dlg->Progress()->GetText().isEmpty());
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());
}

void TestMainDialog::ListingKeepsUpWithAFastScanAndFolderChanges() {
  // The scan finds messages while the window takes them in and the user switches folders:
  // the Inbox always lists every record found so far exactly once.
  auto dlg = MakeDialog();
  const int kMails = 20000;
  std::atomic<int> gate{0};
  dlg->SetChunkConsumerFactory([&gate](CMailView* v) { return MakeFakeConsumer(v, kMails, &gate); });
  ScanThroughDataDialog(*dlg, SmallImage());
  QTRY_VERIFY(g_bScanning.load());
  // A feeder of its own lets the scan on, so that nothing but the window's own locks
  // orders the scan and the UI thread.
  std::atomic<bool> feeding{true};
  std::thread feeder([&] {
    while (feeding.load() && gate.load() < kMails) {
      gate += 40;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  QTreeWidgetItem* inbox = dlg->RootItem()->child(0);
  QElapsedTimer clock;
  clock.start();
  int switches = 0;
  while (dlg->WorkerRunning() && clock.elapsed() < 60000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // Only while the scan runs: its end selects the Inbox after the last switch.
    if (g_bScanning.load() && clock.elapsed() > 20 * (switches + 1) && switches < 20) {
      ++switches;
      dlg->Tree()->setCurrentItem(switches % 2 ? dlg->RootItem() : inbox);
    }
  }
  feeding = false;
  feeder.join();
  QVERIFY(!dlg->WorkerRunning());
  QCoreApplication::processEvents();
  QCOMPARE(dlg->Tree()->currentItem(), inbox);
  QCOMPARE(dlg->List()->GetItemCount(), kMails);
  std::set<const void*> seen;
  for (int i = 0; i < kMails; ++i) seen.insert(dlg->List()->GetItemData(i));
  QCOMPARE(int(seen.size()), kMails);
  QVERIFY(!seen.count(nullptr));
}

void TestMainDialog::ClosingDuringAScanAsks() {
  auto dlg = MakeDialog();
  std::atomic<int> gate{1};
  dlg->SetChunkConsumerFactory([&gate](CMailView* v) { return MakeFakeConsumer(v, 5, &gate); });
  ScanThroughDataDialog(*dlg, SmallImage());
  QTRY_COMPARE(dlg->List()->GetItemCount(), 1);

  // Yes: the window and the scan go on.
  m_prompts->answers = {CUserPrompts::Answer::Yes};
  QVERIFY(!dlg->close());
  QCOMPARE(m_prompts->questions, QStringList{S(106)});
  QVERIFY(dlg->isVisible());
  QVERIFY(g_bScanning.load());
  gate = 2;
  QTRY_COMPARE(dlg->List()->GetItemCount(), 2);

  // No, then OK: the scan stops and the window stays open for saving.
  m_prompts->answers = {CUserPrompts::Answer::No, CUserPrompts::Answer::Ok};
  QVERIFY(!dlg->close());
  QCOMPARE(m_prompts->questions, QStringList({S(106), S(106), S(149)}));
  QVERIFY(dlg->isVisible());
  QTRY_VERIFY(!dlg->WorkerRunning());
  QCOMPARE(dlg->RootItem()->child(0)->text(0), QStringLiteral("收件箱 (2)"));

  // Cancel on the unsaved question closes.
  m_prompts->answers = {CUserPrompts::Answer::Cancel};
  QVERIFY(dlg->close());
  QCOMPARE(m_prompts->questions.size(), 4);
  QVERIFY(!dlg->View()->WindowExists());
}

void TestMainDialog::MenusOfTheTreeAndTheList() {
  auto dlg = MakeDialog();
  // Before a scan: the root gets no menu, nor does the empty Inbox.
  dlg->Tree()->setCurrentItem(dlg->RootItem());
  QVERIFY(!std::unique_ptr<QMenu>(dlg->CreateFolderMenu()));
  dlg->Tree()->setCurrentItem(dlg->RootItem()->child(0));
  QVERIFY(!std::unique_ptr<QMenu>(dlg->CreateFolderMenu()));
  QVERIFY(!std::unique_ptr<QMenu>(dlg->CreateMailMenu(true)));

  dlg->SetChunkConsumerFactory([](CMailView* v) { return MakeFakeConsumer(v, 2); });
  const QString image = SmallImage();
  ScanThroughDataDialog(*dlg, image);
  QTRY_VERIFY(!dlg->WorkerRunning());
  QCOMPARE(dlg->List()->GetItemCount(), 2);

  std::unique_ptr<QMenu> folder(dlg->CreateFolderMenu());
  QVERIFY(folder);
  QCOMPARE(ActionTexts(folder.get()), QStringList({"保存成eml文件", "-", "保存成txt文件"}));
  for (QAction* a : folder->actions()) QVERIFY(a->isEnabled());
  // A save or a scan running: the folder save is not offered.
  g_bSaving = 1;
  folder.reset(dlg->CreateFolderMenu());
  QVERIFY(!folder->actions().first()->isEnabled());
  g_bSaving = 0;
  dlg->Tree()->setCurrentItem(dlg->RootItem());
  QVERIFY(!std::unique_ptr<QMenu>(dlg->CreateFolderMenu()));
  dlg->Tree()->setCurrentItem(dlg->RootItem()->child(0));

  QVERIFY(!std::unique_ptr<QMenu>(dlg->CreateMailMenu(false)));  // no row selected
  dlg->List()->SelectItem(1);
  std::unique_ptr<QMenu> mail(dlg->CreateMailMenu(false));
  QCOMPARE(ActionTexts(mail.get()), QStringList({"保存成eml文件", "-", "保存成txt文件"}));
  mail.reset(dlg->CreateMailMenu(true));
  QCOMPARE(ActionTexts(mail.get()), QStringList({"保存成eml文件", "-", "保存成txt文件", "-", "查看属性"}));
  QCOMPARE(CKorvaneDlg::kPropertiesChordKey, int(Qt::Key_P));

  auto* item = static_cast<tagMailItem*>(dlg->List()->GetItemData(1));
  dlg->OnMailProperties();
  QCOMPARE(m_prompts->informs.last(), QStringLiteral("数据源： %1 \r\n位  置： %2 扇区").arg(image).arg(item->nSector));
}

void TestMainDialog::FindSelectsTheNextMatchAndWraps() {
  auto dlg = MakeDialog();
  dlg->SetChunkConsumerFactory([](CMailView* v) { return MakeFakeConsumer(v, 4); });
  ScanThroughDataDialog(*dlg, SmallImage());
  QTRY_VERIFY(!dlg->WorkerRunning());
  dlg->Tree()->setCurrentItem(dlg->RootItem());
  dlg->Tree()->setCurrentItem(dlg->RootItem()->child(0));  // Mail 1 .. Mail 4, in order
  auto find = [&](const QString& text, const QString& expectOffered) {
    WhenShown<CSearchDlg>([text, expectOffered](CSearchDlg* d) {
      auto* edit = d->findChild<QLineEdit*>(QStringLiteral("searchText"));
      QCOMPARE(edit->text(), expectOffered);
      edit->setText(text);
      d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    dlg->OnBnClickedFind();
  };
  // Matches in rows 1 and 3 ("sender2", "sender4"): the subjects are Mail 2 and Mail 4.
  std::vector<tagMailItem*> rows;
  for (int i = 0; i < 4; ++i) rows.push_back(static_cast<tagMailItem*>(dlg->List()->GetItemData(i)));
  rows[1]->strToW = u"needle@Example.org";
  rows[3]->strSubjectW = u"NEEDLE";
  dlg->List()->SelectItem(2);
  find(QStringLiteral("Needle"), LastSearchText().empty() ? QString() : QString::fromStdU16String(LastSearchText()));
  QCOMPARE(dlg->List()->GetSelectedItem(), 3);
  find(QStringLiteral("Needle"), QStringLiteral("Needle"));
  QCOMPARE(dlg->List()->GetSelectedItem(), 1);
  find(QStringLiteral("Needle"), QStringLiteral("Needle"));
  QCOMPARE(dlg->List()->GetSelectedItem(), 3);
  // No match: nothing changes.
  find(QStringLiteral("absent"), QStringLiteral("Needle"));
  QCOMPARE(dlg->List()->GetSelectedItem(), 3);
  QCOMPARE(LastSearchText(), std::u16string(u"absent"));
}

void TestMainDialog::FindWithAnEmptyListShowsNoDialog() {
  auto dlg = MakeDialog();
  bool shown = false;
  WhenShown<CSearchDlg>(
      [&shown](CSearchDlg* d) {
        shown = true;
        d->reject();
      },
      500);
  dlg->OnBnClickedFind();
  QTest::qWait(100);
  QVERIFY(!shown);
}

void TestMainDialog::PreviewLinksAsRootShowTheirAddress() {
  auto dlg = MakeDialog();
  CUrlCatcher browser;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "Open");
  const QString address = QStringLiteral("https://example.org/a?b=1&c=%E4%BD%A0");
  dlg->Preview()->LoadHtml(u"<p><a href=\"" + address.toStdU16String() + u"\">链接</a></p>");
  auto click = [&] {
    QTextCursor c = dlg->Preview()->document()->find(QStringLiteral("链接"));
    QVERIFY(!c.isNull());
    c.setPosition(c.selectionStart() + 1);
    QTest::mouseClick(dlg->Preview()->viewport(), Qt::LeftButton, {}, dlg->Preview()->cursorRect(c).center());
  };

  CHtmlCtrl::SetRunningAsRootForTesting(true);
  click();
  QVERIFY(browser.opened.isEmpty());
  QCOMPARE(m_prompts->informs.size(), 1);
  QCOMPARE(
      m_prompts->informs.last(),
      QStringLiteral("本程序以 root 身份运行，为了安全，邮件中的链接不会在浏览器中打开。\r\n链接地址：\r\n") + address);

  // Not as root: the browser opens it. A fresh preview (a new selection) behaves the same.
  CHtmlCtrl::SetRunningAsRootForTesting(false);
  dlg->RecreatePreviewControl();
  dlg->Preview()->LoadHtml(u"<p><a href=\"" + address.toStdU16String() +
                           u"\">链接</a> <a href=\"file:///etc/passwd\">文件</a></p>");
  click();
  QCOMPARE(browser.opened, QList<QUrl>{QUrl(address)});
  QCOMPARE(m_prompts->informs.size(), 1);
  QTextCursor c = dlg->Preview()->document()->find(QStringLiteral("文件"));
  c.setPosition(c.selectionStart() + 1);
  QTest::mouseClick(dlg->Preview()->viewport(), Qt::LeftButton, {}, dlg->Preview()->cursorRect(c).center());
  QCOMPARE(browser.opened.size(), 1);
  QCOMPARE(m_prompts->informs.last(),
           QStringLiteral("这个链接不是网页或邮件地址，为了安全不会打开它。\r\n链接地址：\r\nfile:///etc/passwd"));
  CHtmlCtrl::SetRunningAsRootForTesting(std::nullopt);
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestMainDialog::PreviewIsRecreatedForEverySelection() {
  auto dlg = MakeDialog();
  dlg->SetChunkConsumerFactory([](CMailView* v) { return MakeFakeConsumer(v, 3); });
  ScanThroughDataDialog(*dlg, SmallImage());
  QTRY_VERIFY(!dlg->WorkerRunning());
  const QRect place = dlg->Preview()->geometry();
  QPointer<CHtmlCtrl> first = dlg->Preview();
  for (int row : {0, 1, 2, 1}) {
    dlg->List()->SelectItem(row);
    QCOMPARE(dlg->findChildren<CHtmlCtrl*>().size(), qsizetype(1));
    QCOMPARE(dlg->Preview()->geometry(), place);
    QCOMPARE(dlg->Preview()->objectName(), QStringLiteral("preview"));
  }
  QVERIFY(first.isNull());
}

void TestMainDialog::AboutOpensForWindowCommandsSixteenToThirtyOne() {
  auto dlg = MakeDialog();
  std::unique_ptr<QMenu> menu(dlg->CreateWindowMenu());
  QVERIFY(ActionTexts(menu.get()).contains(QStringLiteral("关于 Korvane(&A)...")));
  int opened = 0;
  for (int id : {16, 31, 32, 0}) {
    WhenShown<CAboutDlg>(
        [&opened](CAboutDlg* d) {
          ++opened;
          QCOMPARE(d->windowTitle(), QStringLiteral("关于 Korvane"));
          d->accept();
        },
        300);
    dlg->OnSysCommand(id);
    QTest::qWait(350);
  }
  QCOMPARE(opened, 2);
}

void TestMainDialog::EscapeAndEnterDoNotClose() {
  auto dlg = MakeDialog();
  QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
  QTest::keyClick(dlg.get(), Qt::Key_Escape);
  QTest::keyClick(dlg.get(), Qt::Key_Return);
  QTest::keyClick(dlg->Tree(), Qt::Key_Escape);
  QVERIFY(dlg->isVisible());
  QVERIFY(m_prompts->questions.isEmpty());
}

void TestMainDialog::LayoutFollowsTheWindowSize() {
  auto dlg = MakeDialog();
  dlg->resize(1000, 700);
  QTest::qWait(20);
  const QRect tree = dlg->Tree()->geometry();
  QCOMPARE(tree.bottom() + 1, 700 - 120);
  const QRect list = dlg->List()->geometry();
  QCOMPARE(list.left(), tree.right() + 1 + 5);
  QCOMPARE(list.right() + 1, 1000 - 10);
  QCOMPARE(list.top(), tree.top());
  const QRect preview = dlg->Preview()->geometry();
  QCOMPARE(preview.bottom() + 1, 700 - 10);
  QCOMPARE(preview.top(), list.bottom() + 1 + 7);
  QCOMPARE(dlg->findChild<QWidget*>(QStringLiteral("text1039"))->geometry().bottom() + 1, 700 - 10);
  QCOMPARE(dlg->findChild<QWidget*>(QStringLiteral("text1036"))->geometry().top(), 700 - 10 - 15 - 4 * 19);
  // A tree wider than half the window is narrowed to half.
  dlg->Tree()->setGeometry(tree.left(), tree.top(), 700, tree.height());
  dlg->resize(900, 650);
  QTest::qWait(20);
  QCOMPARE(dlg->Tree()->width(), 450);
  dlg->resize(300, 200);
  QTest::qWait(20);
  QVERIFY(dlg->width() >= 800 && dlg->height() >= 600);
}

QTEST_MAIN(TestMainDialog)
#include "tst_main_dialog.moc"
