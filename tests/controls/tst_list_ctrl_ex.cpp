// The message list's sorting and its header's painting.
#include "control_test_util.h"
#include "controls/header_ctrl_ex.h"
#include "controls/list_ctrl_ex.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ControlTest;
using UI::CHeaderCtrlEx;
using UI::CListCtrlEx;

class TestListCtrlEx : public QObject {
  Q_OBJECT

 private:
  // A list with the main window's four columns and one row per entry of subjects,
  // inserted at the bottom; each row's item data points into m_tags.
  void Fill(CListCtrlEx& list, const QStringList& subjects) {
    if (list.GetColumnCount() == 0) {
      list.InsertColumn(0, QStringLiteral("!&"), Qt::AlignLeft, 25);
      list.InsertColumn(1, QStringLiteral("From"), Qt::AlignLeft, 200);
      list.InsertColumn(2, QStringLiteral("Date"), Qt::AlignLeft, 130);
      list.InsertColumn(3, QStringLiteral("Subject"), Qt::AlignLeft, 300);
    }
    for (int i = 0; i < subjects.size(); ++i) {
      const int n = list.InsertItem(list.GetItemCount(), QStringLiteral(" "), &m_tags[size_t(i)]);
      list.SetItemText(n, 1, QStringLiteral("sender%1").arg(i));
      list.SetItemText(n, 3, subjects[i]);
    }
  }

  static QStringList Column(const CListCtrlEx& list, int nColumn) {
    QStringList texts;
    for (int i = 0; i < list.GetItemCount(); ++i) texts << list.GetItemText(i, nColumn);
    return texts;
  }

  // Clicks header section nColumn with the mouse.
  static void ClickHeader(CListCtrlEx& list, int nColumn) {
    CHeaderCtrlEx* pHeader = list.GetHeaderCtrl();
    const QPoint pt(pHeader->sectionViewportPosition(nColumn) + 10, pHeader->height() / 2);
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
  }

  std::array<int, 16> m_tags{};

 private slots:
  void insertAtTopKeepsNewestFirstAndItemData() {
    CListCtrlEx list;
    Fill(list, {});
    int a = 0, b = 0;
    list.InsertItem(0, QStringLiteral("first"), &a);
    list.InsertItem(0, QStringLiteral("second"), &b);
    QCOMPARE(list.GetItemCount(), 2);
    QCOMPARE(list.GetItemText(0, 0), QStringLiteral("second"));
    QCOMPARE(list.GetItemData(0), static_cast<void*>(&b));
    QCOMPARE(list.GetItemData(1), static_cast<void*>(&a));
    QCOMPARE(list.GetItemData(2), nullptr);
    QCOMPARE(list.GetItemText(0, 7), QString());
    QVERIFY(!list.SetItemText(5, 1, QStringLiteral("x")));
  }

  void batchGoesInAtOnceAndSelectionStaysOnItsRow() {
    CListCtrlEx list;
    list.resize(600, 200);
    list.show();
    Fill(list, {QStringLiteral("old0"), QStringLiteral("old1")});
    list.SelectItem(1);
    QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy selected(&list, &CListCtrlEx::ItemSelected);
    int a = 0, b = 0;
    std::vector<CListCtrlEx::tagRow> rows(3);
    rows[0] = {&a, {QStringLiteral("!&"), QStringLiteral("x@example.org"), QString(), QStringLiteral("new0")}};
    rows[1] = {&b, {QStringLiteral(" ")}};  // texts missing on the right read as empty
    rows[2] = {nullptr, {QStringLiteral(" "), QString(), QString(), QStringLiteral("new2"), QStringLiteral("dropped")}};
    QCOMPARE(list.InsertItems(0, std::move(rows)), 0);
    QCOMPARE(inserted.count(), 1);  // one change of the list, whatever the batch size
    QCOMPARE(Column(list, 3), QStringList({"new0", "", "new2", "old0", "old1"}));
    QCOMPARE(list.GetItemText(0, 0), QStringLiteral("!&"));
    QCOMPARE(list.GetItemText(0, 1), QStringLiteral("x@example.org"));
    QCOMPARE(list.GetItemData(0), static_cast<void*>(&a));
    QCOMPARE(list.GetItemData(1), static_cast<void*>(&b));
    QCOMPARE(list.GetItemText(2, 4), QString());
    // The selected row moved down with its record and was not selected again.
    QCOMPARE(list.GetSelectedItem(), 4);
    QCOMPARE(list.GetItemData(4), static_cast<void*>(&m_tags[1]));
    QCOMPARE(selected.count(), 0);
    // Positions clamp; an empty batch changes nothing.
    QCOMPARE(list.InsertItems(99, {{nullptr, {QStringLiteral("end")}}}), 5);
    QCOMPARE(list.GetItemText(5, 0), QStringLiteral("end"));
    QCOMPARE(list.InsertItems(-3, {}), 0);
    QCOMPARE(list.GetItemCount(), 6);
    QCOMPARE(inserted.count(), 2);
  }

  void oneRowDoesNotReorderButMarksColumn() {
    CListCtrlEx list;
    list.resize(600, 200);
    list.show();
    Fill(list, {QStringLiteral("only")});
    ClickHeader(list, 3);
    QCOMPARE(list.GetHeaderCtrl()->GetSortColumn(), 3);
    QVERIFY(list.GetHeaderCtrl()->IsSortAscending());
    QCOMPARE(list.GetItemText(0, 3), QStringLiteral("only"));
  }

  void repeatedClicksFlipAndOtherColumnStartsAscending() {
    CListCtrlEx list;
    list.resize(700, 200);
    list.show();
    Fill(list, {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")});
    // Column 1 holds sender0..sender2 in insertion order.
    ClickHeader(list, 3);
    QCOMPARE(Column(list, 3), (QStringList{"a", "b", "c"}));
    ClickHeader(list, 3);
    QCOMPARE(Column(list, 3), (QStringList{"c", "b", "a"}));
    QVERIFY(!list.GetHeaderCtrl()->IsSortAscending());
    ClickHeader(list, 3);
    QCOMPARE(Column(list, 3), (QStringList{"a", "b", "c"}));
    ClickHeader(list, 1);
    QCOMPARE(list.GetHeaderCtrl()->GetSortColumn(), 1);
    QCOMPARE(Column(list, 1), (QStringList{"sender0", "sender1", "sender2"}));
    ClickHeader(list, 1);
    QCOMPARE(Column(list, 1), (QStringList{"sender2", "sender1", "sender0"}));
  }

  void itemDataTravelsWithItsRow() {
    CListCtrlEx list;
    Fill(list, {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")});
    list.SortByColumn(3, true);
    QCOMPARE(list.GetItemData(0), static_cast<void*>(&m_tags[2]));
    QCOMPARE(list.GetItemData(1), static_cast<void*>(&m_tags[0]));
    QCOMPARE(list.GetItemData(2), static_cast<void*>(&m_tags[1]));
    QCOMPARE(list.GetItemText(0, 1), QStringLiteral("sender2"));
  }

  void emptyTextsFirstAscendingLastDescending() {
    CListCtrlEx list;
    Fill(list, {QStringLiteral("m"), QString(), QStringLiteral("a"), QString()});
    list.SortByColumn(3, true);
    QCOMPARE(Column(list, 3), (QStringList{"", "", "a", "m"}));
    list.SortByColumn(3, false);
    QCOMPARE(Column(list, 3), (QStringList{"m", "a", "", ""}));
  }

  void codeUnitOrderNoLocale() {
    CListCtrlEx list;
    // U+00E9 sorts after every ASCII letter; a surrogate pair after U+FF01.
    const QString strAccent = QString(QChar(0x00E9));
    const QString strFullwidth = QString(QChar(0xFF01));
    const QString strEmoji = QString::fromUcs4(U"\U0001F600");
    Fill(list,
         {QStringLiteral("alpha"), strAccent, QStringLiteral("Zeta"), strEmoji, strFullwidth, QStringLiteral("Alpha")});
    list.SortByColumn(3, true);
    // Surrogates (0xD800..) sort below 0xFF01 in UTF-16 code-unit order.
    QCOMPARE(Column(list, 3), (QStringList{"Alpha", "Zeta", "alpha", strAccent, strEmoji, strFullwidth}));
  }

  void equalTextsKeepTheirOrder() {
    CListCtrlEx list;
    Fill(list, {QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("a"), QStringLiteral("x")});
    list.SortByColumn(3, true);
    QCOMPARE(Column(list, 1), (QStringList{"sender2", "sender0", "sender1", "sender3"}));
  }

  void noSelectionAfterSort() {
    CListCtrlEx list;
    list.resize(600, 200);
    list.show();
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    QVERIFY(list.SelectItem(1));
    QCOMPARE(list.GetSelectedItem(), 1);
    list.SortByColumn(3, true);
    QCOMPARE(list.GetSelectedItem(), -1);
    QVERIFY(!list.currentIndex().isValid());
  }

  void persistentIndexFollowsItsRow() {
    CListCtrlEx list;
    Fill(list, {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")});
    const QPersistentModelIndex idx(list.model()->index(0, 3));  // "b"
    list.SortByColumn(3, false);
    QCOMPARE(idx.row(), 1);
    QCOMPARE(idx.data().toString(), QStringLiteral("b"));
  }

  void rowsArrivingQuicklyRepaintLater() {
    CListCtrlEx list;
    list.resize(600, 200);
    Fill(list, {});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.InsertItem(0, QStringLiteral("a"));
    list.InsertItem(0, QStringLiteral("b"));
    QVERIFY(!list.updatesEnabled());
    QTRY_VERIFY(list.updatesEnabled());
    // Redraw switched off by the owner stays off when the interval ends.
    list.SetRedraw(false);
    list.InsertItem(0, QStringLiteral("c"));
    QTest::qWait(3 * CListCtrlEx::kRepaintIntervalMs);
    QVERIFY(!list.updatesEnabled());
    list.SetRedraw(true);
    QVERIFY(list.updatesEnabled());
    QCOMPARE(list.GetItemCount(), 3);
  }

  void headerFollowsTheListFont() {
    CListCtrlEx list;
    QFont f = list.font();
    f.setPixelSize(23);
    list.setFont(f);
    QCOMPARE(list.GetHeaderCtrl()->font().pixelSize(), 23);
  }

  void sortKeepsColumnWidths() {
    CListCtrlEx list;
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    list.SortByColumn(3, true);
    QCOMPARE(list.columnWidth(0), 25);
    QCOMPARE(list.columnWidth(1), 200);
    QCOMPARE(list.columnWidth(3), 300);
    list.DeleteAllItems();
    QCOMPARE(list.columnWidth(1), 200);
    QCOMPARE(list.GetColumnCount(), 4);
  }

  void deleteAllItemsClearsSortColumn() {
    CListCtrlEx list;
    list.resize(700, 200);
    list.show();
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    ClickHeader(list, 3);
    QCOMPARE(list.GetHeaderCtrl()->GetSortColumn(), 3);
    list.DeleteAllItems();
    QCOMPARE(list.GetItemCount(), 0);
    QCOMPARE(list.GetHeaderCtrl()->GetSortColumn(), -1);
    // Sorted ascending before; the next click on the same column sorts ascending again.
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    ClickHeader(list, 3);
    QVERIFY(list.GetHeaderCtrl()->IsSortAscending());
    QCOMPARE(Column(list, 3), (QStringList{"a", "b"}));
  }

  void unsortableListIgnoresClicks() {
    CListCtrlEx list(false);
    list.resize(700, 200);
    list.show();
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    ClickHeader(list, 3);
    list.SortByColumn(3, true);
    QCOMPARE(Column(list, 3), (QStringList{"b", "a"}));
    QCOMPARE(list.GetHeaderCtrl()->GetSortColumn(), -1);
  }

  void selectionSignalOnlyWhenRowBecomesSelected() {
    CListCtrlEx list;
    Fill(list, {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")});
    QSignalSpy spy(&list, &CListCtrlEx::ItemSelected);
    list.SelectItem(2);
    list.SelectItem(0);
    list.SelectItem(-1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 0);
    QCOMPARE(list.GetSelectedItem(), -1);
  }

  void clickOnRowSelectsIt() {
    CListCtrlEx list;
    list.resize(700, 200);
    list.show();
    Fill(list, {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")});
    QSignalSpy spy(&list, &CListCtrlEx::ItemSelected);
    const QRect rc = list.visualRect(list.model()->index(1, 3));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rc.center());
    QCOMPARE(list.GetSelectedItem(), 1);
    QCOMPARE(spy.count(), 1);
  }

  void headerPaintsAccentsAndFrame() {
    CListCtrlEx list;
    list.resize(700, 200);
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    list.SortByColumn(3, true);
    CHeaderCtrlEx* pHeader = list.GetHeaderCtrl();
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QImage image = Render(pHeader);
    const int h = pHeader->height();
    QVERIFY(h >= 10);
    const int nMid = h / 2;
    // Column 1 (plain) and column 3 (sorted), sampled where no label is drawn.
    const int x1 = pHeader->sectionViewportPosition(1) + pHeader->sectionSize(1) - 5;
    const int x3 = pHeader->sectionViewportPosition(3) + pHeader->sectionSize(3) / 2 + 40;
    QVERIFY(PixelNear(image, x1, nMid, CHeaderCtrlEx::PlainAccent(), 6));
    QVERIFY(PixelNear(image, x3, nMid, CHeaderCtrlEx::SortAccent(), 6));
    QVERIFY(PixelNear(image, x3, 1, CHeaderCtrlEx::EdgeColour(), 8));
    QVERIFY(PixelNear(image, x3, h - 1, CHeaderCtrlEx::EdgeColour(), 8));
    // Light frame line along the top and down the left edge of a section.
    const QColor clrLight = pHeader->palette().color(QPalette::Light);
    QVERIFY(PixelNear(image, x1, 0, clrLight, 0));
    QVERIFY(PixelNear(image, pHeader->sectionViewportPosition(1), nMid, clrLight, 0));
    // The filler right of the last section: plain accent, no frame line on top.
    const int xFill = pHeader->sectionViewportPosition(3) + pHeader->sectionSize(3) + 10;
    QVERIFY(xFill < image.width());
    QVERIFY(PixelNear(image, xFill, nMid, CHeaderCtrlEx::PlainAccent(), 6));
    QVERIFY(!PixelNear(image, xFill, 0, clrLight, 0));
  }

  void headerArrowPointsTheSortDirection() {
    CListCtrlEx list;
    list.resize(700, 200);
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")});
    CHeaderCtrlEx* pHeader = list.GetHeaderCtrl();
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const int R = pHeader->sectionViewportPosition(3) + pHeader->sectionSize(3);
    const int k = 2 * QFontMetrics(pHeader->font()).horizontalAdvance(QLatin1Char(' '));
    const int B = pHeader->height();
    const QColor clrLight = pHeader->palette().color(QPalette::Light);
    const QColor clrDark = pHeader->palette().color(QPalette::Dark);

    list.SortByColumn(3, true);
    QImage image = Render(pHeader);
    // Apex up: the light stroke starts at the top, the base runs along B - a.
    QVERIFY(PixelNear(image, R - 2 * k, k - 1, clrLight, 0));
    QVERIFY(PixelNear(image, R - 2 * k, B - k, clrLight, 0));
    QVERIFY(PixelNear(image, R - 5 * k / 2 - 1, B - k - 1, clrDark, 0));

    list.SortByColumn(3, false);
    image = Render(pHeader);
    // Apex down: the top edge runs along a - 1.
    QVERIFY(PixelNear(image, R - 2 * k, k - 1, clrDark, 0));
    QVERIFY(PixelNear(image, R - 2 * k - 1, B - k, clrDark, 0) || PixelNear(image, R - 2 * k - 1, B - k, clrLight, 0));
  }

  void narrowLabelStaysInItsSection() {
    CListCtrlEx list;
    list.resize(700, 200);
    Fill(list, {});
    CHeaderCtrlEx* pHeader = list.GetHeaderCtrl();
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QFontMetrics fm(pHeader->font());
    const QRect rcItem(pHeader->sectionViewportPosition(0), 0, 25, pHeader->height());
    const QRect rcLabel = pHeader->LabelRect(rcItem, 0);
    QVERIFY(rcItem.contains(rcLabel));
    QVERIFY2(rcLabel.width() >= fm.horizontalAdvance(QStringLiteral("!&")), "the marker label fits");
    // A wide section keeps the padding of two blanks a side.
    const int k = 2 * fm.horizontalAdvance(QLatin1Char(' '));
    const QRect rcWide(pHeader->sectionViewportPosition(1), 0, 200, pHeader->height());
    QCOMPARE(pHeader->LabelRect(rcWide, 1).left(), rcWide.left() + k);
    QCOMPARE(pHeader->LabelRect(rcWide, 1).right(), rcWide.right() - k);
    list.SortByColumn(1, true);
    QCOMPARE(pHeader->LabelRect(rcWide, 1).right(), rcWide.right() - 4 * k);
    // Narrow and sorted: the label keeps clear of the arrow.
    list.SortByColumn(0, true);
    const int a = 25 < 3 * k ? 4 : k;
    QVERIFY(pHeader->LabelRect(rcItem, 0).right() < rcItem.left() + 25 - 5 * a / 2 - 2);
    // The label's pixels land inside column 0.
    list.SortByColumn(1, true);
    const QImage image = Render(pHeader);
    int nInk = 0;
    for (int x = rcItem.left() + 1; x < rcItem.left() + 24; ++x)
      for (int y = 2; y < rcItem.height() - 2; ++y)
        if (qGray(image.pixel(x, y)) < 120) ++nInk;
    QVERIFY(nInk > 3);
  }
};

QTEST_MAIN(TestListCtrlEx)
#include "tst_list_ctrl_ex.moc"
