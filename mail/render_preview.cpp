#include <atomic>

#include "codec/base64.h"
#include "codec/charset.h"
#include "codec/codepage.h"
#include "codec/quoted_printable.h"
#include "mail/extract.h"
#include "mail/render.h"
#include "scan/mail_item.h"

namespace {

constexpr size_t npos = std::string::npos;

std::string AsciiLowerCopy(const std::string& s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

size_t FindFrom(const std::string& s, std::string_view what, size_t from) {
  return from > s.size() ? npos : s.find(what, from);
}

// The value after the first "charset=" in lower[from, to): quotes and blanks around it
// dropped, up to the first quote, semicolon, blank or tag end. Empty when there is none.
std::string CharsetParameter(const std::string& lower, size_t from, size_t to) {
  if (to > lower.size()) to = lower.size();
  if (from >= to) return std::string();
  const size_t at = std::string_view(lower).substr(from, to - from).find("charset=");
  if (at == std::string_view::npos) return std::string();
  size_t i = from + at + 8;
  while (i < to && (lower[i] == '"' || lower[i] == '\'' || lower[i] == ' ' || lower[i] == '\t')) ++i;
  size_t e = i;
  while (e < to && lower[e] != '"' && lower[e] != '\'' && lower[e] != ';' && lower[e] != '>' && lower[e] != '/' &&
         static_cast<unsigned char>(lower[e]) > ' ')
    ++e;
  return lower.substr(i, e - i);
}

// The charset an HTML document declares in a <meta> element, lower case; empty when none.
std::string MetaCharset(const std::string& html) {
  const std::string lower = AsciiLowerCopy(html);
  for (size_t p = lower.find("<meta"); p != npos; p = lower.find("<meta", p + 5)) {
    const size_t close = lower.find('>', p);
    const std::string value = CharsetParameter(lower, p, close == npos ? lower.size() : close);
    if (!value.empty()) return value;
  }
  return std::string();
}

// The code page for a declared charset: its row's, the ANSI code page when the charset is
// unknown, has no converter here, or none was declared.
int CodePageOf(const std::string& charset) {
  if (!charset.empty()) {
    BuildEncodeTable();
    if (const tagEncodeType* row = FindBodyEncodeType(charset))
      if (row->nCodePage != 0 && row->nCodePage != CP_THREAD_ACP && IsCodePageSupported(row->nCodePage))
        return row->nCodePage;
  }
  return GetAnsiCodePage();
}

}  // namespace

bool ExtractPreviewPart(const std::string& text, const std::string& lower, size_t pos, std::string_view endMarker,
                        std::string& part) {
  part.clear();
  const size_t len = text.size();
  if (lower.size() != len) return false;

  // 1. The transfer encoding: the first Content-Transfer-Encoding field from the part on;
  // without one the data is taken as quoted-printable.
  static constexpr std::string_view kField = "content-transfer-encoding: ";
  std::string encoding = "quoted";
  const size_t field = FindFrom(lower, kField, pos);
  if (pos <= len && field != npos) {
    const size_t lineEnd = lower.find("\r\n", field);
    if (lineEnd == npos || lineEnd <= field + kField.size()) return false;
    encoding = lower.substr(field + kField.size(), lineEnd - field - kField.size());
  }

  // 2. The part's header ends at its first empty line.
  const size_t h = FindFrom(lower, "\r\n\r\n", pos);
  if (pos > len || h == npos) return false;
  const size_t dataStart = h + 4;

  // 3./4. Where the data ends, and its decoding.
  size_t dataEnd = npos;
  const bool quoted = encoding.find("quoted") != npos;
  if (encoding == "base64") {
    dataEnd = FindFrom(lower, "\r\n\r\n", h + 10);
    if (dataEnd == npos) dataEnd = FindFrom(lower, "--boundary", h + 10);
    if (dataEnd == npos) dataEnd = FindFrom(lower, "eturn-path", h + 10);
    // A body that is the message's only part runs to the end of the text.
    if (dataEnd == npos) dataEnd = len;
  } else {
    if (!endMarker.empty()) dataEnd = FindFrom(lower, endMarker, h + 10);
    if (dataEnd == npos) dataEnd = FindFrom(lower, "--boundary", h + 10);
    if (dataEnd == npos) dataEnd = FindFrom(lower, "eturn-path", h + 10);
    if (dataEnd == npos && quoted && len > 0) dataEnd = len - 1;
    if (dataEnd == npos) dataEnd = len;
  }
  if (dataEnd == npos || dataEnd <= dataStart) return false;
  std::string data = text.substr(dataStart, dataEnd - dataStart);
  if (encoding == "base64")
    DecodeBase64InPlace(data);
  else if (quoted)
    DecodeQuotedPrintableInPlace(data);

  // 5. Up to the first zero byte; an empty part is nothing.
  const size_t zero = data.find('\0');
  if (zero != npos) data.resize(zero);
  if (data.empty()) return false;
  part = std::move(data);
  return true;
}

tagMailPreview RenderMailPreview(const std::string& text, const std::string& attachmentBlock) {
  tagMailPreview out;
  const std::string lower = AsciiLowerCopy(text);

  // Choose the part: HTML before plain text.
  bool plain = false;
  size_t a = lower.find("text/html");
  if (a == npos) {
    a = lower.find("text/plain");
    plain = true;
  }

  std::string body;
  std::string charset;
  if (a != npos && a > 0) {
    std::string part;
    if (!ExtractPreviewPart(text, lower, a, "</html>", part)) return out;
    charset = CharsetParameter(lower, a, FindFrom(lower, "\r\n\r\n", a));
    if (charset.empty() && !plain) charset = MetaCharset(part);
    body = plain ? "<pre>" + part + "</pre>" : std::move(part);
  } else {
    // No text part: the text after the first empty line, up to the next message or part.
    const size_t h = lower.find("\r\n\r\n");
    if (h == npos || h == 0) return out;
    size_t e = FindFrom(lower, "eturn-path", h + 4);
    if (e == npos) e = FindFrom(lower, "--boundary", h + 4);
    if (e == npos) e = lower.size() - 1;
    if (e <= h) return out;
    charset = CharsetParameter(lower, 0, h);
    body = "<pre>" + text.substr(h, e - h) + "</pre>";
  }

  out.nCodePage = CodePageOf(charset);
  std::u16string converted = MultiByteToWide(out.nCodePage, body);
  if (converted.empty()) {
    out.nCodePage = GetAnsiCodePage();
    converted = AnsiToWide(body);
  }
  out.strHtml = AnsiToWide(attachmentBlock) + converted;
  out.bShow = true;
  return out;
}

tagMailPreview BuildMailPreview(const tagMailItem& item) {
  const std::string block = BuildAttachmentBlock(item);
  std::atomic<int> stop{0};  // a preview is never stopped
  std::string text;
  ReadStoredMail(item, nullptr, &stop, text);
  // The control bytes some stored mail holds would end the preview's lines and strings early.
  for (char& ch : text)
    if (static_cast<unsigned char>(ch) < 0x08) ch = ' ';
  return RenderMailPreview(text, block);
}
