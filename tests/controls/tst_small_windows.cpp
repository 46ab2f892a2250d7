// The progress bar's text, the hyperlink and the splash picture.
#include "control_test_util.h"
#include "controls/hyper_link.h"
#include "controls/progress_wnd.h"
#include "controls/splash_wnd.h"

#include <QPainter>
#include <QtTest>

using namespace ControlTest;

namespace {

// Bounding box of the pixels near clr inside rows [nTop, nBottom).
QRect InkBox(const QImage& image, const QColor& clr, int nTop, int nBottom) {
  QRect box;
  for (int y = nTop; y < nBottom; ++y)
    for (int x = 0; x < image.width(); ++x)
      if (PixelNear(image, x, y, clr, 40)) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

class TestSmallWindows : public QObject {
  Q_OBJECT

 private slots:
  void progressTextSplit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("split");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("two lines") << "a\r\nb" << true << "a"
                               << "b";
    QTest::newRow("leading CR LF") << "\r\nab" << false << "\r\nab"
                                   << "";
    QTest::newRow("one line") << "ab" << false << "ab"
                              << "";
    QTest::newRow("bare LF") << "a\nb" << false << "a\nb"
                             << "";
    QTest::newRow("trailing CR LF") << "a\r\n"
                                    << true << "a"
                                    << "";
    QTest::newRow("first CR LF only") << "a\r\nb\r\nc" << true << "a"
                                      << "b\r\nc";
    QTest::newRow("empty") << "" << false << ""
                           << "";
  }
  void progressTextSplit() {
    QFETCH(QString, text);
    QFETCH(bool, split);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QString strFirst = QStringLiteral("junk");
    QString strSecond = QStringLiteral("junk");
    QCOMPARE(CProgressWnd::SplitText(text, strFirst, strSecond), split);
    QCOMPARE(strFirst, first);
    QCOMPARE(strSecond, second);
  }

  void progressDrawsTwoCentredLines() {
    CProgressWnd bar;
    bar.resize(300, 60);
    QFont f = bar.font();
    f.setPixelSize(16);
    bar.setFont(f);
    bar.SetText(QStringLiteral("MMM\r\nWWW"));
    QCOMPARE(bar.GetText(), QStringLiteral("MMM\r\nWWW"));
    const QImage image = Render(&bar);
    const int nMiddle = 60 / 2 - 1;
    const QRect upper = InkBox(image, CProgressWnd::TextColour(), 0, nMiddle);
    const QRect lower = InkBox(image, CProgressWnd::TextColour(), nMiddle, 60);
    QVERIFY(!upper.isEmpty());
    QVERIFY(!lower.isEmpty());
    QVERIFY(upper.bottom() >= nMiddle - 8);  // the upper line sits on the middle
    QVERIFY(lower.top() <= nMiddle + 8);     // the lower one hangs from it
    QVERIFY(std::abs(upper.center().x() - 150) <= 3);
    QVERIFY(std::abs(lower.center().x() - 150) <= 3);
  }

  void progressDrawsLeadingBreakAsOneLine() {
    CProgressWnd bar;
    bar.resize(300, 60);
    QFont f = bar.font();
    f.setPixelSize(16);
    bar.setFont(f);
    bar.SetText(QStringLiteral("\r\nMMM"));
    const QImage image = Render(&bar);
    const QRect ink = InkBox(image, CProgressWnd::TextColour(), 0, 60);
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.height() < 20);
    QVERIFY(std::abs(ink.center().y() - 30) <= 3);
    bar.SetText(QString());
    QVERIFY(InkBox(Render(&bar), CProgressWnd::TextColour(), 0, 60).isEmpty());
  }

  void progressTextOverTheFilledBar() {
    CProgressWnd bar;
    bar.resize(300, 30);
    bar.setRange(0, 100);
    bar.setValue(100);
    bar.SetText(QStringLiteral("MMMMMM"));
    const QImage image = Render(&bar);
    QVERIFY(!InkBox(image, CProgressWnd::TextColour(), 0, 30).isEmpty());
  }

  void linkTakesTextOrAddress() {
    CHyperLink a(QStringLiteral("home"), QString());
    QCOMPARE(a.GetAddress(), QStringLiteral("home"));
    CHyperLink b(QString(), QStringLiteral("https://example.org/"));
    QCOMPARE(b.text(), QStringLiteral("https://example.org/"));
    QCOMPARE(b.toolTip(), QStringLiteral("https://example.org/"));
    b.SetAddress(QStringLiteral("mailto:help@example.org"));
    QCOMPARE(b.toolTip(), QStringLiteral("mailto:help@example.org"));
    QCOMPARE(b.cursor().shape(), Qt::PointingHandCursor);
  }

  void linkHoverUnderlinesAndColours() {
    CHyperLink link(QStringLiteral("Site"), QStringLiteral("https://example.org/"));
    QCOMPARE(link.GetCurrentColour(), CHyperLink::LinkColour());
    QVERIFY(!link.font().underline());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &enter);
    QVERIFY(link.IsHovering());
    QVERIFY(link.font().underline());
    QCOMPARE(link.GetCurrentColour(), CHyperLink::HoverColour());
    QCOMPARE(link.palette().color(QPalette::WindowText), CHyperLink::HoverColour());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    QVERIFY(!link.IsHovering());
    QVERIFY(!link.font().underline());
    link.SetUnderline(1);
    QVERIFY(link.font().underline());
  }

  void linkOpenSuccessMarksVisited() {
    CHyperLink link(QStringLiteral("Site"), QStringLiteral("https://example.org/"));
    QStringList opened;
    link.SetOpener([&](const QString& s) {
      opened << s;
      return true;
    });
    link.show();
    QTest::mouseClick(&link, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QCOMPARE(opened, QStringList{QStringLiteral("https://example.org/")});
    QVERIFY(link.IsVisited());
    QCOMPARE(link.GetCurrentColour(), CHyperLink::VisitedColour());
    // Painted in the visited colour.
    const QImage image = Render(&link);
    QVERIFY(!InkBox(image, CHyperLink::VisitedColour(), 0, image.height()).isEmpty());
  }

  void linkOpenFailureStaysUnvisited() {
    CHyperLink link(QStringLiteral("Site"), QStringLiteral("nowhere"));
    link.SetOpener([](const QString&) { return false; });
    link.Open();
    QVERIFY(!link.IsVisited());
    QCOMPARE(link.GetCurrentColour(), CHyperLink::LinkColour());
  }

  void linkFitsItsTextKeepingTheAlignedEdge() {
    QWidget parent;
    CHyperLink link(QStringLiteral("x"), QStringLiteral("a"), &parent);
    link.setAlignment(Qt::AlignRight);
    link.setGeometry(100, 10, 200, 40);
    link.setText(QStringLiteral("Some text"));
    link.SetAddress(QStringLiteral("https://example.org/"));
    QCOMPARE(link.geometry().right(), 299);
    QCOMPARE(link.width(), link.sizeHint().width());
    QCOMPARE(link.y(), 10);
  }

  void splashShowsOnlyWhenEnabledAndOnce() {
    CSplashWnd::Hide();  // nothing shown: nothing happens
    QVERIFY(!CSplashWnd::Instance());
    QPixmap picture(400, 300);
    picture.fill(QColor(10, 120, 200));
    CSplashWnd::SetPicture(picture);
    CSplashWnd::Enable(false);
    QVERIFY(!CSplashWnd::Show());
    QVERIFY(!CSplashWnd::Instance());

    CSplashWnd::Enable(true);
    QVERIFY(CSplashWnd::Show());
    CSplashWnd* pSplash = CSplashWnd::Instance();
    QVERIFY(pSplash);
    QVERIFY(pSplash->isVisible());
    QCOMPARE(pSplash->size(), QSize(400, 300));
    QVERIFY(!CSplashWnd::Show());
    QCOMPARE(CSplashWnd::Instance(), pSplash);
    const QImage image = Render(pSplash);
    QVERIFY(PixelNear(image, 0, 0, QColor(10, 120, 200), 0));
    QVERIFY(PixelNear(image, 399, 299, QColor(10, 120, 200), 0));

    CSplashWnd::Hide();
    QVERIFY(!CSplashWnd::Instance());
    CSplashWnd::Hide();
    QVERIFY(CSplashWnd::Show());  // may be shown again after hiding
    CSplashWnd::Hide();
  }

  void splashWithoutPictureShowsNothing() {
    CSplashWnd::Enable(true);
    CSplashWnd::SetPicture(QString());
    QVERIFY(!CSplashWnd::Show());
    QVERIFY(!CSplashWnd::Instance());
  }
};

QTEST_MAIN(TestSmallWindows)
#include "tst_small_windows.moc"
