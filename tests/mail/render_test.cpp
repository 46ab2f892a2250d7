#include "mail/render.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "codec/codepage.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "source/utf.h"
#include "tests/mail/stored_mail.h"
#include "tests/support/data_dirs.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Utf8(const std::u16string& s) { return U16ToUtf8(s); }

TEST(SizeText, Boundaries) {
  EXPECT_EQ(FormatSizeText(1), u"1 B");
  EXPECT_EQ(FormatSizeText(1024), u"1024 B");
  EXPECT_EQ(FormatSizeText(1025), u"1.0 KB");
  EXPECT_EQ(FormatSizeText(1048576), u"1024.0 KB");
  EXPECT_EQ(FormatSizeText(1048577), u"1.0 MB");
  EXPECT_EQ(FormatSizeText(1073741824), u"1024.0 MB");
  EXPECT_EQ(FormatSizeText(1073741825), u"");
  EXPECT_EQ(FormatSizeText(0), u"");
  EXPECT_EQ(FormatSizeText(-5), u"");
}

TEST(AttachmentBlock, LinesSeparatorAndPendingOnes) {
  tagMailItem item;
  EXPECT_EQ(BuildAttachmentBlock(item), "");
  item.pAttachments = std::make_unique<tagAttachmentArray>(1);
  (*item.pAttachments)[0].strNameW = u"a.doc";
  (*item.pAttachments)[0].nSize = 2048;
  item.pPendingAttachments = std::make_unique<tagAttachmentArray>(1);
  (*item.pPendingAttachments)[0].strNameW = u"b.zip";
  (*item.pPendingAttachments)[0].nSize = 0;
  const std::string block = BuildAttachmentBlock(item);
  const std::string expected = "<pre>" + WideToAnsi(u"附件： a.doc， 大小 2.0 KB") + "\r\n" +
                               WideToAnsi(u"附件： b.zip， 大小 ") + "\r\n\r\n" + std::string(60, '-') +
                               "\r\n\r\n</pre>";
  EXPECT_EQ(block, expected);
}

const char kHeader[] = "Received: from a by b\r\nFrom: a@b.c\r\nTo: d@e.f\r\nDate: 1 Jan 2001 01:01:01 +0000\r\n";

TEST(Preview, HtmlPreferredOverPlain) {
  const std::string text =
      std::string(kHeader) +
      "Content-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n"
      "--b1\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nthe plain text\r\n"
      "--b1\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<html><body>the html</body></html>\r\n"
      "--b1--\r\n";
  const tagMailPreview p = RenderMailPreview(text, "");
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(Utf8(p.strHtml), "<html><body>the html</body>");
}

TEST(Preview, PlainOnlyInPre) {
  const std::string text = std::string(kHeader) +
                           "Content-Type: text/plain\r\nContent-Transfer-Encoding: 8bit\r\n\r\nline one\r\n"
                           "--boundary\r\n";
  const tagMailPreview p = RenderMailPreview(text, "<pre>A</pre>");
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(Utf8(p.strHtml), "<pre>A</pre><pre>line one\r\n</pre>");
}

TEST(Preview, Base64AndQuotedPrintableHtml) {
  // "<p>Gr=FC=DFe</p>" in base64 is PHA+R3I9RkM9REZlPC9wPg==; the QP one decodes its escapes.
  const std::string b64 = std::string(kHeader) +
                          "Content-Type: text/html; charset=us-ascii\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                          "PGI+Ym9sZDwvYj4=\r\n\r\n";
  tagMailPreview p = RenderMailPreview(b64, "");
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(Utf8(p.strHtml), "<b>bold</b>");

  const std::string qp = std::string(kHeader) +
                         "Content-Type: text/html; charset=iso-8859-1\r\n"
                         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                         "<html><p>Gr=FC=DFe, a=3Db =\r\nsoft</p></html>\r\n";
  p = RenderMailPreview(qp, "");
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(p.strHtml, u"<html><p>Grüße, a=b soft</p>");
}

// The part is shown in its declared charset whatever the ANSI code page is.
TEST(Preview, DeclaredCharsetThenMetaThenAnsi) {
  const std::string utf8 = std::string(kHeader) +
                           "Content-Type: text/plain; charset=\"utf-8\"\r\n"
                           "Content-Transfer-Encoding: 8bit\r\n\r\n\xE4\xBD\xA0\xE5\xA5\xBD\r\n" +
                           "--boundary";
  tagMailPreview p = RenderMailPreview(utf8, "");
  EXPECT_EQ(p.nCodePage, 65001);
  EXPECT_EQ(p.strHtml, u"<pre>你好\r\n</pre>");

  const std::string meta = std::string(kHeader) +
                           "Content-Type: text/html\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
                           "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">"
                           "</head>\xA7\x41\xA6\x6E</html>";
  p = RenderMailPreview(meta, "");
  EXPECT_EQ(p.nCodePage, 950);
  EXPECT_NE(p.strHtml.find(u"你好"), std::u16string::npos);

  const std::string gbk = std::string(kHeader) +
                          "Content-Type: text/plain\r\nContent-Transfer-Encoding: 8bit\r\n\r\n\xC4\xE3\xBA\xC3\r\n"
                          "--boundary";
  p = RenderMailPreview(gbk, "");
  EXPECT_EQ(p.nCodePage, GetAnsiCodePage());
  EXPECT_EQ(p.strHtml, AnsiToWide("<pre>\xC4\xE3\xBA\xC3\r\n</pre>"));
}

TEST(Preview, NoContentTypeShowsTextAfterBlankLine) {
  const std::string text = std::string(kHeader) + "\r\nhello there\r\nReturn-Path: <x@y>\r\n";
  tagMailPreview p = RenderMailPreview(text, "");
  ASSERT_TRUE(p.bShow);
  // From the empty line up to "eturn-path": the "R" before it belongs to the shown text.
  EXPECT_EQ(Utf8(p.strHtml), "<pre>\r\n\r\nhello there\r\nR</pre>");
}

TEST(Preview, NothingToShow) {
  EXPECT_FALSE(RenderMailPreview("", "<pre>A</pre>").bShow);
  // An HTML part whose header never ends.
  EXPECT_FALSE(RenderMailPreview(std::string(kHeader) + "Content-Type: text/html\r\n", "").bShow);
  // A part with no data at all.
  EXPECT_FALSE(RenderMailPreview(
                   std::string(kHeader) + "Content-Type: text/html\r\nContent-Transfer-Encoding: base64\r\n\r\n", "")
                   .bShow);
}

// The commonest message of all: one text part, its body running to the end of the message
// with no blank line, boundary or next message after it.
TEST(Preview, SinglePartBodyRunsToTheEnd) {
  const std::string b64 = std::string(kHeader) +
                          "Content-Type: text/plain; charset=\"utf-8\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                          "5L2g5aW9LAp3b3Js\r\nZA==\r\n";  // "你好,\nworld"
  tagMailPreview p = RenderMailPreview(b64, "");
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(p.strHtml, u"<pre>你好,\nworld</pre>");

  const std::string sevenBit =
      std::string(kHeader) +
      "Content-Type: text/plain; charset=\"us-ascii\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
      "Friday at noon works for me.\r\n\r\nInes\r\n";
  p = RenderMailPreview(sevenBit, "");
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(Utf8(p.strHtml), "<pre>Friday at noon works for me.\r\n\r\nInes\r\n</pre>");
}

TEST(PreviewPart, EncodingFieldRules) {
  std::string part;
  const std::string text = "Content-Type: text/html\r\nContent-Transfer-Encoding: 7bit\r\n\r\n<b>x</b></html>";
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ASSERT_TRUE(ExtractPreviewPart(text, lower, 14, "</html>", part));
  EXPECT_EQ(part, "<b>x</b>");
  // A position beyond the text yields nothing.
  EXPECT_FALSE(ExtractPreviewPart(text, lower, text.size() + 1, "</html>", part));
  // Without an end marker the data runs to the end of the text.
  ASSERT_TRUE(ExtractPreviewPart(text, lower, 14, "", part));
  EXPECT_EQ(part, "<b>x</b></html>");
}

TEST(TextRendering, FieldsThenBody) {
  tagMailItem item;
  item.strFrom = "a@b.c";
  item.strTo = "d@e.f";
  item.strDate = "2001-01-01 01:01:01";
  item.strBody = "body\r\n";
  EXPECT_EQ(
      RenderMailText(item),
      "Subject: \r\nFrom: a@b.c\r\nTo: d@e.f\r\nDate: 2001-01-01 01:01:01\r\n---------- Text ---------\r\nbody\r\n");
}

TEST(EmlRendering, StoredTextByteForByte) {
  CTempDir dir;
  const std::string msg = MakeMessage("a@b.c", "d@e.f", "1 Jan 2001 01:01:01 +0000", "s", 1, 100);
  CImageBuilder image;
  image.Put(512, msg);
  image.PadSectors(1);
  g_strSourcePath.Set(Utf8ToU16(image.WriteTo((dir.Path() / "i.img").string())));
  auto item = RecordFor(msg, 512);
  EXPECT_EQ(RenderMailEml(*item, nullptr, nullptr), msg);
  const tagMailPreview p = BuildMailPreview(*item);
  ASSERT_TRUE(p.bShow);
  EXPECT_EQ(Utf8(p.strHtml).substr(0, 19), "<pre>Body of s: lin");
  g_strSourcePath.Set(u"/nonexistent/image");
  EXPECT_EQ(RenderMailEml(*item, nullptr, nullptr), "");
  EXPECT_FALSE(BuildMailPreview(*item).bShow);
  g_strSourcePath.Set(u"");
}

// Every message of the demo image has a text to show.
TEST(Preview, EveryDemoMessageShows) {
  const std::filesystem::path demo = korvane::test::TestDataDir() / ".." / ".." / "tools" / "demo";
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator(demo)) {
    if (e.path().extension() != ".eml") continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(RenderMailPreview(text.str(), "").bShow) << e.path().filename();
    ++count;
  }
  EXPECT_EQ(count, 10);
}

}  // namespace
