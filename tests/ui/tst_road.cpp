// The whole road of a user, on the real recogniser, renderer and folder save: the window
// starts, the data-source dialog opens by itself, a generated image is chosen, the scan
// fills the list, a message is previewed, Find moves on and wraps, the folder is saved and
// the window closes without a question.

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "controls/button_ex.h"
#include "controls/list_ctrl_ex.h"
#include "res/string_table.h"
#include "scan/scan_state.h"
#include "tests/ui/ui_test_support.h"
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

}  // namespace

class TestRoad : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    m_prompts = std::make_unique<CScriptedPrompts>();
    CDataDlg::SetCandidateListerForTesting([] { return std::vector<tagSourceCandidate>{}; });
  }
  void cleanup() {
    CDataDlg::SetCandidateListerForTesting(nullptr);
    m_prompts.reset();
    if (!m_strImage.isEmpty()) QFile::remove(m_strImage);
  }
  void RoadOfAUser();

 private:
  std::unique_ptr<CKorvaneDlg> MakeDialog(int dataDelayMs) {
    tagDlgOptions opts;
    opts.nSplashMs = 0;
    opts.nDataDelayMs = dataDelayMs;
    opts.bMaximise = false;
    auto dlg = std::make_unique<CKorvaneDlg>(opts);
    dlg->resize(1100, 760);
    dlg->Init();
    return dlg;
  }

  std::unique_ptr<CScriptedPrompts> m_prompts;
  QString m_strImage;
};

void TestRoad::RoadOfAUser() {
  const std::vector<tagTestMail> mails = {
      {"zhang@example.org", "li@example.org", "会议通知", "明天上午九点开会。关键词：碎片"},
      {"wang@example.org", "li@example.org", "Quarterly report", "Numbers attached. 碎片 again"},
      {"zhao@example.org", "li@example.org", "周末安排", "去爬山吧"},
  };
  m_strImage = WriteTempFile(QStringLiteral("road.img"), MakeMailImage(mails));
  auto dlg = MakeDialog(0);  // the data-source dialog opens by itself
  m_prompts->openFile = m_strImage;
  bool chosen = false;
  WhenShown<CDataDlg>([&chosen](CDataDlg* d) {
    QTimer::singleShot(50, d, [d, &chosen] {
      d->findChild<QPushButton*>(QStringLiteral("openImageButton"))->click();
      d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
      chosen = true;
    });
  });
  QTRY_VERIFY(chosen);
  QTRY_VERIFY_WITH_TIMEOUT(!dlg->WorkerRunning() && dlg->List()->GetItemCount() > 0, 20000);
  QCOMPARE(dlg->RootItem()->child(0)->text(0), QStringLiteral("收件箱 (3)"));
  QCOMPARE(dlg->List()->GetItemCount(), 3);
  QVERIFY(Column(dlg->List(), 3).contains(QStringLiteral("会议通知")));

  // Selecting a row previews it.
  const int meeting = static_cast<int>(Column(dlg->List(), 3).indexOf(QStringLiteral("会议通知")));
  dlg->List()->SelectItem(meeting);
  QTRY_VERIFY(dlg->Preview()->toPlainText().contains(QStringLiteral("明天上午九点开会")));

  // Find selects the next match and wraps.
  dlg->List()->SelectItem(0);
  QList<int> found;
  for (int i = 0; i < 3; ++i) {
    WhenShown<CSearchDlg>([](CSearchDlg* d) {
      d->findChild<QLineEdit*>(QStringLiteral("searchText"))->setText(QStringLiteral("碎片"));
      d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    dlg->OnBnClickedFind();
    found << dlg->List()->GetSelectedItem();
  }
  QCOMPARE(found.size(), 3);
  QVERIFY(found[0] != found[1]);
  QCOMPARE(found[2], found[0]);

  // A folder save writes one file per message.
  QTemporaryDir out;
  m_prompts->directory = out.path();
  dlg->OnSaveFolder(EML);
  QTRY_VERIFY_WITH_TIMEOUT(!dlg->WorkerRunning(), 20000);
  const QDir inbox(QDir(out.path()).filePath(QStringLiteral("收件箱")));
  QCOMPARE(inbox.entryList({QStringLiteral("*.eml")}, QDir::Files).size(), qsizetype(3));
  QCOMPARE(m_prompts->informs.last(), QStringLiteral("成功保存 3 封邮件！"));
  QCOMPARE(m_prompts->lastDirectoryTitle, S(135));
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_DATA)->isEnabled());
  QVERIFY(dlg->Button(CKorvaneDlg::IDC_SAVE)->isEnabled());

  // Saved: closing asks nothing.
  const int asked = static_cast<int>(m_prompts->questions.size());
  QVERIFY(dlg->close());
  QCOMPARE(m_prompts->questions.size(), asked);
}

QTEST_MAIN(TestRoad)
#include "tst_road.moc"
