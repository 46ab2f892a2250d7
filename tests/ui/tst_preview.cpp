// The preview pane: the stream it is loaded through, what it refuses to load, its links;
// and the help text resource.

#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "app/help_dialog.h"
#include "mime/codepage.h"
#include "ui/html_ctrl.h"
#include "ui/stream_on_string.h"

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
  for (int i = 0; i < 60000; ++i) text += u"第" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u"行 line\n";
  text += u"END-OF-TEXT</pre>";
  CHtmlCtrl ctrl;
  ctrl.LoadHtml(text);
  QCOMPARE(ctrl.LoadedText().size(), qsizetype(text.size()));
  QVERIFY(ctrl.toPlainText().endsWith(QStringLiteral("END-OF-TEXT")));
}

void TestPreview::AppLinkIsCancelledOtherLinksGoOutside() {
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
  QImage img(8, 8, QImage::Format_RGB32);
  img.fill(Qt::red);
  const QString png = dir.filePath(QStringLiteral("local.png"));
  QVERIFY(img.save(png));
  const QString remote = QStringLiteral("http://127.0.0.1:%1/track.png").arg(server.serverPort());
  const QString html = QStringLiteral(
                           "<html><head><link rel=stylesheet href=\"%1\"><script>document.write('ran')</script></head>"
                           "<body><img src=\"%1\"><img src=\"%2\"><img src=\"local.png\">text</body></html>")
                           .arg(remote, QUrl::fromLocalFile(png).toString());
  CHtmlCtrl ctrl;
  ctrl.setSearchPaths({dir.path()});  // even with a search path, a relative image stays unread
  ctrl.LoadHtml(html.toStdU16String());
  ctrl.resize(300, 200);
  ctrl.show();
  QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
  ctrl.grab();
  QTest::qWait(200);
  QCOMPARE(connections, 0);
  QVERIFY(ctrl.loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(png)).isNull());
  QVERIFY(ctrl.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("local.png"))).isNull());
  QVERIFY(ctrl.loadResource(QTextDocument::StyleSheetResource, QUrl(remote)).isNull());
  QVERIFY(!ctrl.toPlainText().contains(QStringLiteral("ran")));
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
  for (const char16_t* n : {u"一、", u"二、", u"三、", u"四、", u"五、", u"六、"}) QVERIFY(text.contains(QString::fromUtf16(n)));
}

void TestPreview::HelpDialogShowsTheResource() {
  CHelpDlg dlg;
  QCOMPARE(dlg.windowTitle(), QStringLiteral("帮助"));
  QVERIFY(dlg.TextField()->isReadOnly());
  QVERIFY(dlg.TextField()->toPlainText().startsWith(QStringLiteral("Korvane")));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
