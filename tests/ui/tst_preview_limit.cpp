// LimitPreviewHtml: what part of a mail's HTML the preview lays out.

#include <QtTest>

#include "ui/preview_limit.h"

namespace {

QString Repeat(const QString& s, int n) {
  QString out;
  out.reserve(s.size() * n);
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

class TestPreviewLimit : public QObject {
  Q_OBJECT
 private slots:
  void OrdinaryMailIsKeptWhole();
  void NestedTablesAreCutWhereTheirCostPassesTheLimit();
  void DepthElementsAndLengthCutInFrontOfATag();
  void HugeLengthsAreBroughtDownAndNothingElse();
  void CommentsAndRawTextDoNotCount();
  void TallDocumentsAreCutByTheirEstimatedHeight();
};

void TestPreviewLimit::OrdinaryMailIsKeptWhole() {
  // A newsletter's shape: tables four deep, a few hundred cells, style and comments,
  // paragraphs and list items without end tags.
  QString html = QStringLiteral(
      "<html><head><style>td { padding: 4px; color: #333333 } h1 { font-size: 18pt }</style></head>"
      "<body bgcolor=#ffffff><!-- <table> in a comment --><table width=\"600\" cellpadding=\"0\"><tr><td>"
      "<table width=100%><tr><td><table><tr><td><table>");
  html += Repeat(QStringLiteral("<tr><td width=\"120\">cell</td><td style=\"padding:2px 10px\">x</td></tr>"), 150);
  html += QStringLiteral("</table></td></tr></table></td></tr></table></td></tr></table>");
  html +=
      Repeat(QStringLiteral("<p>第一段<br>"), 100) + QStringLiteral("<ul>") + Repeat(QStringLiteral("<li>项目"), 100);
  html += QStringLiteral("</ul>");
  html += QStringLiteral("</body></html>");
  const tagPreviewHtml out = LimitPreviewHtml(html);
  QVERIFY(!out.bShortened);
  QCOMPARE(out.strHtml, html);
}

void TestPreviewLimit::NestedTablesAreCutWhereTheirCostPassesTheLimit() {
  // 5 MB of tables nested in tables: each level doubles what a cell costs.
  const QString level = QStringLiteral("<table><tr><td>");
  const QString html = Repeat(level, 5 * 1024 * 1024 / int(level.size())) + QStringLiteral("x");
  tagPreviewLimits limits;
  const tagPreviewHtml out = LimitPreviewHtml(html, limits);
  QVERIFY(out.bShortened);
  // A table and its cell at level n count 2^(n-1) each: twelve levels come to
  // 2 + 4 + ... + 4,096 = 8,190 of the 10,000, the table of the thirteenth would pass them.
  QVERIFY(html.startsWith(out.strHtml));
  QCOMPARE(out.strHtml.size() % level.size(), 0);
  QCOMPARE(out.strHtml.size() / level.size(), 12);
  QVERIFY(out.strHtml.endsWith(level));

  // A wide table deep down costs as much as a long one up top: 200 cells at level 6 pass
  // the limit that 200 cells at level 1 keep far within.
  const QString rows = Repeat(QStringLiteral("<tr><td>a</td><td>b</td></tr>"), 100);
  const QString deep = Repeat(level, 5) + QStringLiteral("<table>") + rows + QStringLiteral("</table>");
  const QString flat = QStringLiteral("<table>") + rows + QStringLiteral("</table>");
  limits.nMaxTableWork = 1000;
  QVERIFY(!LimitPreviewHtml(flat, limits).bShortened);
  const tagPreviewHtml cut = LimitPreviewHtml(deep, limits);
  QVERIFY(cut.bShortened);
  // Cut in front of a cell, 28 cells in: (1,000 - 62 - 32) / 32.
  QVERIFY(cut.strHtml.endsWith(QStringLiteral("</td>")) || cut.strHtml.endsWith(QStringLiteral("<tr>")));
  QCOMPARE(cut.strHtml.count(QStringLiteral("<td>")), 5 + 28);
  // Closed tables no longer count as open: siblings stay at level 1.
  QVERIFY(!LimitPreviewHtml(Repeat(flat, 4), limits).bShortened);
}

void TestPreviewLimit::DepthElementsAndLengthCutInFrontOfATag() {
  tagPreviewLimits limits;
  limits.nMaxDepth = 10;
  // Unclosed inline elements nest; void elements and end tags do not.
  QCOMPARE(LimitPreviewHtml(Repeat(QStringLiteral("<b>x<br><img src=a></b>"), 50), limits).bShortened, false);
  tagPreviewHtml out = LimitPreviewHtml(Repeat(QStringLiteral("<font color=red>x"), 50), limits);
  QVERIFY(out.bShortened);
  QCOMPARE(out.strHtml, Repeat(QStringLiteral("<font color=red>x"), 10));
  // An end tag closes what was opened inside it too.
  QVERIFY(!LimitPreviewHtml(Repeat(QStringLiteral("<div><span><b>x</div>"), 50), limits).bShortened);

  limits = tagPreviewLimits();
  limits.nMaxElements = 100;
  out = LimitPreviewHtml(Repeat(QStringLiteral("<p>line</p>"), 150), limits);
  QVERIFY(out.bShortened);
  QCOMPARE(out.strHtml, Repeat(QStringLiteral("<p>line</p>"), 100));

  // A huge single line stops at the length limit, but not inside a tag or between the
  // halves of a character outside the basic plane.
  limits = tagPreviewLimits();
  limits.nMaxChars = 1000;
  const QString line = QStringLiteral("<pre>") + Repeat(QStringLiteral("a"), 5000) + QStringLiteral("</pre>");
  out = LimitPreviewHtml(line, limits);
  QVERIFY(out.bShortened);
  QCOMPARE(out.strHtml.size(), 1000);
  out = LimitPreviewHtml(Repeat(QStringLiteral("a"), 995) + QStringLiteral("<table width=100>x"), limits);
  QCOMPARE(out.strHtml, Repeat(QStringLiteral("a"), 995));
  out = LimitPreviewHtml(Repeat(QStringLiteral("a"), 999) + QString::fromUtf16(u"\U0001F600\U0001F600"), limits);
  QCOMPARE(out.strHtml, Repeat(QStringLiteral("a"), 999));
  QVERIFY(!LimitPreviewHtml(Repeat(QStringLiteral("a"), 1000), limits).bShortened);
}

void TestPreviewLimit::HugeLengthsAreBroughtDownAndNothingElse() {
  const QString html = QStringLiteral(
      "<style>td { padding: 100000000px; margin:-1e9px; border: 1px } .c1 { color: #100000 }</style>"
      "<table cellpadding=\"30000000\" cellspacing=999999999 width='1e12%' border=2>"
      "<tr><td style=\"padding:50000000px 3px;background:#12345678\" id=\"a100000000\">"
      "<a href=\"http://example.org/100000000\">100000000</a></td></tr></table>");
  const tagPreviewHtml out = LimitPreviewHtml(html);
  QVERIFY(!out.bShortened);
  QCOMPARE(out.strHtml,
           QStringLiteral("<style>td { padding: 500px; margin:-500px; border: 1px } .c1 { color: #100000 }</style>"
                          "<table cellpadding=\"100000\" cellspacing=100000 width='100000%' border=2>"
                          "<tr><td style=\"padding:100000px 3px;background:#12345678\" id=\"a100000000\">"
                          "<a href=\"http://example.org/100000000\">100000000</a></td></tr></table>"));
}

void TestPreviewLimit::CommentsAndRawTextDoNotCount() {
  tagPreviewLimits limits;
  limits.nMaxElements = 5;
  const QString html = QStringLiteral("<!--") + Repeat(QStringLiteral("<p>"), 100) + QStringLiteral("-->") +
                       QStringLiteral("<script>") + Repeat(QStringLiteral("<b>"), 100) + QStringLiteral("</SCRIPT>") +
                       QStringLiteral("<p>a < b and 3<4</p>");
  const tagPreviewHtml out = LimitPreviewHtml(html, limits);
  QVERIFY(!out.bShortened);
  QCOMPARE(out.strHtml, html);
  // A comment or tag left open at the end is not a reason to cut.
  QVERIFY(!LimitPreviewHtml(QStringLiteral("text <!-- open"), limits).bShortened);
  QVERIFY(!LimitPreviewHtml(QStringLiteral("text <table border=1"), limits).bShortened);
}

void TestPreviewLimit::TallDocumentsAreCutByTheirEstimatedHeight() {
  tagPreviewLimits limits;
  limits.nMaxHeight = 10000;
  // Line breaks count 20 pixels each, as the pre element does: cut at the 500th.
  tagPreviewHtml out =
      LimitPreviewHtml(QStringLiteral("<pre>") + QString(2000, u'\n') + QStringLiteral("</pre>"), limits);
  QVERIFY(out.bShortened);
  QCOMPARE(out.strHtml.size(), 5 + 499);
  // An element's own heights count with it, a shorthand's above and below: 20 + 2 * 480
  // each, so ten fit.
  out = LimitPreviewHtml(Repeat(QStringLiteral("<p style=\"margin:480px 0\">x</p>"), 20), limits);
  QVERIFY(out.bShortened);
  QCOMPARE(out.strHtml.count(QStringLiteral("<p ")), 10);
  // A table's cell padding counts for every cell: 20 + 2 * 2000 for the table, then
  // 20 + 4000 per cell.
  out = LimitPreviewHtml(QStringLiteral("<table cellpadding=2000>") + Repeat(QStringLiteral("<tr><td>x</td></tr>"), 5),
                         limits);
  QVERIFY(out.bShortened);
  QCOMPARE(out.strHtml.count(QStringLiteral("<td>")), 1);
  // Widths do not.
  QVERIFY(
      !LimitPreviewHtml(Repeat(QStringLiteral("<p style=\"width:9999px\" width=9999>x</p>"), 20), limits).bShortened);
  // A style sheet's heights are kept small and count for every element after them.
  out = LimitPreviewHtml(QStringLiteral("<style>p { margin-top: 1e6px; width: 1e6px } h1 { font-size: 9in }</style>") +
                             Repeat(QStringLiteral("<p>x</p>"), 40),
                         limits);
  QVERIFY(out.bShortened);
  QVERIFY(out.strHtml.startsWith(
      QStringLiteral("<style>p { margin-top: 500px; width: 100000px } h1 { font-size: 1in }</style>")));
  // The style element counts a line (its sheet comes after it), then each p 20 + 500 + 100.
  QCOMPARE(out.strHtml.count(QStringLiteral("<p>")), (10000 - 20) / 620);
}

QTEST_MAIN(TestPreviewLimit)
#include "tst_preview_limit.moc"
