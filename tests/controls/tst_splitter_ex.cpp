// Dragging the splitter bars: the range, Escape, the right button, a drag that ends
// where it began, and the neighbours' new geometry.
#include "control_test_util.h"
#include "controls/splitter_ex.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ControlTest;

namespace {

// A 800 x 600 window: a tree left of an X bar, a list and a preview right of it, with
// a Y bar between list and preview, as the main window lays them out.
struct tagLayout {
  QWidget window;
  QWidget* pTree = new QWidget(&window);
  QWidget* pList = new QWidget(&window);
  QWidget* pPreview = new QWidget(&window);
  CSplitterWndX* pBarX = new CSplitterWndX(&window);
  CSplitterWndY* pBarY = new CSplitterWndY(&window);

  tagLayout() {
    window.resize(800, 600);
    pTree->setGeometry(10, 50, 200, 440);
    pBarX->setGeometry(210, 50, 5, 540);
    pList->setGeometry(215, 50, 575, 200);
    pBarY->setGeometry(215, 251, 575, 5);
    pPreview->setGeometry(215, 257, 575, 333);
    pBarX->AddBefore(pTree);
    pBarX->AddAfter(pList);
    pBarX->AddAfter(pPreview);
    pBarX->AddAfter(pBarY);
    pBarX->SetMinMargins(200, 300);
    pBarY->AddBefore(pList);
    pBarY->AddAfter(pPreview);
    pBarY->SetMinMargins(100, 100);
    window.show();
  }
};

// Drags the bar by (dx, dy) from its middle, with the left button held, without releasing.
void DragBy(CSplitterEx* pBar, int dx, int dy) {
  const QPoint ptStart(pBar->width() / 2, pBar->height() / 2);
  Press(pBar, ptStart);
  MoveHeld(pBar, ptStart + QPoint(dx / 2, dy / 2));
  MoveHeld(pBar, ptStart + QPoint(dx, dy));
}

void Finish(CSplitterEx* pBar) { Release(pBar, QPoint(pBar->width() / 2, pBar->height() / 2)); }

}  // namespace

class TestSplitterEx : public QObject {
  Q_OBJECT

 private slots:
  void dragMovesBarAndNeighbours() {
    tagLayout l;
    QSignalSpy spy(l.pBarX, &CSplitterEx::PositionApplied);
    DragBy(l.pBarX, 50, 0);
    QVERIFY(l.pBarX->IsDragging());
    // Nothing moves before the drag ends.
    QCOMPARE(l.pBarX->x(), 210);
    QCOMPARE(l.pTree->width(), 200);
    Finish(l.pBarX);
    QVERIFY(!l.pBarX->IsDragging());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(l.pBarX->geometry(), QRect(260, 50, 5, 540));
    // Left: right edge one pixel short of the bar; right: one pixel after it.
    QCOMPARE(l.pTree->geometry(), QRect(10, 50, 249, 440));
    QCOMPARE(l.pList->geometry(), QRect(266, 50, 524, 200));
    QCOMPARE(l.pPreview->geometry(), QRect(266, 257, 524, 333));
    QCOMPARE(l.pBarY->geometry(), QRect(266, 251, 524, 5));
  }

  void verticalBarMovesUpperAndLowerNeighbours() {
    tagLayout l;
    QSignalSpy spy(l.pBarY, &CSplitterEx::PositionApplied);
    DragBy(l.pBarY, 0, -40);
    Finish(l.pBarY);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(l.pBarY->geometry(), QRect(215, 211, 575, 5));
    QCOMPARE(l.pList->geometry(), QRect(215, 50, 575, 161));
    QCOMPARE(l.pPreview->geometry(), QRect(215, 216, 575, 374));
  }

  void dragStopsAtTheMargins() {
    tagLayout l;
    // The tree starts at x = 10 and keeps 200: the bar cannot go left of 210.
    DragBy(l.pBarX, -150, 0);
    Finish(l.pBarX);
    QCOMPARE(l.pBarX->x(), 210);
    // The list ends at 790 and keeps 300: the bar's right edge stops at 490.
    DragBy(l.pBarX, 1000, 0);
    Finish(l.pBarX);
    QCOMPARE(l.pBarX->x(), 485);
    QCOMPARE(l.pList->geometry().left(), 491);
    // Y: the list starts at 50 and keeps 100; the preview ends at 590 and keeps 100.
    DragBy(l.pBarY, 0, -1000);
    Finish(l.pBarY);
    QCOMPARE(l.pBarY->y(), 150);
    DragBy(l.pBarY, 0, 1000);
    Finish(l.pBarY);
    QCOMPARE(l.pBarY->y(), 485);
  }

  void noRoomNoDrag() {
    tagLayout l;
    l.pBarX->SetMinMargins(400, 400);  // 10 + 400 >= 790 - 400
    QSignalSpy spy(l.pBarX, &CSplitterEx::PositionApplied);
    DragBy(l.pBarX, 30, 0);
    QVERIFY(!l.pBarX->IsDragging());
    Finish(l.pBarX);
    QCOMPARE(l.pBarX->x(), 210);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(l.window.findChildren<QWidget*>().size(), 5);  // no outline left behind
  }

  void escapeKeepsThePositionReached() {
    tagLayout l;
    QSignalSpy spy(l.pBarX, &CSplitterEx::PositionApplied);
    DragBy(l.pBarX, 30, 0);
    QTest::keyClick(l.pBarX, Qt::Key_Escape);
    QVERIFY(!l.pBarX->IsDragging());
    QCOMPARE(l.pBarX->x(), 240);
    QCOMPARE(spy.count(), 1);
    // Moves and the release after Escape change nothing.
    MoveHeld(l.pBarX, QPoint(60, 10));
    Finish(l.pBarX);
    QCOMPARE(l.pBarX->x(), 240);
    QCOMPARE(spy.count(), 1);
  }

  void otherKeysAreSwallowedDuringADrag() {
    tagLayout l;
    DragBy(l.pBarX, 30, 0);
    QTest::keyClick(l.pBarX, Qt::Key_A);
    QTest::keyClick(l.pBarX, Qt::Key_Return);
    QVERIFY(l.pBarX->IsDragging());
    Finish(l.pBarX);
    QCOMPARE(l.pBarX->x(), 240);
  }

  void rightButtonEndsTheDrag() {
    tagLayout l;
    DragBy(l.pBarX, -0, 0);
    MoveHeld(l.pBarX, QPoint(22, 10));
    Press(l.pBarX, QPoint(22, 10), Qt::RightButton);
    QVERIFY(!l.pBarX->IsDragging());
    QCOMPARE(l.pBarX->x(), 230);
  }

  void dragEndingWhereItBeganMovesNothing() {
    tagLayout l;
    QSignalSpy spy(l.pBarX, &CSplitterEx::PositionApplied);
    const QRect rcTree = l.pTree->geometry();
    DragBy(l.pBarX, 40, 0);
    MoveHeld(l.pBarX, QPoint(2, 270));
    Finish(l.pBarX);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(l.pBarX->x(), 210);
    QCOMPARE(l.pTree->geometry(), rcTree);
  }

  void unchangedNeighbourIsNotTouched() {
    tagLayout l;
    // A neighbour whose edge already sits where the drag puts it.
    QWidget* pFixed = new QWidget(&l.window);
    pFixed->setGeometry(20, 500, 239, 20);  // right edge (exclusive) 259 = new bar left - 1
    l.pBarX->AddBefore(pFixed);
    int nEvents = 0;
    struct tagCounter : QObject {
      int* pCount;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize) ++*pCount;
        return false;
      }
    } counter;
    counter.pCount = &nEvents;
    pFixed->installEventFilter(&counter);
    DragBy(l.pBarX, 50, 0);
    Finish(l.pBarX);
    QCOMPARE(l.pBarX->x(), 260);
    QCOMPARE(pFixed->geometry(), QRect(20, 500, 239, 20));
    QCOMPARE(nEvents, 0);
  }

  void destroyedNeighbourIsSkipped() {
    tagLayout l;
    delete l.pPreview;
    DragBy(l.pBarX, 20, 0);
    Finish(l.pBarX);
    QCOMPARE(l.pList->geometry().left(), 236);
  }

  void barDestroyedDuringADragLeavesNoOutline() {
    tagLayout l;
    DragBy(l.pBarX, 30, 0);
    QCOMPARE(l.window.findChildren<QWidget*>().size(), 6);
    delete l.pBarX;
    QCOMPARE(l.window.findChildren<QWidget*>().size(), 4);
  }

  void paintsBarColourAndOutline() {
    CSplitterWndX bar(nullptr);
    bar.resize(5, 100);
    const QImage image = Render(&bar);
    QVERIFY(PixelNear(image, 2, 50, CSplitterEx::BarColour(), 0));
    QVERIFY(PixelNear(image, 0, 50, Qt::black, 0));
    QVERIFY(PixelNear(image, 4, 50, Qt::black, 0));
    QVERIFY(PixelNear(image, 2, 0, Qt::black, 0));
  }

  void outlineInvertsWhileDragging() {
    tagLayout l;
    l.window.setAutoFillBackground(true);
    QPalette pal = l.window.palette();
    pal.setColor(QPalette::Window, Qt::white);
    l.window.setPalette(pal);
    DragBy(l.pBarX, 100, 0);
    // The outline covers (310..314, 50..589) over white background: some pixels turn black.
    const QImage image = Render(&l.window);
    int nDark = 0;
    for (int x = 310; x < 315; ++x)
      for (int y = 500; y < 520; ++y)
        if (qGray(image.pixel(x, y)) < 50) ++nDark;
    Finish(l.pBarX);
    QVERIFY(nDark > 10);
    QCOMPARE(l.window.findChildren<QWidget*>().size(), 5);
  }
};

QTEST_MAIN(TestSplitterEx)
#include "tst_splitter_ex.moc"
