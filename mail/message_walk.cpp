#include "mail/message_walk.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "codec/header_value.h"
#include "codec/mail_date.h"
#include "mail/stored_text.h"

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr size_t kMaxLine = 512;  // a line without CR, LF or zero within this many bytes counts as empty
// The line a .box mailbox keeps between two messages.
constexpr std::string_view kBoxSeparator("\x10\x10\x10\x10\x10\x10\x10\x11\x11\x11\x11\x11\x11S\r\n", 16);
// A control byte that stands alone in real text is followed by this much text without
// another one, and by a line break within it.
constexpr size_t kStrayReach = 256;
constexpr size_t kStrayNear = 8;   // the control bytes of one such spot lie within this many bytes
constexpr size_t kStrayCount = 4;  // and are at most this many
// Zeros that run on this far (or to the next sector start) are free space or slack.
constexpr size_t kZeroRun = 16;
constexpr size_t kMaxHeaderLine = 998;  // longest header line taken when reaching back

// Bytes stored mail text cannot hold: zero and the C0 controls other than TAB, LF, FF, CR
// and ESC (free space, another file's binary data, noise, a .box separator).
constexpr bool IsForeignByte(unsigned char c) {
  return c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0C && c != 0x0D && c != 0x1B;
}

// "Name:" with a field name of printable ASCII (no blank, no colon).
// `plain`: the name has only letters, digits and hyphens, as real field names do.
bool IsFieldLine(std::string_view line, bool plain = false) {
  auto nameByte = [plain](unsigned char c) {
    return plain ? std::isalnum(c) || c == '-' : c > ' ' && c < 0x7f && c != ':';
  };
  size_t i = 0;
  while (i < line.size() && i < 77 && nameByte(static_cast<unsigned char>(line[i]))) ++i;
  return i > 0 && i < line.size() && line[i] == ':';
}

// An mbox envelope line: "From ", a sender without blanks, blanks, then a date that begins
// with a weekday and a month ("From alice@example.org Mon Jan  1 00:00:00 2001").
bool IsEnvelopeLine(std::string_view line) {
  static constexpr std::string_view kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (line.substr(0, 5) != "From ") return false;
  size_t i = 5;
  const size_t sender = i;
  while (i < line.size() && line[i] != ' ') ++i;
  if (i == sender) return false;
  while (i < line.size() && line[i] == ' ') ++i;
  if (i + 7 > line.size() || line[i + 3] != ' ') return false;
  const std::string_view day = line.substr(i, 3), month = line.substr(i + 4, 3);
  return std::find(std::begin(kDays), std::end(kDays), day) != std::end(kDays) &&
         std::find(std::begin(kMonths), std::end(kMonths), month) != std::end(kMonths);
}

// Remembers the last answer of a forward search, so that a walk that asks again from a
// later position before that answer costs nothing.
struct tagSearchCache {
  size_t nFrom = kNone;
  size_t nAt = kNone;
  template <class F>
  size_t Get(size_t from, F search) {
    if (nFrom == kNone || from < nFrom || from > nAt) {
      nFrom = from;
      nAt = search(from);
    }
    return nAt;
  }
};

class CMessageWalk {
 public:
  CMessageWalk(const tagStoredText& text, const tagMailIdentity* identity, const std::atomic<int>* stop)
      : m_text(text), T(text.Data()), m(text.nLength), m_identity(identity), m_stop(stop) {
    if (identity && !identity->strBoundary.empty()) m_boundaries.push_back(identity->strBoundary);
  }

  bool Run(size_t from, size_t& start, size_t& end);

 private:
  bool Stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed) != 0; }

  bool MatchAt(size_t p, std::string_view keyword) const {
    if (p + keyword.size() > m) return false;
    for (size_t i = 0; i < keyword.size(); ++i) {
      char a = T[p + i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      char b = keyword[i];
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      if (a != b) return false;
    }
    return true;
  }
  bool IsStartLine(size_t p) const {
    return MatchAt(p, "Received: ") || MatchAt(p, "Delivered-To: ") || MatchAt(p, "Return-Path: ");
  }
  // The line at q, up to CR, LF or zero; empty (and false) when none comes within 512 bytes.
  bool Line(size_t q, std::string_view& line) const {
    line = {};
    if (q >= m) return false;
    for (size_t i = q; i < q + kMaxLine; ++i) {
      const char ch = T[i];  // the zero padding after the text ends every line
      if (ch == '\r' || ch == '\n' || ch == '\0') {
        line = std::string_view(T + q, i - q);
        return true;
      }
    }
    return false;
  }
  // The value at q: up to the first byte below 0x0E; empty when none comes within 512 bytes.
  std::string Value(size_t q) const {
    for (size_t i = q; i < q + kMaxLine; ++i)
      if (static_cast<unsigned char>(T[i]) < 0x0E) return std::string(T + q, i - q);
    return std::string();
  }
  // Position right after the first CR LF at or after p, or kNone.
  size_t LineAfter(size_t p) {
    const size_t at = NextCrLf(p);
    return at < m ? at + 2 : kNone;
  }

  size_t NextCrLf(size_t from) {
    return m_crlf.Get(from, [this](size_t i) {
      while (i < m) {
        const void* hit = std::memchr(T + i, '\r', m - i);
        if (!hit) return m;
        i = static_cast<size_t>(static_cast<const char*>(hit) - T);
        if (T[i + 1] == '\n') return i;
        ++i;
      }
      return m;
    });
  }
  size_t NextForeign(size_t from) {
    return m_foreign.Get(from, [this](size_t i) {
      while (i < m && !IsForeignByte(static_cast<unsigned char>(T[i]))) ++i;
      return i;
    });
  }
  // First position w >= from that follows a foreign byte and holds none.
  size_t NextForeignRunEnd(size_t from) {
    return m_foreignRun.Get(from, [this](size_t from2) {
      size_t z = from2 > 0 ? from2 - 1 : 0;
      while (z < m && !IsForeignByte(static_cast<unsigned char>(T[z]))) ++z;
      while (z < m && IsForeignByte(static_cast<unsigned char>(T[z]))) ++z;
      return z;
    });
  }
  size_t NextSeam(size_t from) const {
    auto it = std::lower_bound(m_text.seams.begin(), m_text.seams.end(), from);
    return it == m_text.seams.end() ? m : *it;
  }
  void Drop() {
    m_bInside = false;
    m_bHeaderEnded = false;
  }
  void StartAt(size_t L) {
    m_bInside = true;
    m_bHeaderEnded = false;
    m_bClosed = false;
    m_bAfterEnvelope = false;
    m_bFrom = m_bTo = m_bDate = m_bRecordLine = false;
    m_nStart = ReachBack(L);
    NoteReceivedLine(L);
  }
  // The header lines before the first line that starts a message belong to it, back to
  // where its stored text begins: an empty line, an envelope or separator line, bytes that
  // are not mail text, the window's start, or a line that is no header line.
  size_t ReachBack(size_t L);
  // The message's stored text ends at the foreign byte at `at` (not a stray one): exactly
  // there before free space or a .box separator, else after the last line break before it
  // (the bytes after it on that line are noise).
  size_t EndBefore(size_t at) const;
  // The last message of an mbox file is followed by the empty line that would come before
  // the next envelope line: it is not the message's.
  size_t MboxEnd(size_t e) const {
    return m_bAfterEnvelope && e >= m_nStart + 4 && std::string_view(T + e - 4, 4) == "\r\n\r\n" ? e - 2 : e;
  }
  // A lone control byte inside real text, not the end of the text.
  bool IsStray(size_t at) const;
  // The line at L (after CR LF) may start the next stored message: always outside an open
  // multipart; inside one (a bounce or forward quoting a header) only at a sector start.
  bool MayStartNext(size_t L) const {
    if (m_boundaries.empty() || m_bClosed) return true;
    return NextSeam(L) == L;
  }
  // The recorded message must have shown its From, To and Date lines and a "Received: "
  // line in the record's sector (another copy of the same message nearby is not it).
  bool Confirmed() const { return !m_identity || (m_bFrom && m_bTo && m_bDate && m_bRecordLine); }
  void NoteReceivedLine(size_t L) {
    if (L >= m_text.nRecordStart && L < m_text.nRecordEnd && MatchAt(L, "Received: ")) m_bRecordLine = true;
  }

  // "--boundary--" of the message's own multipart at L ends it.
  void NoteClosingBoundary(size_t L) {
    if (m_boundaries.empty() || T[L] != '-' || T[L + 1] != '-') return;
    const std::string& b = m_boundaries.front();
    if (L + 4 + b.size() <= m && std::string_view(T + L + 2, b.size()) == b && T[L + 2 + b.size()] == '-' &&
        T[L + 3 + b.size()] == '-')
      m_bClosed = true;
  }
  // False when a From, To or Date line at L contradicts the record.
  bool CheckIdentity(size_t L);
  size_t HeaderEndTest(size_t q);
  size_t BoundaryTest(size_t q);

  const tagStoredText& m_text;
  const char* T;
  size_t m;
  const tagMailIdentity* m_identity;
  const std::atomic<int>* m_stop;
  std::vector<std::string> m_boundaries;  // in the order learnt

  bool m_bInside = false;
  bool m_bHeaderEnded = false;
  bool m_bClosed = false;         // the message's own multipart has ended ("--boundary--")
  bool m_bAfterEnvelope = false;  // an mbox envelope line stands right before the message
  size_t m_nStart = 0;
  bool m_bFrom = false, m_bTo = false, m_bDate = false;
  bool m_bRecordLine = false;  // a "Received: " line starts in the record's sector

  tagSearchCache m_crlf, m_foreign, m_foreignRun;
};

bool CMessageWalk::CheckIdentity(size_t L) {
  if (MatchAt(L, "From: ")) {
    std::string v = Value(L + 6);
    DecodeHeaderValue(v);  // cleans v as the record's value was cleaned
    if (v != m_identity->strFrom) return false;
    m_bFrom = true;
  } else if (MatchAt(L, "To: ")) {
    std::string v = Value(L + 4);
    DecodeHeaderValue(v);
    if (v != m_identity->strTo) return false;
    m_bTo = true;
  } else if (MatchAt(L, "Date: ")) {
    std::string v = Value(L + 6);
    FormatMailDate(v);
    if (v != m_identity->strDate) return false;
    m_bDate = true;
  }
  return true;
}

// Without a boundary, an empty line ends the header; with one, only the line "--" +
// boundary does. Returns where the walk resumes.
size_t CMessageWalk::HeaderEndTest(size_t q) {
  if (m_boundaries.empty()) {
    if (q + 1 < m && T[q] == '\r' && T[q + 1] == '\n') m_bHeaderEnded = true;
  } else {
    const std::string& b = m_boundaries.front();
    std::string_view line;
    if (Line(q, line) && line.size() >= 2 + b.size() && line.compare(2, b.size(), b) == 0) m_bHeaderEnded = true;
  }
  return BoundaryTest(q);
}

// A boundary line followed by a multipart Content-Type teaches the walk the nested
// boundary from the line after it. Returns where the walk resumes.
size_t CMessageWalk::BoundaryTest(size_t q) {
  if (m_boundaries.empty()) return q;
  std::string_view line;
  if (!Line(q, line)) return q;
  bool hit = false;
  for (const std::string& b : m_boundaries) {
    const size_t pos = line.find(b);
    if (pos != std::string_view::npos && pos > 0) {
      hit = true;
      break;
    }
  }
  if (!hit) return q;
  const size_t e1 = q + line.size();
  const size_t n2 = LineAfter(e1);
  std::string_view line2;
  if (n2 == kNone || !Line(n2, line2) || !MatchAt(n2, "Content-Type: ") ||
      line2.find("multipart", 1) == std::string_view::npos)
    return e1;
  const size_t e2 = n2 + line2.size();
  const size_t n3 = LineAfter(e2);
  std::string_view line3;
  if (n3 == kNone || !Line(n3, line3)) return e2;
  const size_t k = line3.find("boundary=");
  if (k == std::string_view::npos || k == 0) return e2;
  size_t from = k + 9;
  if (from < line3.size() && line3[from] == '"') ++from;  // the opening quote, when there is one
  std::string nested(line3.substr(std::min(from, line3.size())));
  while (!nested.empty() && nested.back() == '"') nested.pop_back();
  if (!nested.empty() && std::find(m_boundaries.begin(), m_boundaries.end(), nested) == m_boundaries.end())
    m_boundaries.push_back(nested);
  return n3 + line3.size();
}

size_t CMessageWalk::ReachBack(size_t L) {
  size_t start = L;
  size_t p = L;  // the start of the line after the one looked at
  while (p >= 2 && T[p - 2] == '\r' && T[p - 1] == '\n') {
    const size_t e = p - 2;  // the CR that ends the line before
    size_t b = e;
    bool foreign = false;
    while (b > 0 && e - b <= kMaxHeaderLine) {
      const char c = T[b - 1];
      if (c == '\n' && b >= 2 && T[b - 2] == '\r') break;
      if (IsForeignByte(static_cast<unsigned char>(c))) {
        foreign = true;
        break;
      }
      --b;
    }
    if (e == b || e - b > kMaxHeaderLine) break;  // an empty line, or no header line
    const std::string_view line(T + b, e - b);
    if (line.find_first_of("\r\n") != std::string_view::npos) break;
    if (line[0] == ' ' || line[0] == '\t') {  // a folded line belongs to a field further up
      p = b;
      if (foreign || b == 0) break;
      continue;
    }
    if (IsStartLine(b)) break;
    if (p == start && IsEnvelopeLine(line)) {
      m_bAfterEnvelope = true;
      break;
    }
    if (foreign || b == 0) {
      // The top line of the block: noise may stand right before its first byte. A line
      // that starts a message from inside it starts there; else its name must be a plain one.
      size_t k = 1;
      while (k < line.size() && k < 64 && !IsStartLine(b + k)) ++k;
      if (k < line.size() && k < 64) {
        start = b + k;
        break;
      }
      if (!IsFieldLine(line, true)) break;
    } else if (!IsFieldLine(line)) {
      break;
    }
    if (m_identity && !CheckIdentity(b)) break;  // another message's field
    start = p = b;
    if (foreign) break;
  }
  return start;
}

size_t CMessageWalk::EndBefore(size_t at) const {
  if (T[at] == '\0') {
    const size_t seam = NextSeam(at + 1);
    size_t i = at;
    while (i < m && i < seam && i < at + kZeroRun && T[i] == '\0') ++i;
    if (i == m || i == seam || i == at + kZeroRun) return at;
  }
  if (std::string_view(T + at, std::min(m - at, kBoxSeparator.size())) == kBoxSeparator) return at;
  for (size_t i = at; i > m_nStart + 1; --i)
    if (T[i - 2] == '\r' && T[i - 1] == '\n') return i;
  return at;
}

bool CMessageWalk::IsStray(size_t at) const {
  if (std::string_view(T + at, std::min(m - at, kBoxSeparator.size())) == kBoxSeparator) return false;
  // A few control bytes close together, no two zeros in a row, then a stretch of text with
  // a line break in it and no control byte at all.
  const size_t near = std::min(m, at + kStrayNear);
  size_t count = 0;
  for (size_t i = at; i < near; ++i) {
    if (!IsForeignByte(static_cast<unsigned char>(T[i]))) continue;
    if (++count > kStrayCount || (T[i] == '\0' && T[i + 1] == '\0')) return false;
  }
  const size_t to = std::min(m, near + kStrayReach);
  bool lineBreak = false;
  for (size_t i = near; i < to; ++i) {
    if (IsForeignByte(static_cast<unsigned char>(T[i]))) return false;
    lineBreak = lineBreak || (T[i] == '\r' && T[i + 1] == '\n');
  }
  return lineBreak;
}

bool CMessageWalk::Run(size_t from, size_t& start, size_t& end) {
  size_t cursor = from;       // the next line start follows the first CR LF at or after it
  size_t extraFrom = from;    // sector starts and the ends of foreign bytes count from here on
  size_t checkedFrom = from;  // the text before this holds no foreign byte that ends the message
  for (;;) {
    if (Stopped()) return false;
    const size_t crlf = NextCrLf(cursor);
    const size_t lineStart = crlf + 2 < m ? crlf + 2 : kNone;
    const size_t ef = std::max(cursor, extraFrom);
    size_t extra = std::min(NextForeignRunEnd(ef), NextSeam(ef));
    if (extra >= m) extra = kNone;
    size_t foreign = kNone;
    if (m_bInside) {
      // Also in lines the boundary test skipped.
      foreign = NextForeign(checkedFrom);
      if (foreign >= m) foreign = kNone;
    }
    const size_t ev = std::min({lineStart, extra, foreign});
    if (ev == kNone) break;

    if (ev == foreign) {
      if (IsStray(ev)) {
        checkedFrom = std::min(m, ev + kStrayNear);  // its few control bytes are text
        continue;
      }
      // The stored text ends here: a complete header makes a message, an open one is dropped.
      if (m_bHeaderEnded && Confirmed()) {
        const size_t e = MboxEnd(EndBefore(ev));
        if (e > m_nStart) {
          start = m_nStart;
          end = e;
          return true;
        }
      }
      Drop();
      cursor = extraFrom = checkedFrom = ev + 1;
      continue;
    }

    const size_t L = ev;
    checkedFrom = std::max(checkedFrom, L);
    const bool atCrLf = L == lineStart;
    extraFrom = std::max(extraFrom, L + 1);
    if (m_bInside) {
      // Only the header speaks for the message: a reply or forward quotes other From and
      // Date lines in its body.
      if (atCrLf && m_identity && !m_bHeaderEnded && !CheckIdentity(L)) {
        Drop();
        cursor = L;
        continue;
      }
      if (!m_bHeaderEnded) {
        if (atCrLf) {
          NoteReceivedLine(L);
          cursor = HeaderEndTest(L);
        }
        continue;
      }
      // An mbox file puts an empty line and an envelope line between two messages.
      if (atCrLf && L >= 4 && T[L - 4] == '\r' && T[L - 3] == '\n' && MatchAt(L, "From ")) {
        std::string_view line;
        if (Line(L, line) && IsEnvelopeLine(line) && Confirmed() && L - 2 > m_nStart) {
          start = m_nStart;
          end = L - 2;
          return true;
        }
      }
      if (IsStartLine(L) && (!atCrLf || MayStartNext(L))) {  // the next stored message begins here
        if (Confirmed() && L > m_nStart) {
          start = m_nStart;
          end = L;
          return true;
        }
        Drop();  // not the recorded message: L may start it
      } else {
        if (atCrLf) {
          NoteClosingBoundary(L);
          cursor = BoundaryTest(L);
        }
        continue;
      }
    }
    if (IsStartLine(L)) {
      StartAt(L);
      cursor = HeaderEndTest(L + 10);  // the rest of the first line is examined from its 11th byte
    } else if (atCrLf) {
      cursor = BoundaryTest(L);
    }
  }
  if (Stopped()) return false;
  if (m_bInside && m_bHeaderEnded && Confirmed() && MboxEnd(m) > m_nStart) {
    start = m_nStart;
    end = MboxEnd(m);
    return true;
  }
  return false;
}

}  // namespace

bool FindStoredMessage(const tagStoredText& text, const tagMailIdentity* identity, const std::atomic<int>* stop,
                       size_t& start, size_t& end) {
  CMessageWalk walk(text, identity, stop);
  return walk.Run(identity ? 0 : text.nUsualStart, start, end);
}
