// Display text of header values with RFC 2047 encoded words, and the in-place cleaning of
// the stored 8-bit value.
#include "codec/header_value.h"

#include <array>
#include <string_view>

#include "codec/ascii_text.h"
#include "codec/base64.h"
#include "codec/charset.h"
#include "codec/codepage.h"
#include "codec/quoted_printable.h"

namespace {

// One "=?charset?X?payload?=" in a text: [nBegin, nEnd) is the whole word.
struct EncodedWord {
  size_t nBegin = 0;
  size_t nEnd = 0;
  char cEncoding = 0;  // 'b' or 'q'
  size_t nPayloadBegin = 0;
  size_t nPayloadEnd = 0;
};

// Reads the encoded word that starts with "=?" at `pos`. A word whose closing "?=" is missing
// (a value cut short) runs to the end of the text when its payload has no white space.
bool ParseEncodedWord(std::string_view s, size_t pos, EncodedWord& w) {
  const size_t q1 = s.find('?', pos + 2);
  if (q1 == std::string_view::npos || q1 == pos + 2) return false;
  for (size_t i = pos + 2; i < q1; ++i)
    if (IsSpace8(s[i]) || s[i] == '=') return false;
  if (q1 + 2 >= s.size() || s[q1 + 2] != '?') return false;
  const char encoding = AsciiLower(s[q1 + 1]);
  if (encoding != 'b' && encoding != 'q') return false;
  w.nBegin = pos;
  w.cEncoding = encoding;
  w.nPayloadBegin = q1 + 3;
  const size_t close = s.find("?=", w.nPayloadBegin);
  if (close != std::string_view::npos) {
    w.nPayloadEnd = close;
    w.nEnd = close + 2;
    return true;
  }
  for (size_t i = w.nPayloadBegin; i < s.size(); ++i)
    if (IsSpace8(s[i])) return false;
  w.nPayloadEnd = w.nEnd = s.size();
  while (w.nPayloadEnd > w.nPayloadBegin && s[w.nPayloadEnd - 1] == '?') --w.nPayloadEnd;
  return true;
}

// Appends the text of one encoded word; nothing when no row has its charset.
void AppendWord(std::string_view s, const EncodedWord& w, std::u16string& out) {
  const tagEncodeType* row = FindWordEncodeType(s.substr(w.nBegin));
  if (!row) return;
  const std::string_view payload = s.substr(w.nPayloadBegin, w.nPayloadEnd - w.nPayloadBegin);
  std::string bytes = w.cEncoding == 'b' ? Base64Decode(payload.data(), payload.size())
                                         : QEncodingDecode(payload.data(), payload.size());
  CutAtZero(bytes);
  if (bytes.empty()) return;
  // The word's text up to its first zero character.
  const size_t from = out.size();
  AppendMultiByteToWide(row->nCodePage, bytes, out);
  if (const size_t zero = out.find(u'\0', from); zero != std::u16string::npos) out.resize(zero);
}

// Appends plain 8-bit text in the ANSI code page; a folded line is unfolded.
void AppendPlain(std::string_view s, std::u16string& out) {
  if (s.empty()) return;
  // Two single-byte searches: find_first_of would search the set once per byte of s.
  if (s.find('\r') == std::string_view::npos && s.find('\n') == std::string_view::npos) {
    AppendAnsiToWide(s, out);
    return;
  }
  std::string unfolded;
  unfolded.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    size_t j = i;
    if (s[j] == '\r') ++j;
    if (j < s.size() && s[j] == '\n' && j + 1 < s.size() && (s[j + 1] == ' ' || s[j + 1] == '\t')) {
      i = j;
      continue;
    }
    unfolded += s[i];
  }
  AppendAnsiToWide(unfolded, out);
}

bool IsLinearSpace(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

// Appends the plain text and every encoded word in `s`, in order; white space between two
// encoded words is dropped.
void AppendDecodedText(std::string_view s, std::u16string& out) {
  size_t plainStart = 0;
  size_t i = 0;
  bool afterWord = false;
  while ((i = s.find("=?", i)) != std::string_view::npos) {
    EncodedWord w;
    if (!ParseEncodedWord(s, i, w)) {
      ++i;
      continue;
    }
    const std::string_view gap = s.substr(plainStart, i - plainStart);
    if (!(afterWord && IsLinearSpace(gap))) AppendPlain(gap, out);
    AppendWord(s, w, out);
    afterWord = true;
    i = plainStart = w.nEnd;
  }
  AppendPlain(s.substr(plainStart), out);
}

std::u16string DecodeText(std::string_view s) {
  std::u16string out;
  AppendDecodedText(s, out);
  return out;
}

// A display name followed by an address in angle brackets, where the name is quoted or
// begins with an encoded word, is shown as "name" <address>. False when `s` is not that form.
bool AppendNameAndAddress(std::string_view s, std::u16string& out) {
  const std::string_view body = TrimView8(s);
  if (body.empty() || body.back() != '>') return false;
  const size_t lt = body.rfind('<');
  if (lt == std::string_view::npos || lt == 0) return false;
  std::string_view name = TrimView8(body.substr(0, lt));
  if (name.empty()) return false;
  const bool quoted = name.size() >= 2 && name.front() == '"' && name.back() == '"';
  EncodedWord w;
  const bool encoded = name.substr(0, 2) == "=?" && ParseEncodedWord(name, 0, w);
  if (!quoted && !encoded) return false;
  if (quoted) name = name.substr(1, name.size() - 2);
  std::u16string text = DecodeText(name);
  TrimW(text);
  out += u'"';
  out += text;
  out += u"\" ";
  AppendPlain(body.substr(lt), out);
  return true;
}

// Removes every backslash-quote pair (also pairs that form once another is removed) when
// the first pair starts within the first three bytes.
void RemoveEscapedQuotes(std::string& value) {
  const size_t first = value.find("\\\"");
  if (first == std::string::npos || first > 2) return;
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '"' && !out.empty() && out.back() == '\\') {
      out.pop_back();
      continue;
    }
    out += c;
  }
  value = std::move(out);
}

// The bytes the address-list walk below acts on: [0] outside quotes, [1] inside them.
constexpr auto kSpecial = [] {
  std::array<std::array<bool, 2>, 256> t{};
  for (const char c : {'"', '<', '=', ','}) t[static_cast<unsigned char>(c)][0] = true;
  for (const char c : {'"', '\\'}) t[static_cast<unsigned char>(c)][1] = true;
  return t;
}();

}  // namespace

std::u16string DecodeHeaderValue(std::string& value) {
  // In-place cleaning of the stored value; message extraction compares its result.
  Trim8(value);
  RemoveEscapedQuotes(value);
  const size_t firstQuote = value.find('"');
  const bool quotedForm =
      value.compare(0, 2, "=?") != 0 && firstQuote != std::string::npos && value.rfind('"') > firstQuote + 1;
  if (!quotedForm) value.erase(0, value.find_first_not_of('"'));

  // Display text, one address-list element at a time (commas outside quotes, angle
  // brackets and encoded words separate them).
  std::u16string out;
  const std::string_view s(value);
  size_t segStart = 0;
  bool inQuote = false, inAngle = false;
  for (size_t i = 0; i <= s.size(); ++i) {
    // Bytes that change nothing are passed in a run.
    if (inAngle) {
      const size_t close = s.find('>', i);
      i = close == std::string_view::npos ? s.size() : close;
    } else {
      while (i < s.size() && !kSpecial[static_cast<unsigned char>(s[i])][inQuote ? 1 : 0]) ++i;
    }
    if (i < s.size()) {
      const char c = s[i];
      if (inQuote) {
        if (c == '\\' && i + 1 < s.size())
          ++i;
        else if (c == '"')
          inQuote = false;
        continue;
      }
      if (inAngle) {
        inAngle = c != '>';
        continue;
      }
      if (c == '"') {
        inQuote = true;
        continue;
      }
      if (c == '<') {
        inAngle = true;
        continue;
      }
      if (c == '=' && i + 1 < s.size() && s[i + 1] == '?') {
        EncodedWord w;
        if (ParseEncodedWord(s, i, w)) i = w.nEnd - 1;
        continue;
      }
      if (c != ',') continue;
    }
    const std::string_view seg = s.substr(segStart, i - segStart);
    size_t lead = 0;
    while (lead < seg.size() && IsSpace8(seg[lead])) ++lead;
    AppendPlain(seg.substr(0, lead), out);
    if (!AppendNameAndAddress(seg.substr(lead), out)) AppendDecodedText(seg.substr(lead), out);
    if (i < s.size()) out += u',';
    segStart = i + 1;
  }
  TrimW(out);
  return out;
}

std::u16string DecodeHeaderPiece(const std::string& piece) { return DecodeText(piece); }
