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

}  // namespace

void tagMailItem::DecodeBody() {
  tagBodyText text;
  if (DecodeBodyBytes(text)) SetBodyText(text);
}

bool tagMailItem::DecodeBodyBytes(tagBodyText& text) {
  // Work on copies: the window may read this record meanwhile.
  std::string body, transferEncoding, messageType, partType;
  {
    auto lock = Lock();
    body = strBody;
    transferEncoding = strPartEncoding.empty() ? strTransferEncoding : strPartEncoding;
    messageType = strContentType;
    partType = strPartType;
  }
  if (body.empty()) {
    auto lock = Lock();
    bDecoded = 1;
    return false;
  }

  AsciiLowerInPlace(transferEncoding);
  if (transferEncoding.find("base64") != std::string::npos)
    DecodeBase64InPlace(body);
  else if (transferEncoding.find("quoted-printable") != std::string::npos)
    DecodeQuotedPrintableInPlace(body);
  text.strCharset = DeclaredCharset(messageType, partType);
  text.strBytes = body;

  auto lock = Lock();
  strBody = std::move(body);
  bDecoded = 1;
  return true;
}

void tagMailItem::SetBodyText(const tagBodyText& text) {
  const std::string& body = text.strBytes;
  std::u16string shown;
  if (!text.strCharset.empty()) {
    if (const tagEncodeType* row = FindBodyEncodeType(text.strCharset)) shown = row->ConvertText(body);
  }
  if (shown.empty()) shown = AnsiToWide(std::string_view(body.data(), std::min(body.size(), body.find('\0'))));

  auto lock = Lock();
  strBodyW = std::move(shown);
}
