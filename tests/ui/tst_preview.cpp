// The preview pane: the stream it is loaded through, what it refuses to load, its links;
// and the help text resource.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include "codec/codepage.h"
#include "ui/help_dialog.h"
#include "ui/html_ctrl.h"
#include "ui/stream_on_string.h"

#include <unistd.h>

class TestPreview : public QObject {
  Q_OBJECT
 private slots:
  void StreamDeliversTheTextInPiecesUntilTheEnd();
  void StreamReadOfZeroBytesRewinds();
  void StreamRefusesNullPointersAndOtherInterfaces();
  void StreamWriteTakesUtf16WithMarkAndEightBitText();
  void LargeTextLoadsCompletely();
  void AppLinkIsCancelledOtherLinksGoOutside();
  void NothingIsLoadedFromDiskOrNetwork();
  void PathologicalHtmlIsShortenedWithANote();
  void LinksOpenOutsideOnlyForWebAndMailAndNeverAsRoot();
  void HelpTextStartsAfterTheByteOrderMark();
  void HelpDialogShowsTheResource();
};

void TestPreview::StreamDeliversTheTextInPiecesUntilTheEnd() {
  // 8-bit form in the ANSI code page (936): each Han character is two bytes.
  const std::u16string text = u"收件箱 abc";
  CStreamOnCString s(text);
  std::string got;
  char piece[3];
  uint32_t n = 0;
  int reads = 0;
  while (s.Read(piece, sizeof piece, &n) == CStreamOnCString::kOk) {
    got.append(piece, n);
    ++reads;
  }
  QCOMPARE(n, 0u);
  QCOMPARE(got, WideToMultiByte(CP_THREAD_ACP, text));
  QCOMPARE(got.size(), size_t(10));
  QCOMPARE(reads, 4);
  // At the end the position stays and every further read says so.
  QCOMPARE(s.Read(piece, sizeof piece, &n), CStreamOnCString::kFalse);
  QCOMPARE(s.Position(), size_t(10));
}

void TestPreview::StreamReadOfZeroBytesRewinds() {
  CStreamOnCString s(u"abcdef");
  char buf[8] = {};
  uint32_t n = 0;
  QCOMPARE(s.Read(buf, 4, &n), CStreamOnCString::kOk);
  QCOMPARE(s.Position(), size_t(4));
  QCOMPARE(s.Read(buf, 0, &n), CStreamOnCString::kFalse);
  QCOMPARE(s.Position(), size_t(0));
  QCOMPARE(s.Read(buf, 8, &n), CStreamOnCString::kOk);
  QCOMPARE(n, 6u);
  QCOMPARE(std::string(buf, 6), std::string("abcdef"));
  uint64_t pos = 99;
  QCOMPARE(s.Seek(3, 0, &pos), CStreamOnCString::kOk);
  QCOMPARE(pos, uint64_t(0));
  QCOMPARE(s.Position(), size_t(6));  // Seek does not move
}

void TestPreview::StreamRefusesNullPointersAndOtherInterfaces() {
  CStreamOnCString s(u"x");
  uint32_t n = 7;
  QCOMPARE(s.Read(nullptr, 1, &n), CStreamOnCString::kPointer);
  QCOMPARE(n, 0u);
  void* obj = nullptr;
  QCOMPARE(s.QueryInterface(CStreamOnCString::Interface::SequentialStream, &obj), CStreamOnCString::kOk);
  QCOMPARE(obj, static_cast<void*>(&s));
  QCOMPARE(s.QueryInterface(CStreamOnCString::Interface::Other, &obj), CStreamOnCString::kNoInterface);
  QCOMPARE(s.QueryInterface(CStreamOnCString::Interface::Stream, nullptr), CStreamOnCString::kPointer);
  QCOMPARE(s.Release(), 1ul);
  QCOMPARE(s.Stat(), CStreamOnCString::kNotImpl);
}

void TestPreview::StreamWriteTakesUtf16WithMarkAndEightBitText() {
  CStreamOnCString s;
  const unsigned char utf16[] = {0xFF, 0xFE, 'h', 0, 'i', 0};
  uint32_t written = 0;
  QCOMPARE(s.Write(utf16, sizeof utf16, &written), CStreamOnCString::kOk);
  QCOMPARE(written, 4u);
  QCOMPARE(s.Text(), std::u16string(u"hi"));
  const char ansi[] = "ok";
  QCOMPARE(s.Write(ansi, 2, &written), CStreamOnCString::kOk);
  QCOMPARE(written, 2u);
  QCOMPARE(s.Text(), std::u16string(u"hiok"));
}

void TestPreview::LargeTextLoadsCompletely() {
  std::u16string text = u"<pre>";
  for (int i = 0; i < 60000; ++i) {
    text += u"第";
    text += static_cast<char16_t>(u'0' + i % 10);
    text += u"行 line\n";
  }
  text += u"END-OF-TEXT</pre>";
  CHtmlCtrl ctrl;
  ctrl.LoadHtml(text);
  QCOMPARE(ctrl.LoadedText().size(), qsizetype(text.size()));
  QVERIFY(ctrl.toPlainText().endsWith(QStringLiteral("END-OF-TEXT")));
}

void TestPreview::AppLinkIsCancelledOtherLinksGoOutside() {
  CHtmlCtrl::SetRunningAsRootForTesting(false);
  CHtmlCtrl ctrl;
  ctrl.resize(400, 200);
  ctrl.LoadHtml(u"<p><a href=\"APP:open?x=1\">这里</a> and <a href=\"https://example.org/x\">外部</a></p>");
  ctrl.show();
  QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
  QSignalSpy app(&ctrl, &CHtmlCtrl::AppCommand);
  QSignalSpy outside(&ctrl, &CHtmlCtrl::ExternalLinkClicked);
  const QString before = ctrl.toHtml();
  auto clickOn = [&](const QString& word) {
    QTextCursor c = ctrl.document()->find(word);
    QVERIFY(!c.isNull());
    c.setPosition(c.selectionStart() + 1);
    const QPoint at = ctrl.cursorRect(c).center();
    QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, at);
  };
  clickOn(QStringLiteral("这里"));
  QCOMPARE(app.count(), 1);
  QCOMPARE(app.at(0).at(0).toString(), QStringLiteral("open?x=1"));
  QCOMPARE(outside.count(), 0);
  QVERIFY(ctrl.source().isEmpty());
  QCOMPARE(ctrl.toHtml(), before);
  clickOn(QStringLiteral("外部"));
  QCOMPARE(outside.count(), 1);
  QCOMPARE(outside.at(0).at(0).toUrl(), QUrl(QStringLiteral("https://example.org/x")));
  QCOMPARE(ctrl.toHtml(), before);
  QVERIFY(CHtmlCtrl::IsAppLink(QUrl(QStringLiteral("app:"))));
  QVERIFY(!CHtmlCtrl::IsAppLink(QUrl(QStringLiteral("apple:x"))));
  CHtmlCtrl::SetRunningAsRootForTesting(std::nullopt);
}

void TestPreview::NothingIsLoadedFromDiskOrNetwork() {
  QTcpServer server;
  QVERIFY(server.listen(QHostAddress::LocalHost));
  int connections = 0;
  connect(&server, &QTcpServer::newConnection, [&] {
    ++connections;
    delete server.nextPendingConnection();
  });
  QTemporaryDir dir;
  QImage img(40, 40, QImage::Format_RGB32);
  img.fill(Qt::red);
  const QString png = dir.filePath(QStringLiteral("local.png"));
  QVERIFY(img.save(png));
  QFile css(dir.filePath(QStringLiteral("local.css")));
  QVERIFY(css.open(QIODevice::WriteOnly));
  css.write("p { color: #ff0000 }");
  css.close();
  const QString remote = QStringLiteral("http://127.0.0.1:%1/track.png").arg(server.serverPort());
  const QString fileUrl = QUrl::fromLocalFile(png).toString();
  const QString cssUrl = QUrl::fromLocalFile(css.fileName()).toString();
  const QString dataUrl = QStringLiteral("data:image/png;base64,") + QString::fromLatin1([&] {
                            QByteArray bytes;
                            QBuffer buf(&bytes);
                            buf.open(QIODevice::WriteOnly);
                            img.save(&buf, "PNG");
                            return bytes.toBase64();
                          }());
  const QStringList images = {
      remote, fileUrl, png, QStringLiteral("local.png"), dataUrl, QStringLiteral("cid:part1.123@example.org")};
  QString html = QStringLiteral(
                     "<html><head><link rel=stylesheet href=\"%1\"><link rel=stylesheet href=\"%2\">"
                     "<script>document.write('ran')</script></head><body background=\"%3\">")
                     .arg(remote, cssUrl, fileUrl);
  for (const QString& src : images) html += QStringLiteral("<img src=\"%1\">").arg(src);
  html += QStringLiteral(
              "<table background=\"%1\"><tr><td style=\"background-image: url(%2)\">cell</td></tr></table>"
              "<p>text</p></body></html>")
              .arg(fileUrl, png);
  // The working directory and a search path hold the file a relative name would find.
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(dir.path());
  CHtmlCtrl ctrl;
  ctrl.setSearchPaths({dir.path()});
  ctrl.LoadHtml(html.toStdU16String());
  ctrl.resize(300, 200);
  ctrl.show();
  QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
  const QImage shot = ctrl.grab().toImage();
  QTest::qWait(200);
  QDir::setCurrent(cwd);
  QCOMPARE(connections, 0);
  // No red image drawn anywhere, as an image or a background.
  int red = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) red += shot.pixelColor(x, y) == QColor(Qt::red);
  }
  QCOMPARE(red, 0);
  // What the document would lay out, asked the way its layout asks.
  for (const QString& src : images) {
    QVERIFY2(!ctrl.document()->resource(QTextDocument::ImageResource, QUrl(src)).isValid(), qPrintable(src.left(60)));
  }
  QVERIFY(!ctrl.document()->resource(QTextDocument::StyleSheetResource, QUrl(cssUrl)).isValid());
  QVERIFY(ctrl.loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(png)).isNull());
  QVERIFY(ctrl.loadResource(QTextDocument::StyleSheetResource, QUrl(remote)).isNull());
  QVERIFY(!ctrl.toPlainText().contains(QStringLiteral("ran")));
  // The local style sheet was not applied.
  QTextCursor c = ctrl.document()->find(QStringLiteral("text"));
  QVERIFY(!c.isNull());
  QVERIFY(c.charFormat().foreground().color() != QColor(255, 0, 0));
}

void TestPreview::PathologicalHtmlIsShortenedWithANote() {
  CHtmlCtrl ctrl;
  ctrl.resize(500, 300);
  ctrl.show();
  QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
  auto* note = ctrl.findChild<QLabel*>(QStringLiteral("previewNote"));
  QVERIFY(note);
  QVERIFY(!note->isVisible());

  // 5 MB of tables nested in tables: laid out whole it would hold the window for ever.
  std::u16string tables;
  const std::u16string level = u"<table><tr><td>";
  while (tables.size() < 5u * 1024 * 1024) tables += level;
  tables += u"deepest";
  ctrl.LoadHtml(tables);
  QCOMPARE(ctrl.LoadedText().size(), qsizetype(tables.size()));  // the stream delivered it all
  QVERIFY(ctrl.IsShortened());
  QVERIFY(note->isVisible());
  QCOMPARE(note->text(),
           QStringLiteral("邮件内容过长或过于复杂，预览只显示了前一部分。保存成eml文件后可查看完整内容。"));
  QVERIFY(!ctrl.toPlainText().contains(QStringLiteral("deepest")));
  // The note stands above the text, not over it.
  QVERIFY(note->geometry().bottom() < ctrl.viewport()->geometry().top());
  ctrl.grab();

  // A huge single line, and lengths that would overflow the layout.
  ctrl.LoadHtml(u"<pre>" + std::u16string(3 * 1024 * 1024, u'x') + u"</pre>");
  QVERIFY(ctrl.IsShortened());
  QVERIFY(note->isVisible());
  ctrl.grab();
  ctrl.LoadHtml(
      u"<table cellpadding=\"100000000\" cellspacing=\"100000000\"><tr><td "
      u"style=\"padding:1e9px\">x</td></tr></table>");
  QVERIFY(!ctrl.IsShortened());
  ctrl.grab();  // would never return with the lengths as written

  // Documents taller than the layout can take: many paragraphs with large margins (from a
  // style sheet or their own), many lines, huge fonts. Scrolled to the end and painted.
  auto repeat = [](const std::u16string& part, int n) {
    std::u16string out;
    for (int i = 0; i < n; ++i) out += part;
    return out;
  };
  const std::u16string tall[] = {u"<style>p { margin-top: 100000px }</style>" + repeat(u"<p>x</p>", 29000),
                                 repeat(u"<p style=\"margin-top:300px\">x</p>", 29000),
                                 u"<pre>" + std::u16string(900000, u'\n') + u"</pre>",
                                 repeat(u"<table cellpadding=\"100000\"><tr><td>x</td></tr></table>", 4900),
                                 repeat(u"<p style=\"line-height:100000px\">x</p>", 29000),
                                 repeat(u"<img src=\"cid:x\" width=\"4096\" height=\"4096\"><br>", 14000)};
  for (const std::u16string& doc : tall) {
    ctrl.LoadHtml(doc);
    QVERIFY(ctrl.IsShortened());
    ctrl.verticalScrollBar()->setValue(ctrl.verticalScrollBar()->maximum());
    ctrl.grab();
  }
  ctrl.LoadHtml(u"<p style=\"font-size:100000px\">big</p>");
  QVERIFY(!ctrl.IsShortened());
  const QTextCursor big = ctrl.document()->find(QStringLiteral("big"));
  QVERIFY(!big.isNull());
  QCOMPARE(big.charFormat().font().pixelSize(), 100);
  ctrl.grab();

  // An ordinary mail is shown whole, without the note.
  ctrl.LoadHtml(u"<table><tr><td><table><tr><td>你好</td></tr></table></td></tr></table><p>再见</p>");
  QVERIFY(!ctrl.IsShortened());
  QVERIFY(!note->isVisible());
  QCOMPARE(ctrl.viewport()->geometry().top(), ctrl.frameWidth());
  QVERIFY(ctrl.toPlainText().contains(QStringLiteral("再见")));
}

void TestPreview::LinksOpenOutsideOnlyForWebAndMailAndNeverAsRoot() {
  CHtmlCtrl ctrl;
  ctrl.resize(400, 400);
  ctrl.LoadHtml(
      u"<p><a href=\"https://example.org/x\">网页</a> <a href=\"mailto:a@example.org\">邮件</a> "
      u"<a href=\"file:///etc/passwd\">文件</a> <a href=\"javascript:alert(1)\">脚本</a> "
      u"<a href=\"#end\">跳到结尾</a></p>" +
      std::u16string(200, u'\n') + u"<pre>" + std::u16string(300, u'\n') + u"</pre><p><a name=\"end\">结尾</a></p>");
  ctrl.show();
  QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
  QSignalSpy outside(&ctrl, &CHtmlCtrl::ExternalLinkClicked);
  QSignalSpy notOpened(&ctrl, &CHtmlCtrl::LinkNotOpened);
  auto clickOn = [&](const QString& word) {
    ctrl.verticalScrollBar()->setValue(0);
    QTextCursor c = ctrl.document()->find(word);
    QVERIFY(!c.isNull());
    c.setPosition(c.selectionStart() + 1);
    QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, ctrl.cursorRect(c).center());
  };

  CHtmlCtrl::SetRunningAsRootForTesting(false);
  clickOn(QStringLiteral("网页"));
  clickOn(QStringLiteral("邮件"));
  clickOn(QStringLiteral("文件"));
  clickOn(QStringLiteral("脚本"));
  QCOMPARE(outside.count(), 2);
  QCOMPARE(outside.at(0).at(0).toUrl(), QUrl(QStringLiteral("https://example.org/x")));
  QCOMPARE(outside.at(1).at(0).toUrl(), QUrl(QStringLiteral("mailto:a@example.org")));
  QCOMPARE(notOpened.count(), 2);
  QCOMPARE(notOpened.at(0).at(0).toUrl().scheme(), QStringLiteral("file"));
  QCOMPARE(notOpened.at(1).at(0).toUrl().scheme(), QStringLiteral("javascript"));

  // As root nothing goes to the desktop.
  CHtmlCtrl::SetRunningAsRootForTesting(true);
  clickOn(QStringLiteral("网页"));
  clickOn(QStringLiteral("邮件"));
  QCOMPARE(outside.count(), 2);
  QCOMPARE(notOpened.count(), 4);
  QCOMPARE(notOpened.at(2).at(0).toUrl(), QUrl(QStringLiteral("https://example.org/x")));

  // A link to a place in the message scrolls there and goes nowhere else.
  clickOn(QStringLiteral("跳到结尾"));
  QVERIFY(ctrl.verticalScrollBar()->value() > 0);
  QCOMPARE(outside.count() + notOpened.count(), 6);
  CHtmlCtrl::SetRunningAsRootForTesting(std::nullopt);
  QCOMPARE(CHtmlCtrl::RunningAsRoot(), geteuid() == 0);
}

void TestPreview::HelpTextStartsAfterTheByteOrderMark() {
  const QByteArray bytes("\xFF\xFE\x31\x00\x2E\x00\r\x00\n\x00", 10);
  QCOMPARE(HelpTextFromResource(bytes), QStringLiteral("1.\r\n"));
  QCOMPARE(HelpTextFromResource(QByteArray("\xFF", 1)), QString());
  QFile res(QStringLiteral(":/res/help.txt"));
  QVERIFY(res.open(QIODevice::ReadOnly));
  const QByteArray all = res.readAll();
  QVERIFY(all.startsWith("\xFF\xFE"));
  const QString text = HelpTextFromResource(all);
  QVERIFY(text.startsWith(QStringLiteral("Korvane")));
  QVERIFY(!text.contains(QChar(0xFEFF)));
  QVERIFY(text.contains(QStringLiteral("\r\n")));
  // The six numbered points.
  for (const char16_t* n : {u"一、", u"二、", u"三、", u"四、", u"五、", u"六、"})
    QVERIFY(text.contains(QString::fromUtf16(n)));
}

void TestPreview::HelpDialogShowsTheResource() {
  CHelpDlg dlg;
  QCOMPARE(dlg.windowTitle(), QStringLiteral("帮助"));
  QVERIFY(dlg.TextField()->isReadOnly());
  QVERIFY(dlg.TextField()->toPlainText().startsWith(QStringLiteral("Korvane")));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
