#include "tests/scan/reference_recogniser.h"

// Plain copies of the engine's line handling as it stood before the fast walk: every byte of
// a chunk is one pass of the loop, every line read and keyword test walks byte by byte.

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

#include "codec/ascii_text.h"
#include "codec/base64.h"
#include "codec/find_no_case.h"
#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "res/string_table.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/disk.h"

namespace reference {
namespace {

// ---- keywords and line reads ----

namespace kw {
constexpr std::string_view Subject = "Subject: ";
constexpr std::string_view From = "From: ";
constexpr std::string_view To = "To: ";
constexpr std::string_view Date = "Date: ";
constexpr std::string_view Received = "Received: ";
constexpr std::string_view DeliveredTo = "Delivered-To: ";
constexpr std::string_view XPriority = "X-Priority: ";
constexpr std::string_view ContentType = "Content-Type: ";
constexpr std::string_view ContentTransferEncoding = "Content-Transfer-Encoding: ";
constexpr std::string_view Boundary = "boundary=";
constexpr std::string_view XAttachment = "X-Attachment: ";
constexpr std::string_view Cc = "Cc: ";
}  // namespace kw

constexpr size_t kMaxLineBytes = 512;

// The joined data lines of each record's current attachment part, kept whole here; the
// records' own strAttachmentData only counts them, and is kept in step for the comparison.
std::unordered_map<const tagMailItem*, std::string>& AttachmentData() {
  static std::unordered_map<const tagMailItem*, std::string> data;
  return data;
}
std::string& Data(const tagMailItem& m) { return AttachmentData()[&m]; }
constexpr uint64_t kHeaderWindowSectors = 64;
constexpr int kMaxSubjectFolds = 8;
constexpr size_t kMaxBodyBytes = 262144;
constexpr size_t kMaxAttachmentDataBytes = 500000;
constexpr int kPartHeaderLines = 7;

inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

bool MatchKeyword(const char* p, const char* keyword, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c == 0 || FoldAscii(c) != FoldAscii(static_cast<unsigned char>(keyword[i]))) return false;
  }
  return true;
}

std::string_view LineValueAt(const char* p) {
  for (size_t i = 0; i < kMaxLineBytes; ++i) {
    if (static_cast<unsigned char>(p[i]) < 0x0E) return std::string_view(p, i);
  }
  return {};
}

std::string_view LineTextAt(const char* p) {
  for (size_t i = 0; i < kMaxLineBytes; ++i) {
    const char c = p[i];
    if (c == '\0' || c == '\r' || c == '\n') return std::string_view(p, i);
  }
  return {};
}

std::string BoundaryValue(std::string_view text, size_t at) {
  if (at >= text.size()) return {};
  if (text[at] == '"') ++at;
  std::string_view v = text.substr(at);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  return std::string(v);
}

bool MatchKeyword(const char* p, std::string_view keyword) { return MatchKeyword(p, keyword.data(), keyword.size()); }

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }
bool ContainsAfterStart(std::string_view s, std::string_view part) {
  const size_t at = s.find(part);
  return at != std::string_view::npos && at > 0;
}

// ---- .dbx gap closing ----

bool IsBlockHeader(const char* q) { return q[5] == 0x02 && q[6] == 0x00 && q[7] == 0x00; }

void CloseBlockGap(char*& p) {
  char* const a = p + ((4 - (reinterpret_cast<uintptr_t>(p) & 3)) & 3);
  for (int k = 0; k <= 188; k += 4) {
    char* const q = a + k;
    if (IsBlockHeader(q)) {
      std::memmove(p + 16, p, static_cast<size_t>(q - p));
      p += 16;
      return;
    }
  }
}

// ---- header reader ----

// What the body tracker learns about an attachment part.
struct tagPartInfo {
  std::string strEncoding;
  std::string strName;
  std::u16string strNameW;
};

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
bool TakeSubject(char* p, tagMailHeader& h, ptrdiff_t& used) {
  if (!h.strSubject.empty() || !MatchKeyword(p, kw::Subject)) return false;
  char* e = p + kw::Subject.size();
  std::string_view v = LineValueAt(e);
  h.strSubject.assign(v);
  e += v.size();
  for (int n = 0; n < kMaxSubjectFolds; ++n) {
    if (!(e[0] == '\r' && e[1] == '\n' && (e[2] == ' ' || e[2] == '\t'))) break;
    // A continuation line starts a line like any other: close a .dbx gap in it first.
    char* c = e + 2;
    CloseBlockGap(c);
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

template <typename S>
void TrimLineBreaks(S& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  s = s.substr(b, e - b);
}

bool ParseHeaderLine(char* p, tagMailHeader& h, ptrdiff_t& used) {
  // Fields, in this order; the first test that applies ends the call.
  if (TakeField(p, kw::From, h.strFrom, used)) return false;
  if (TakeField(p, kw::To, h.strTo, used)) return false;
  if (TakeSubject(p, h, used)) return false;
  if (TakeField(p, kw::Date, h.strDate, used)) return false;
  if (TakeField(p, kw::XPriority, h.strPriority, used)) return false;
  if (TakeContentType(p, h, used)) return false;
  if (TakeField(p, kw::ContentTransferEncoding, h.strTransferEncoding, used)) return false;
  if (TakeField(p, kw::Cc, h.strCc, used)) return false;

  // The end of the header: a blank line, or a boundary line when the blank line is missing.
  if (p[0] == '\r' && p[1] == '\n' && h.HasRequiredFields()) return true;
  if (IsBoundaryLine(p, h.strBoundary)) {
    used += static_cast<ptrdiff_t>(h.strBoundary.size()) + 1;
    if (h.HasRequiredFields()) {
      TakeNestedBoundary(p, h);
      return true;
    }
  }

  TakeXAttachment(p, h);
  return false;
}

tagMailItem* MakeMailItem(const tagMailHeader& h) {
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

  m->strFromW = DecodeHeaderValue(m->strFrom);
  m->strToW = DecodeHeaderValue(m->strTo);
  m->strSubjectW = DecodeHeaderValue(m->strSubject);
  FormatMailDate(m->strDate);
  TrimLineBreaks(m->strSubject);
  TrimLineBreaks(m->strSubjectW);
  if (m->strSubjectW.empty()) m->strSubjectW = LoadStringW(164);
  return m;
}

void PublishMailItem(tagMailItem* item, tagOpenMail& open, CMailView* view) {
  g_MailStore.Add(item);
  open.Open(item);
  AddMailToInbox(view, item);
  ++g_nMailCount;
  const std::u16string status = BuildScanStatusText();
  g_szStatus.Set(status);
  if (view) view->SetStatusText(status);
  g_bUnsaved = 1;
}

// ---- body and attachment tracking ----

bool IsAttachmentPart(const char* p, tagPartInfo& part);

// True when l is the closing line of the message's outer multipart: "--" boundary "--".
bool IsClosingBoundary(std::string_view l, const std::string& boundary) {
  return !boundary.empty() && StartsWith(l, "--") && l.substr(2, boundary.size()) == boundary &&
         l.substr(2 + boundary.size(), 2) == "--";
}

// True when l mentions one of the message's boundaries (exact case, non-empty).
bool MentionsBoundary(std::string_view l, const tagMailItem& m) {
  return (!m.strBoundary.empty() && Contains(l, m.strBoundary)) ||
         (!m.strBoundary2.empty() && Contains(l, m.strBoundary2));
}

// Follows a new attachment part: its entry goes to the pending list with size 0.
void BeginAttachment(tagMailItem& m, tagOpenMail& open, const tagPartInfo& part) {
  {
    auto lock = m.Lock();
    if (!m.pPendingAttachments) m.pPendingAttachments = std::make_unique<tagAttachmentArray>();
    m.pPendingAttachments->push_back(tagAttachment{part.strName, part.strNameW, part.strEncoding, 0});
  }
  m.bInAttachment = 1;
  m.bInAttachmentData = 0;
  Data(m).clear();
  m.strAttachmentData.Clear();
  open.bPassOver = false;
}

// The entry of the attachment part being followed: the last pending one or, when the
// window has already moved the pending entries (listing the record), the last listed one.
// The caller holds the record's lock.
tagAttachment* CurrentPartEntry(tagMailItem& m) {
  if (m.pPendingAttachments && !m.pPendingAttachments->empty()) return &m.pPendingAttachments->back();
  if (m.pAttachments && !m.pAttachments->empty()) return &m.pAttachments->back();
  return nullptr;
}

// A new message begins: the record is decoded if it was not yet, its pending attachments
// are listed, and it is closed.
void CloseForNewMessage(tagMailItem& m, tagOpenMail& open) {
  if (!m.bDecoded) m.DecodeBody();
  m.MergePendingAttachments();
  open.Close();
}

// Ends the attachment part being followed; a new message beginning closes the record.
void FinishAttachment(tagMailItem& m, tagOpenMail& open, bool newMessage) {
  bool base64 = false;
  {
    auto lock = m.Lock();
    const tagAttachment* e = CurrentPartEntry(m);
    base64 = e && FindNoCase(e->strEncoding, "base64") > 0;
  }
  if (base64) {
    const size_t n = Base64DecodedLength(Data(m).data(), Data(m).size());
    auto lock = m.Lock();
    if (tagAttachment* e = CurrentPartEntry(m)) e->nSize = static_cast<int32_t>(n > INT_MAX ? INT_MAX : n);
  }
  m.bInAttachmentData = 0;
  m.bInAttachment = 0;
  std::string().swap(Data(m));  // the data is not kept
  m.strAttachmentData.Clear();
  if (newMessage) CloseForNewMessage(m, open);
}

// The text part has not started: at the first boundary line whose part is text/plain (or
// a nested multipart), or for a single-part message at once. Returns what was read from q,
// less one.
ptrdiff_t StartTextPart(const char* q, tagMailItem& m) {
  ptrdiff_t u = 0;
  if (m.strBoundary.empty()) {
    // Single-part: the body starts with this line.
    if (!m.strContentType.empty() &&
        (FindNoCase(m.strContentType, "charset=") >= 1 || !m.strTransferEncoding.empty())) {
      const std::string_view first = LineValueAt(q);
      m.bInBody = 1;
      {
        auto lock = m.Lock();
        m.strBody.assign(first);
      }
      u += static_cast<ptrdiff_t>(first.size()) - 1;
    } else if (m.strTransferEncoding.empty() && m.strPartEncoding.empty() && m.strBoundary2.empty()) {
      m.bInBody = 1;
      auto lock = m.Lock();
      m.strPartEncoding = "8bit";
      m.strPartType = "text/plain";
      m.strBody.assign(LineValueAt(q));
    }
    return u;
  }

  // Multipart: only a boundary line can start the text part.
  const std::string* b = nullptr;
  if (MatchKeyword(q + 2, m.strBoundary)) {
    b = &m.strBoundary;
  } else if (!m.strBoundary2.empty() && MatchKeyword(q + 2, m.strBoundary2)) {
    b = &m.strBoundary2;
  } else {
    return u;
  }
  u += static_cast<ptrdiff_t>(b->size()) + 4;
  if (MatchKeyword(q + u, kw::ContentType)) {
    std::string v(LineValueAt(q + u + kw::ContentType.size()));
    AsciiLowerInPlace(v);
    u += static_cast<ptrdiff_t>(kw::ContentType.size() + 2 + v.size());
    if (StartsWith(v, "text/plain")) {
      m.bInBody = 1;
      std::string partType = v;
      std::string partEncoding;
      // The type's parameters may follow on the next lines (after a folding byte).
      ptrdiff_t skipped = 0;
      std::string n(LineValueAt(q + u));
      if (n.empty()) {
        n = LineValueAt(q + u + 1);
        skipped = 1;
      }
      std::string t(LineValueAt(q + u + static_cast<ptrdiff_t>(n.size()) + skipped + 2));
      AsciiLowerInPlace(t);
      if (!Contains(n, "charset") && Contains(t, "charset")) n += "\r\n" + t;
      if (Contains(n, "charset")) {
        partType += n;
        u += static_cast<ptrdiff_t>(n.size()) + 2;
        if (q[u] == '\n') ++u;
      } else if (StartsWith(n, kw::ContentTransferEncoding)) {
        partEncoding = n.substr(kw::ContentTransferEncoding.size());
        AsciiLowerInPlace(partEncoding);
      }
      auto lock = m.Lock();
      m.strPartType = partType;
      if (!partEncoding.empty()) m.strPartEncoding = partEncoding;
    } else if (m.strBoundary2.empty() && StartsWith(v, "multipart")) {
      // A nested multipart whose boundary stands on the next line.
      const std::string_view n = LineValueAt(q + u + 1);
      if (StartsWith(n, kw::Boundary)) {
        std::string b2 = BoundaryValue(n, kw::Boundary.size());
        auto lock = m.Lock();
        m.strBoundary2 = std::move(b2);
      }
    }
  }
  if (m.bInBody && MatchKeyword(q + u, kw::ContentTransferEncoding)) {
    std::string v(LineValueAt(q + u + kw::ContentTransferEncoding.size()));
    AsciiLowerInPlace(v);
    u += static_cast<ptrdiff_t>(kw::ContentTransferEncoding.size() + 2 + v.size());
    auto lock = m.Lock();
    m.strPartEncoding = std::move(v);
  }
  return u - 1;
}

// A line of the text part, or its end. `i` line-break bytes stood before q.
ptrdiff_t BodyLine(const char* q, size_t i, tagMailItem& m, tagOpenMail& open) {
  const std::string_view l = LineValueAt(q);
  if (l.empty()) return 0;
  // A "Received: " line after empty lines is the next message's: the body ends before it,
  // and it is left unread so that it starts that message.
  const bool nextMessage = i > 0 && MatchKeyword(q, kw::Received);
  const bool boundaryEnd =
      q[0] == '-' && (ContainsAfterStart(l, m.strBoundary) || ContainsAfterStart(l, m.strBoundary2));
  const bool ends = nextMessage || boundaryEnd || (q[0] == 'D' && q[1] == 'e' && StartsWith(l, kw::DeliveredTo)) ||
                    m.strBody.size() > kMaxBodyBytes;
  const ptrdiff_t u = static_cast<ptrdiff_t>(l.size()) - 1;
  if (ends) {
    m.DecodeBody();
    m.bInBody = 0;
    tagPartInfo part;
    if (nextMessage) {
      open.Close();
      return -1;
    }
    if (IsAttachmentPart(q, part)) {
      BeginAttachment(m, open, part);
    } else if (boundaryEnd && !IsClosingBoundary(l, m.strBoundary)) {
      open.bPassOver = true;  // the HTML alternative, say: attachments may follow it
    } else {
      open.Close();
    }
    return u;
  }
  auto lock = m.Lock();
  // Empty lines before this one are kept: one line break per started pair of bytes.
  if (i > 0) {
    for (size_t k = 0; k < (i - 1) / 2 + 1; ++k) m.strBody += "\r\n";
  }
  // A quoted-printable soft break followed by an encoded byte joins the lines.
  if (l[0] == '=' && !m.strBody.empty() && m.strBody.back() == '=') {
    m.strBody.append(l);
  } else {
    m.strBody += "\r\n";
    m.strBody.append(l);
  }
  return u;
}

// A line of a part that is neither the text part nor an attachment, after any empty lines:
// the next boundary line starts an attachment or another part to pass over, the
// multipart's closing line or a new message's first line closes the record.
void PassOverLine(const char* p, ptrdiff_t& used, tagMailItem& m, tagOpenMail& open) {
  size_t i = 0;
  while (p[i] == '\r' || p[i] == '\n') ++i;
  const char* q = p + i;
  if (MatchKeyword(q, kw::Received)) {
    // Left unread: it starts the next message.
    if (i > 0) CloseForNewMessage(m, open);
    return;
  }
  const std::string_view l = LineValueAt(q);
  if (q[0] == 'D' && q[1] == 'e' && StartsWith(l, kw::DeliveredTo)) {
    CloseForNewMessage(m, open);
    return;
  }
  if (q[0] == '-' && q[1] == '-' && MentionsBoundary(l, m)) {
    tagPartInfo part;
    if (IsAttachmentPart(q, part)) {
      BeginAttachment(m, open, part);
    } else if (IsClosingBoundary(l, m.strBoundary)) {
      open.Close();
    }
  }
  used += static_cast<ptrdiff_t>(i);
}

bool IsAttachmentPart(const char* p, tagPartInfo& part) {
  std::string_view encodingLine, nameLine;
  size_t nameAt = 0;
  bool attachmentMark = false;
  bool found = false;
  const char* line = p;
  for (int n = 0; n < kPartHeaderLines; ++n) {
    const std::string_view t = LineTextAt(line);
    if (t.empty()) break;
    if (FindNoCase(t, kw::ContentTransferEncoding) >= 0) encodingLine = t;
    if (FindNoCase(t, "attachment") >= 0) attachmentMark = true;
    if (const ptrdiff_t at = FindNoCase(t, "filename="); at >= 0) {
      nameLine = t;
      nameAt = static_cast<size_t>(at);
    }
    if (!nameLine.empty() && !encodingLine.empty() && attachmentMark) {
      found = true;
      break;
    }
    line += t.size() + 2;
  }
  if (!found) return false;

  // The value: an opening quote skipped, blanks and then quotes removed at both ends.
  std::string_view v = nameLine.substr(nameAt + 9);
  if (!v.empty() && v.front() == '"') v.remove_prefix(1);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  while (!v.empty() && v.front() == '"') v.remove_prefix(1);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  std::string name(v);
  std::string cleaned = name;
  std::u16string display = DecodeHeaderValue(cleaned);
  if (display.empty()) return false;
  part.strEncoding.assign(encodingLine);
  part.strName = std::move(name);
  part.strNameW = std::move(display);
  return true;
}

void TrackBodyLine(const char* p, ptrdiff_t& used, tagOpenMail& open) {
  tagMailItem* m = open.pMail;
  if (!m) return;
  size_t i = 0;
  while (p[i] == '\r' || p[i] == '\n') ++i;
  const char* q = p + i;
  if (!m->bInBody) {
    used += StartTextPart(q, *m);
  } else {
    used += BodyLine(q, i, *m, open);
  }
  used += static_cast<ptrdiff_t>(i);
}

void TrackAttachmentLine(const char* p, ptrdiff_t& used, tagOpenMail& open) {
  tagMailItem* m = open.pMail;
  if (!m) return;
  if (open.bPassOver && !m->bInAttachment) {
    PassOverLine(p, used, *m, open);
    return;
  }

  // An empty line in an attachment part ends its headers, or its data.
  bool finishNow = false;
  if (p[0] == '\r' && p[1] == '\n' && m->bInAttachment) {
    used += 2;
    if (!m->bInAttachmentData) {
      m->bInAttachmentData = 1;
      Data(*m).clear();
      m->strAttachmentData.Clear();
    } else {
      m->bInAttachmentData = 0;
      finishNow = Data(*m).size() > 3;
    }
  }

  if (p[0] == '\r' && p[1] == '\n' && m->bInAttachment && MatchKeyword(p + 2, kw::Received)) {
    // The next message begins after the empty line: the part ends, and the line is left
    // unread so that it starts that message.
    FinishAttachment(*m, open, true);
    used = 0;
    return;
  }
  const char* lp = p + used;
  const std::string_view l = LineValueAt(lp);
  bool ends = finishNow;
  bool newMessage = false;
  if (!ends && !l.empty() && m->bInAttachment) {
    // The part ends at a boundary line, at a new message's first line, or when too large.
    // These tests look at p, not at the line after an empty one.
    const bool de = p[0] == 'D' && p[1] == 'e';
    const bool re = p[0] == 'R' && p[1] == 'e';
    const bool boundaryEnd =
        p[0] == '-' && (ContainsAfterStart(l, m->strBoundary) || ContainsAfterStart(l, m->strBoundary2));
    ends = boundaryEnd || (de && StartsWith(l, kw::DeliveredTo)) || (re && StartsWith(l, kw::Received)) ||
           Data(*m).size() > kMaxAttachmentDataBytes;
    if (!boundaryEnd) newMessage = (de && Contains(l, kw::DeliveredTo)) || (re && Contains(l, kw::Received));
  }
  if (ends) {
    FinishAttachment(*m, open, newMessage);
  } else if (m->bInAttachmentData) {
    Data(*m).append(l);
    m->strAttachmentData.Append(l);
  }
  if (open.pMail != m) return;

  // The next part: an attachment is followed; another part is passed over, until the
  // multipart's closing line ends the record.
  if (!m->bInAttachment && lp[0] == '-' && lp[1] == '-' &&
      (Contains(l, m->strBoundary) || Contains(l, m->strBoundary2))) {
    tagPartInfo part;
    if (IsAttachmentPart(lp, part)) {
      BeginAttachment(*m, open, part);
    } else if (MentionsBoundary(l, *m)) {
      if (IsClosingBoundary(l, m->strBoundary)) {
        open.Close();
      } else {
        open.bPassOver = true;
      }
    }
  }
}

// True when the sector at p holds only zero bytes.
bool IsZeroSector(const uint8_t* p) {
  for (size_t i = 0; i < SECTOR_SIZE; ++i)
    if (p[i] != 0) return false;
  return true;
}

}  // namespace

// ---- the walk ----

void CRecogniser::Reset() {
  AttachmentData().clear();
  m_header.Reset();
  m_open.Close();
  m_nCarry = 0;
  m_cLastOfPrevious = '\0';
}

void CRecogniser::StartMessage(size_t pos, uint64_t firstSector) {
  m_header.Reset();
  m_header.bStarted = true;
  m_header.nSector = firstSector + pos / SECTOR_SIZE;
  if (tagMailItem* m = m_open.pMail; m && m->bInBody) m->DecodeBody();
  m_open.Close();
}

void CRecogniser::ScanChunk(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop) {
  if (firstSector == 0) Reset();
  char* const b = reinterpret_cast<char*>(chunk);
  size_t pos = m_nCarry;
  ptrdiff_t used = 0;
  while (pos < length && !stop.load(std::memory_order_relaxed)) {
    // Free space: a whole zero sector is passed in one step.
    if (pos % SECTOR_SIZE == 0 && IsZeroSector(chunk + pos)) {
      pos += SECTOR_SIZE;
      continue;
    }
    if (!(b[pos] == '\r' && b[pos + 1] == '\n')) {
      // Not a line start for the line handlers. A message may still start here: right after
      // free space, other data at a sector start or a .dbx block header, or after the CR LF
      // of an empty line that no handler read.
      const bool mayStart = pos % SECTOR_SIZE == 0 || b[pos - 1] == '\0' ||
                            (b[pos - 1] == '\n' && (pos >= 2 ? b[pos - 2] == '\r' : m_cLastOfPrevious == '\r'));
      if (mayStart && MatchKeyword(b + pos, kw::Received)) {
        StartMessage(pos, firstSector);
        pos += kw::Received.size();
      } else {
        pos += 1;
      }
      continue;
    }
    pos += 2;

    if (MatchKeyword(b + pos, kw::Received)) {
      StartMessage(pos, firstSector);
      pos += kw::Received.size();
      continue;
    }

    // A header that did not complete in its window is dropped.
    if (m_header.bStarted && firstSector + pos / SECTOR_SIZE > m_header.nSector + kHeaderWindowSectors) {
      m_header.Reset();
    }

    if (m_header.bStarted) {
      char* p = b + pos;
      CloseBlockGap(p);
      pos = static_cast<size_t>(p - b);
      if (ParseHeaderLine(p, m_header, used)) {
        if (tagMailItem* item = MakeMailItem(m_header)) PublishMailItem(item, m_open, nullptr);
        m_header.Reset();
      }
      if (used != 0) {
        pos += static_cast<size_t>(used + 1);
        used = 0;
        continue;
      }
    }

    if (tagMailItem* m = m_open.pMail;
        m && (m->bInBody || m->strBody.empty() || m->bInAttachment || m_open.bPassOver)) {
      char* p = b + pos;
      CloseBlockGap(p);
      pos = static_cast<size_t>(p - b);
      if (!m->bInAttachment && !m_open.bPassOver) TrackBodyLine(b + pos, used, m_open);
      pos = static_cast<size_t>(static_cast<ptrdiff_t>(pos) + used);
      used = 0;
      TrackAttachmentLine(b + pos, used, m_open);
    }
    pos = static_cast<size_t>(static_cast<ptrdiff_t>(pos) + used + 1);
    used = 0;
  }
  m_nCarry = pos >= length ? pos - length : 0;
  m_cLastOfPrevious = length > 0 ? b[length - 1] : '\0';
}

}  // namespace reference
