// The data-source dialog and the search.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "res/string_table.h"
#include "scan/mail_item.h"
#include "tests/ui/ui_test_support.h"
#include "ui/data_dialog.h"
#include "ui/search_dialog.h"

class TestDialogs : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { CDataDlg::SetCandidateListerForTesting(nullptr); }

  void SizeTexts();
  void NoSourceOpensTellsTheUser();
  void SourcesAreListedWithLabelAndSize();
  void AddedImagesAreListedEachTime();
  void OkOnASourceThatNoLongerOpensKeepsTheDialog();
  void CancelLeavesNoPath();

  void FindMovesOnAndWraps();
  void FindComparesOnlyAsciiWithoutCase();
  void FindJoinsTheFieldsWithoutSeparators();
  void SearchDialogExchangesItsText();

 private:
  QTreeWidgetItem* Group(CDataDlg& dlg, int i) { return dlg.Tree()->topLevelItem(i); }
  void Build(CDataDlg& dlg) {
    dlg.show();
    QTRY_VERIFY(dlg.Tree()->topLevelItemCount() == 2);
  }
};

void TestDialogs::SizeTexts() {
  QCOMPARE(FormatSourceSizeText(QStringLiteral("sda1"), 2091008), QStringLiteral("sda1  (1021.00M)"));
  QCOMPARE(FormatSourceSizeText(QStringLiteral("sda1"), 2091009), QStringLiteral("sda1  (1.00G)"));
  QCOMPARE(FormatSourceSizeText(QStringLiteral("stick"), 64 * 2048), QStringLiteral("stick  (64.00M)"));
  QCOMPARE(FormatSourceSizeText(QStringLiteral("C:  [System]"), 125808640), QStringLiteral("C:  [System]  (59.99G)"));
  QCOMPARE(FormatSourceSizeText(QStringLiteral("HD0"), 1), QStringLiteral("HD0  (0.00M)"));
}

void TestDialogs::NoSourceOpensTellsTheUser() {
  CScriptedPrompts prompts;
  CDataDlg::SetCandidateListerForTesting([] {
    return std::vector<tagSourceCandidate>{{u"/nonexistent/korvane/a.img", u"", false}, {u"HD9", u"", true}};
  });
  CDataDlg dlg;
  Build(dlg);
  QCOMPARE(dlg.windowTitle(), QStringLiteral("选择数据"));
  QCOMPARE(Group(dlg, 0)->text(0), QStringLiteral("本地磁盘"));
  QCOMPARE(Group(dlg, 0)->childCount(), 0);
  QCOMPARE(Group(dlg, 1)->text(0), QStringLiteral("镜像文件"));
  QCOMPARE(prompts.informs, QStringList{QString::fromStdU16String(LoadStringW(150))});
  QVERIFY(prompts.informs.first().contains(QStringLiteral("root")));
  QVERIFY(!dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());
}

void TestDialogs::SourcesAreListedWithLabelAndSize() {
  CScriptedPrompts prompts;
  const QString a = WriteTempFile(QStringLiteral("vol.img"), std::string(2048 * 512, '\0'));
  const QString b = WriteTempFile(QStringLiteral("disk.img"), std::string(4 * 512, '\0'));
  CDataDlg::SetCandidateListerForTesting([a, b] {
    return std::vector<tagSourceCandidate>{{a.toStdU16String(), u"System", false},
                                           {u"/nonexistent/korvane/x", u"", false},
                                           {b.toStdU16String(), u"", true}};
  });
  CDataDlg dlg;
  Build(dlg);
  QTreeWidgetItem* disks = Group(dlg, 0);
  QCOMPARE(disks->childCount(), 2);
  QCOMPARE(disks->child(0)->text(0), a + QStringLiteral("  [System]  (1.00M)"));
  QCOMPARE(disks->child(1)->text(0), b + QStringLiteral("  (0.00M)"));
  QVERIFY(prompts.informs.isEmpty());
  auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("okButton"));
  // The group is selected first: no source, no OK.
  QCOMPARE(dlg.Tree()->currentItem(), disks);
  QVERIFY(!ok->isEnabled());
  dlg.Tree()->setCurrentItem(disks->child(1));
  QVERIFY(ok->isEnabled());
  dlg.Tree()->setCurrentItem(Group(dlg, 1));
  QVERIFY(!ok->isEnabled());
  dlg.Tree()->setCurrentItem(disks->child(0));
  ok->click();
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QCOMPARE(QString::fromStdU16String(dlg.m_strPath), a);
}

void TestDialogs::AddedImagesAreListedEachTime() {
  CScriptedPrompts prompts;
  CDataDlg::SetCandidateListerForTesting([] { return std::vector<tagSourceCandidate>{}; });
  const QString img = WriteTempFile(QStringLiteral("twice.img"), std::string(3 * 512, 'x'));
  CDataDlg dlg;
  Build(dlg);
  auto* open = dlg.findChild<QPushButton*>(QStringLiteral("openImageButton"));
  QCOMPARE(open->text(), QStringLiteral("打开磁盘镜像文件"));
  prompts.openFile = img;
  open->click();
  open->click();
  QVERIFY(prompts.lastOpenFilter.startsWith(QStringLiteral("File(*.img *.dsk *.hex *.dbx *.box)")));
  QTreeWidgetItem* images = Group(dlg, 1);
  QCOMPARE(images->childCount(), 2);
  QCOMPARE(images->child(1)->text(0), img + QStringLiteral("  (0.00M)"));
  QCOMPARE(dlg.Tree()->currentItem(), images->child(1));
  // Files that do not open, or hold less than a sector, are not added.
  prompts.openFile = WriteTempFile(QStringLiteral("short.img"), std::string(100, 'x'));
  open->click();
  prompts.openFile = QStringLiteral("/nonexistent/korvane/y.img");
  open->click();
  prompts.openFile.clear();
  open->click();
  QCOMPARE(images->childCount(), 2);
}

void TestDialogs::OkOnASourceThatNoLongerOpensKeepsTheDialog() {
  CScriptedPrompts prompts;
  CDataDlg::SetCandidateListerForTesting([] { return std::vector<tagSourceCandidate>{}; });
  const QString img = WriteTempFile(QStringLiteral("gone.img"), std::string(512, 'x'));
  CDataDlg dlg;
  Build(dlg);
  prompts.openFile = img;
  dlg.findChild<QPushButton*>(QStringLiteral("openImageButton"))->click();
  prompts.informs.clear();  // string 150: no disk here
  QFile::remove(img);
  dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
  QCOMPARE(prompts.informs, QStringList{QString::fromStdU16String(LoadStringW(112))});
  QVERIFY(dlg.isVisible());
  QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void TestDialogs::CancelLeavesNoPath() {
  CScriptedPrompts prompts;
  CDataDlg::SetCandidateListerForTesting([] { return std::vector<tagSourceCandidate>{}; });
  CDataDlg dlg;
  Build(dlg);
  dlg.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
  QCOMPARE(dlg.result(), int(QDialog::Rejected));
  QVERIFY(dlg.m_strPath.empty());
}

namespace {

tagMailItem* Mail(const std::u16string& from, const std::u16string& to = u"", const std::u16string& subject = u"",
                  const std::u16string& body = u"") {
  auto* m = new tagMailItem;
  m->strFromW = from;
  m->strToW = to;
  m->strSubjectW = subject;
  m->strBodyW = body;
  return m;
}

}  // namespace

void TestDialogs::FindMovesOnAndWraps() {
  std::vector<std::unique_ptr<tagMailItem>> own;
  std::vector<const tagMailItem*> rows;
  for (int i = 0; i < 7; ++i) {
    own.emplace_back(Mail(u"a", u"b", u"s", (i == 1 || i == 5) ? u"needle here" : u"hay"));
    rows.push_back(own.back().get());
  }
  QCOMPARE(FindNextMatch(rows, 3, u"needle"), 5);
  QCOMPARE(FindNextMatch(rows, 5, u"needle"), 1);
  QCOMPARE(FindNextMatch(rows, 1, u"needle"), 5);
  QCOMPARE(FindNextMatch(rows, -1, u"needle"), 1);
  QCOMPARE(FindNextMatch(rows, 3, u"absent"), -1);
  // The only match in the selected row: found again by the wrap pass.
  std::vector<const tagMailItem*> one = {rows[0], rows[5], rows[2]};
  QCOMPARE(FindNextMatch(one, 1, u"needle"), 1);
  // A row without a record ends the pass it is met in.
  std::vector<const tagMailItem*> holed = {rows[0], nullptr, rows[5]};
  QCOMPARE(FindNextMatch(holed, -1, u"needle"), -1);
  QCOMPARE(FindNextMatch(holed, 1, u"needle"), 2);
}

void TestDialogs::FindComparesOnlyAsciiWithoutCase() {
  std::unique_ptr<tagMailItem> m(Mail(u"Abc@Example.ORG", u"", u"ÄÖ 主题"));
  std::vector<const tagMailItem*> rows = {m.get()};
  QCOMPARE(FindNextMatch(rows, -1, LowerAscii(u"ABC@EXAMPLE")), 0);
  QCOMPARE(FindNextMatch(rows, -1, LowerAscii(u"äö")), -1);  // only A-Z fold
  QCOMPARE(FindNextMatch(rows, -1, LowerAscii(u"ÄÖ 主题")), 0);
  QCOMPARE(LowerAscii(u"ABC xyZ Ä"), std::u16string(u"abc xyz Ä"));
}

void TestDialogs::FindJoinsTheFieldsWithoutSeparators() {
  std::unique_ptr<tagMailItem> m(Mail(u"from-end", u"to-start", u"subj", u"body"));
  QCOMPARE(MailHaystack(*m), std::u16string(u"from-endto-startsubjbody"));
  std::vector<const tagMailItem*> rows = {m.get()};
  QCOMPARE(FindNextMatch(rows, -1, u"endto"), 0);
  QCOMPARE(FindNextMatch(rows, -1, u"subjbody"), 0);
}

void TestDialogs::SearchDialogExchangesItsText() {
  CSearchDlg dlg;
  QCOMPARE(dlg.windowTitle(), QStringLiteral("查找设置"));
  dlg.m_strText = u"上次";
  WhenShown<CSearchDlg>([](CSearchDlg* d) {
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("searchText"));
    QCOMPARE(edit->text(), QStringLiteral("上次"));
    edit->setText(QStringLiteral("新的"));
    d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
  });
  QCOMPARE(dlg.exec(), int(QDialog::Accepted));
  QCOMPARE(dlg.m_strText, std::u16string(u"新的"));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
