#include "scan/header_reader.h"

#include <climits>
#include <new>
#include <string_view>

#include "codec/ascii_text.h"
#include "codec/find_no_case.h"
#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "res/string_table.h"
#include "scan/block_gap.h"
#include "scan/keywords.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"

namespace {

// A single-line field: taken when `field` is still empty and the keyword stands at p.
bool TakeField(const char* p, std::string_view keyword, std::string& field, ptrdiff_t& used) {
  if (!field.empty() || !MatchKeyword(p, keyword)) return false;
  const std::string_view v = LineValueAt(p + keyword.size());
  field.assign(v);
  used += static_cast<ptrdiff_t>(v.size() + keyword.size()) - 1;
  return true;
}

// "Subject: " with its continuation lines: each folded line (CR LF, then a blank or a tab)
// is joined to the value with one blank in place of the line break and its leading blanks.
bool TakeSubject(char* p, tagMailHeader& h, ptrdiff_t& used, CBlockGapCloser& gaps) {
  if (!h.strSubject.empty() || !MatchKeyword(p, kw::Subject)) return false;
  char* e = p + kw::Subject.size();
  std::string_view v = LineValueAt(e);
  h.strSubject.assign(v);
  e += v.size();
  for (int n = 0; n < kMaxSubjectFolds; ++n) {
    if (!(e[0] == '\r' && e[1] == '\n' && (e[2] == ' ' || e[2] == '\t'))) break;
    // A continuation line starts a line like any other: close a .dbx gap in it first.
    char* c = e + 2;
    gaps.Close(c);
    char* w = c;
    while (*w == ' ' || *w == '\t') ++w;
    const std::string_view more = LineValueAt(w);
    if (!more.empty()) {
      if (!h.strSubject.empty()) h.strSubject += ' ';
      h.strSubject.append(more);
    }
    e = w + more.size();
  }
  used += (e - p) - 1;
  return true;
}

// "Content-Type: ": the value, and the multipart boundary on the same line or on the
// next; a charset on one of the next two lines extends the value. `used` covers the first
// line only.
bool TakeContentType(const char* p, tagMailHeader& h, ptrdiff_t& used) {
  if (!h.strContentType.empty() || !MatchKeyword(p, kw::ContentType)) return false;
  const size_t k = kw::ContentType.size();
  const std::string_view v = LineValueAt(p + k);
  used += static_cast<ptrdiff_t>(v.size() + k) - 1;
  const ptrdiff_t i = FindNoCase(v, kw::Boundary);
  if (i >= 0) {
    h.strBoundary = BoundaryValue(v, static_cast<size_t>(i) + kw::Boundary.size());
    // What precedes the parameter, without the separator before it.
    std::string_view before = v.substr(0, static_cast<size_t>(i));
    while (!before.empty() && (before.back() == ' ' || before.back() == ';')) before.remove_suffix(1);
    h.strContentType.assign(before);
    return true;
  }
  h.strContentType.assign(v);
  // l2: the next line without its first (folding) byte; l3: the line after it, whole.
  std::string l2(LineValueAt(p + k + v.size() + 3));
  std::string l3(LineTextAt(p + k + v.size() + l2.size() + 5));
  const ptrdiff_t j = FindNoCase(l2, kw::Boundary);
  if (j >= 0) {
    h.strBoundary = BoundaryValue(l2, static_cast<size_t>(j) + kw::Boundary.size());
    return true;
  }
  AsciiLowerInPlace(l2);
  AsciiLowerInPlace(l3);
  if (Contains(l2, "charset=")) {
    h.strContentType += l2;
  } else if (Contains(l3, "charset=")) {
    h.strContentType += l3;
  }
  return true;
}

// True when p holds "--" followed by the message's boundary (ASCII case ignored).
bool IsBoundaryLine(const char* p, const std::string& boundary) {
  return p[0] == '-' && p[1] == '-' && !boundary.empty() && MatchKeyword(p + 2, boundary);
}

// At the first boundary line: when the first part is itself a multipart whose boundary is
// on its second line, that boundary is strBoundary2.
void TakeNestedBoundary(const char* p, tagMailHeader& h) {
  const size_t b = h.strBoundary.size();
  const std::string_view l = LineValueAt(p + b + 4);
  if (!StartsWith(l, "Content-Type: multipart")) return;
  const std::string_view l2 = LineValueAt(p + b + l.size() + 7);
  if (StartsWith(l2, kw::Boundary)) h.strBoundary2 = BoundaryValue(l2, kw::Boundary.size());
}

// Leading blanks, then decimal digits; 0 when there are none. Saturates at INT_MAX.
long long LeadingDecimal(std::string_view s, bool allowSign) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (allowSign && i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    n = n * 10 + (s[i] - '0');
    if (n > INT_MAX) n = INT_MAX;
  }
  return negative ? -n : n;
}

// "X-Attachment: name, size": an entry when the name is not empty once cleaned and the size
// (read from the second byte after the comma) is a positive number.
void TakeXAttachment(const char* p, tagMailHeader& h) {
  if (!MatchKeyword(p, kw::XAttachment)) return;
  const std::string_view v = LineValueAt(p + kw::XAttachment.size());
  const size_t k = v.find(',');
  if (k == std::string_view::npos || k == 0) return;
  const std::string_view sizeText = k + 2 <= v.size() ? v.substr(k + 2) : std::string_view();
  std::string name(v.substr(0, k));
  DecodeHeaderValue(name);  // cleans the name in place
  const long long size = LeadingDecimal(sizeText, false);
  if (name.empty() || size <= 0) return;
  tagAttachment a;
  a.strName = name;
  a.strNameW = DecodeHeaderValue(name);
  a.nSize = static_cast<int32_t>(size);
  h.arrAttachments.push_back(std::move(a));
}

// In place: most subjects have no line break at either end, and then nothing is copied.
template <typename S>
void TrimLineBreaks(S& s) {
  size_t e = s.size();
  while (e > 0 && (s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  s.resize(e);
  size_t b = 0;
  while (b < e && (s[b] == '\r' || s[b] == '\n')) ++b;
  s.erase(0, b);
}

}  // namespace

bool ParseHeaderLine(char* p, tagMailHeader& h, ptrdiff_t& used, CBlockGapCloser& gaps) {
  // Fields, in this order; the first test that applies ends the call. A field's keyword
  // starts with its letter (in either case), so only the fields of the line's first letter
  // are tried. Most header lines are fields the scan does not keep, or continuations.
  switch (p[0]) {
    case 'F':
    case 'f':
      TakeField(p, kw::From, h.strFrom, used);
      return false;
    case 'T':
    case 't':
      TakeField(p, kw::To, h.strTo, used);
      return false;
    case 'S':
    case 's':
      TakeSubject(p, h, used, gaps);
      return false;
    case 'D':
    case 'd':
      TakeField(p, kw::Date, h.strDate, used);
      return false;
    case 'X':
    case 'x':
      if (!TakeField(p, kw::XPriority, h.strPriority, used)) TakeXAttachment(p, h);
      return false;
    case 'C':
    case 'c':
      if (!TakeContentType(p, h, used) && !TakeField(p, kw::ContentTransferEncoding, h.strTransferEncoding, used))
        TakeField(p, kw::Cc, h.strCc, used);
      return false;
    case '\r':
      // The end of the header: a blank line.
      return p[1] == '\n' && h.HasRequiredFields();
    case '-':
      // A boundary line when the blank line is missing.
      if (IsBoundaryLine(p, h.strBoundary)) {
        used += static_cast<ptrdiff_t>(h.strBoundary.size()) + 1;
        if (h.HasRequiredFields()) {
          TakeNestedBoundary(p, h);
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

tagMailItem* NewMailItem(const tagMailHeader& h) {
  auto* m = new (std::nothrow) tagMailItem;
  if (!m) return nullptr;
  m->strSubject = h.strSubject;
  m->strFrom = h.strFrom;
  m->strTo = h.strTo;
  m->strCc = h.strCc;
  m->strDate = h.strDate;
  m->strBoundary = h.strBoundary;
  m->strContentType = h.strContentType;
  m->strTransferEncoding = h.strTransferEncoding;
  m->strBoundary2 = h.strBoundary2;
  m->nSector = h.nSector;
  m->nPriority = static_cast<uint16_t>(LeadingDecimal(h.strPriority, true));
  if (!h.arrAttachments.empty()) m->pAttachments = std::make_unique<tagAttachmentArray>(h.arrAttachments);
  return m;
}

void DecodeMailItemTexts(tagMailItem& m) {
  m.strFromW = DecodeHeaderValue(m.strFrom);
  m.strToW = DecodeHeaderValue(m.strTo);
  m.strSubjectW = DecodeHeaderValue(m.strSubject);
  FormatMailDate(m.strDate);
  TrimLineBreaks(m.strSubject);
  TrimLineBreaks(m.strSubjectW);
  if (m.strSubjectW.empty()) m.strSubjectW = LoadStringW(164);
}

tagMailItem* MakeMailItem(const tagMailHeader& h) {
  tagMailItem* m = NewMailItem(h);
  if (m) DecodeMailItemTexts(*m);
  return m;
}

void AnnounceMailItem(tagMailItem* item, CMailView* view) {
  g_MailStore.Add(item);
  AddMailToInbox(view, item);
  ++g_nMailCount;
  g_bUnsaved = 1;
}

void ShowScanStatus(CMailView* view) {
  const std::u16string status = BuildScanStatusText();
  g_szStatus.Set(status);
  if (view) view->SetStatusText(status);
}

void PublishMailItem(tagMailItem* item, tagOpenMail& open, CMailView* view) {
  open.Open(item);
  AnnounceMailItem(item, view);
  ShowScanStatus(view);
}
