// Decoding of a record's text part for display.
#include <algorithm>

#include "codec/ascii_text.h"
#include "codec/base64.h"
#include "codec/charset.h"
#include "codec/codepage.h"
#include "codec/find_no_case.h"
#include "codec/quoted_printable.h"
#include "scan/mail_item.h"

namespace {

// The charset value declared by the content types, cleaned and lower-cased; empty if none.
std::string DeclaredCharset(const std::string& messageType, const std::string& partType) {
  static constexpr std::string_view kCharset = "charset=";
  std::string value;
  bool found = false;
  if (partType.empty()) {
    const size_t p = messageType.find(kCharset);
    if (p != std::string::npos && p > 0) {
      value = messageType.substr(p + kCharset.size());
      found = true;
    }
  }
  if (!found) {
    const size_t p = partType.find(kCharset);
    if (p != std::string::npos) value = std::string(TrimView8(std::string_view(partType).substr(p + kCharset.size())));
  }
  while (!value.empty() && value.back() == ';') value.pop_back();
  while (!value.empty() && value.back() == '"') value.pop_back();
  value.erase(0, value.find_first_not_of('"'));
  Trim8(value);
  AsciiLowerInPlace(value);
  return value;
}

// The record's text part transfer-decoded, and the charset declared for it; false when the
// body is empty. `decoded`: a transfer encoding was undone (otherwise the bytes are strBody's).
// Runs on the scan thread, the only one that writes these fields: it reads them without the
// lock (the window's reads do not conflict with reads).
bool TransferDecodedBody(const tagMailItem& m, tagBodyText& text, bool& decoded) {
  decoded = false;
  if (m.strBody.empty()) return false;
  const std::string& transferEncoding = m.strPartEncoding.empty() ? m.strTransferEncoding : m.strPartEncoding;
  // Decoded straight from strBody; the stored text when the decoding gives nothing.
  const bool base64 = FindNoCase(transferEncoding, "base64") >= 0;
  if (base64 || FindNoCase(transferEncoding, "quoted-printable") >= 0) {
    const bool any =
        base64 ? Base64DecodeText(m.strBody, text.strBytes) : QuotedPrintableDecodeText(m.strBody, text.strBytes);
    if (!any) text.strBytes = m.strBody;
    decoded = true;
  } else {
    text.strBytes = m.strBody;
  }
  text.strCharset = DeclaredCharset(m.strContentType, m.strPartType);
  return true;
}

// The display text of a transfer-decoded text part: in its declared charset, else (or when
// that gives nothing) in the ANSI code page up to its first zero byte.
std::u16string DisplayText(const tagBodyText& text) {
  const std::string& body = text.strBytes;
  std::u16string shown;
  if (!text.strCharset.empty()) {
    if (const tagEncodeType* row = FindBodyEncodeType(text.strCharset)) shown = row->ConvertText(body);
  }
  if (shown.empty()) shown = AnsiToWide(std::string_view(body.data(), std::min(body.size(), body.find('\0'))));
  return shown;
}

}  // namespace

void tagMailItem::DecodeBody() {
  tagBodyText text;
  bool decoded = false;
  const bool any = TransferDecodedBody(*this, text, decoded);
  std::u16string shown = any ? DisplayText(text) : std::u16string();
  // All at once: whoever sees bDecoded set sees the display text too.
  auto lock = Lock();
  if (any) {
    if (decoded) strBody = std::move(text.strBytes);
    strBodyW = std::move(shown);
  }
  bDecoded = 1;
}

bool tagMailItem::DecodeBodyBytes(tagBodyText& text) {
  bool decoded = false;
  const bool any = TransferDecodedBody(*this, text, decoded);
  auto lock = Lock();
  if (decoded) strBody = text.strBytes;
  bDecoded = 1;
  return any;
}

void tagMailItem::SetBodyText(const tagBodyText& text) {
  std::u16string shown = DisplayText(text);
  auto lock = Lock();
  strBodyW = std::move(shown);
}
