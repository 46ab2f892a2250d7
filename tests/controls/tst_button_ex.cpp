// The skinned button's corners, looks and mouse tracking, and the dialog background.
#include "control_test_util.h"
#include "controls/button_ex.h"
#include "controls/dialog_skin.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace ControlTest;
using Look = CButtonEx::Look;

class TestButtonEx : public QObject {
  Q_OBJECT

 private slots:
  void cornerSizes_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("region");
    QTest::addColumn<int>("drawn");
    QTest::newRow("23") << 23 << 3 << 3;
    QTest::newRow("60") << 60 << 5 << 6;
    QTest::newRow("100") << 100 << 5 << 7;
    QTest::newRow("10") << 10 << 3 << 3;
    QTest::newRow("45") << 45 << 4 << 4;
  }
  void cornerSizes() {
    QFETCH(int, height);
    QFETCH(int, region);
    QFETCH(int, drawn);
    QCOMPARE(CButtonEx::RegionCorner(height), region);
    QCOMPARE(CButtonEx::DrawnCorner(height), drawn);
  }

  void maskCutsTheCornersOnResize() {
    CButtonEx button(QStringLiteral("OK"));
    button.resize(80, 23);
    button.show();  // a hidden widget gets its resize event when shown
    QVERIFY(!button.mask().contains(QPoint(0, 0)));
    QVERIFY(!button.mask().contains(QPoint(79, 22)));
    QVERIFY(button.mask().contains(QPoint(40, 11)));
    QVERIFY(button.mask().contains(QPoint(40, 0)));
    button.resize(120, 100);
    QVERIFY(!button.mask().contains(QPoint(119, 99)));
    QVERIFY(button.mask().contains(QPoint(119, 50)));
  }

  void pressDragOutAndBack() {
    QWidget parent;
    CButtonEx button(QStringLiteral("OK"), &parent);
    button.setGeometry(10, 10, 80, 30);
    parent.show();
    QSignalSpy clicked(&button, &QPushButton::clicked);
    const QPoint ptIn(40, 15);
    const QPoint ptOut(200, 15);

    MoveHeld(&button, ptIn, Qt::NoButton);
    QCOMPARE(button.GetHoverState(), 1);
    Press(&button, ptIn);
    QCOMPARE(button.GetHoverState(), 2);
    QCOMPARE(button.GetLook(), Look::Pressed);
    MoveHeld(&button, QPoint(42, 16));
    QCOMPARE(button.GetHoverState(), 2);
    MoveHeld(&button, ptOut);
    QCOMPARE(button.GetHoverState(), 0);
    MoveHeld(&button, ptIn);
    QCOMPARE(button.GetHoverState(), 2);
    QCOMPARE(button.GetLook(), Look::Pressed);
    // Out again and released there: no click, no hover or pressed look.
    MoveHeld(&button, ptOut);
    Release(&button, ptOut);
    QCOMPARE(button.GetHoverState(), 0);
    QVERIFY(button.GetLook() != Look::Pressed && button.GetLook() != Look::Hover);
    QCOMPARE(clicked.count(), 0);
    // Pressed look stays after a release inside until the mouse moves.
    Press(&button, ptIn);
    Release(&button, ptIn);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(button.GetHoverState(), 2);
    MoveHeld(&button, ptIn, Qt::NoButton);
    QCOMPARE(button.GetHoverState(), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(button.GetHoverState(), 0);
  }

  void enteringWithAButtonHeldElsewhereHovers() {
    CButtonEx button(QStringLiteral("OK"));
    button.resize(80, 30);
    MoveHeld(&button, QPoint(10, 10));
    QCOMPARE(button.GetHoverState(), 1);
  }

  void disabledNeverHovers() {
    QWidget parent;
    CButtonEx button(QStringLiteral("OK"), &parent);
    button.setGeometry(10, 10, 80, 30);
    parent.show();
    MoveHeld(&button, QPoint(40, 15), Qt::NoButton);
    QCOMPARE(button.GetLook(), Look::Hover);
    button.setEnabled(false);
    QCOMPARE(button.GetLook(), Look::Disabled);
    QCOMPARE(button.GetHoverState(), 0);
    MoveHeld(&button, QPoint(41, 15), Qt::NoButton);
    Press(&button, QPoint(41, 15));
    QCOMPARE(button.GetHoverState(), 0);
    QCOMPARE(button.GetLook(), Look::Disabled);
    button.setEnabled(true);
    QCOMPARE(button.GetLook(), Look::Normal);
  }

  void focusLossEndsHover() {
    QWidget parent;
    CButtonEx button(QStringLiteral("OK"), &parent);
    parent.show();
    MoveHeld(&button, QPoint(5, 5), Qt::NoButton);
    QCOMPARE(button.GetHoverState(), 1);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&button, &focusOut);
    QCOMPARE(button.GetHoverState(), 0);
  }

  void paintsLookColoursAndFrame_data() {
    QTest::addColumn<int>("look");
    QTest::newRow("normal") << int(Look::Normal);
    QTest::newRow("hover") << int(Look::Hover);
    QTest::newRow("pressed") << int(Look::Pressed);
    QTest::newRow("disabled") << int(Look::Disabled);
  }
  void paintsLookColoursAndFrame() {
    QFETCH(int, look);
    CButtonEx button(QString(QChar(0x2588)));  // a full block: the text colour shows
    button.resize(60, 60);
    if (look == int(Look::Hover))
      MoveHeld(&button, QPoint(30, 30), Qt::NoButton);
    else if (look == int(Look::Pressed))
      Press(&button, QPoint(30, 30));
    else if (look == int(Look::Disabled))
      button.setEnabled(false);
    QCOMPARE(int(button.GetLook()), look);
    const CButtonEx::tagLookColours& colours = CButtonEx::GetLookColours(Look(look));
    const QImage image = Render(&button);
    QVERIFY(PixelNear(image, 10, 1, colours.clrTop, 5));
    QVERIFY(PixelNear(image, 10, 58, colours.clrBottom, 5));
    QVERIFY(PixelNear(image, 30, 0, CButtonEx::FrameColour(), 0));
    QVERIFY(PixelNear(image, 0, 30, CButtonEx::FrameColour(), 0));
    // Somewhere near the centre the caption is drawn in the look's text colour.
    bool bText = false;
    for (int y = 20; y < 40 && !bText; ++y)
      for (int x = 20; x < 40 && !bText; ++x) bText = PixelNear(image, x, y, colours.clrText, 2);
    QVERIFY(bText);
  }

  void multiLineCaptionIsTwoCentredLines() {
    CButtonEx button(QStringLiteral("M\nM"));
    button.resize(80, 60);
    const QImage image = Render(&button);
    int nTop = 60, nBottom = -1, nLeft = 80, nRight = -1;
    for (int y = 3; y < 57; ++y)
      for (int x = 3; x < 77; ++x)
        if (qGray(image.pixel(x, y)) < 100) {
          nTop = std::min(nTop, y);
          nBottom = std::max(nBottom, y);
          nLeft = std::min(nLeft, x);
          nRight = std::max(nRight, x);
        }
    QVERIFY(nBottom > 0);
    const int nLine = QFontMetrics(button.font()).height();
    QVERIFY(nBottom - nTop > nLine);                // two lines tall
    QVERIFY(std::abs((nTop + nBottom) - 60) <= 3);  // centred vertically
    QVERIFY(std::abs((nLeft + nRight) - 80) <= 3);  // and horizontally
    QVERIFY(nRight - nLeft < 2 * QFontMetrics(button.font()).horizontalAdvance(QLatin1Char('M')));
  }

  void dialogSkinUsesLeftThirdOrPlainColour() {
    // A 242 x 23 skin: red left third, blue elsewhere.
    QPixmap skin(242, 23);
    skin.fill(Qt::blue);
    {
      QPainter painter(&skin);
      painter.fillRect(0, 0, 80, 23, Qt::red);
    }
    CSkinnedDialog dialog;
    dialog.resize(300, 200);
    QImage image = Render(&dialog);
    QVERIFY(PixelNear(image, 5, 5, DialogSkinColour(), 0));
    QVERIFY(PixelNear(image, 295, 195, DialogSkinColour(), 0));
    dialog.SetSkin(skin);
    image = Render(&dialog);
    QVERIFY(PixelNear(image, 5, 5, Qt::red, 0));
    QVERIFY(PixelNear(image, 295, 195, Qt::red, 0));

    QImage whole(300, 200, QImage::Format_RGB32);
    QPainter painter(&whole);
    PaintDialogSkin(painter, whole.rect(), skin, false);
    painter.end();
    QVERIFY(PixelNear(whole, 5, 5, Qt::red, 0));
    QVERIFY(PixelNear(whole, 295, 195, Qt::blue, 0));
  }

  void helpEditColours() {
    QWidget edit;
    ApplyHelpEditColours(&edit);
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(50, 20, 0));
    QCOMPARE(edit.palette().color(QPalette::Base), QColor(230, 230, 240));
  }
};

QTEST_MAIN(TestButtonEx)
#include "tst_button_ex.moc"
