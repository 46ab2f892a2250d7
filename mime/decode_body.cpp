// Decoding of a record's text part for display.
#include <algorithm>

#include "mime/ascii_text.h"
#include "mime/charset.h"
#include "mime/codepage.h"
#include "mime/decode.h"
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
// body is empty. Works on copies: the window may read the record meanwhile.
bool TransferDecodedBody(const tagMailItem& m, tagBodyText& text) {
  std::string body, transferEncoding, messageType, partType;
  {
    auto lock = m.Lock();
    body = m.strBody;
    transferEncoding = m.strPartEncoding.empty() ? m.strTransferEncoding : m.strPartEncoding;
    messageType = m.strContentType;
    partType = m.strPartType;
  }
  if (body.empty()) return false;
  AsciiLowerInPlace(transferEncoding);
  if (transferEncoding.find("base64") != std::string::npos)
    DecodeBase64InPlace(body);
  else if (transferEncoding.find("quoted-printable") != std::string::npos)
    DecodeQuotedPrintableInPlace(body);
  text.strCharset = DeclaredCharset(messageType, partType);
  text.strBytes = std::move(body);
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
  const bool any = TransferDecodedBody(*this, text);
  std::u16string shown = any ? DisplayText(text) : std::u16string();
  // All at once: whoever sees bDecoded set sees the display text too.
  auto lock = Lock();
  if (any) {
    strBody = std::move(text.strBytes);
    strBodyW = std::move(shown);
  }
  bDecoded = 1;
}

bool tagMailItem::DecodeBodyBytes(tagBodyText& text) {
  const bool any = TransferDecodedBody(*this, text);
  auto lock = Lock();
  if (any) strBody = text.strBytes;
  bDecoded = 1;
  return any;
}

void tagMailItem::SetBodyText(const tagBodyText& text) {
  std::u16string shown = DisplayText(text);
  auto lock = Lock();
  strBodyW = std::move(shown);
}
