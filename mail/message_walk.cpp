#include "mail/message_walk.h"

#include <algorithm>
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
  size_t NextZero(size_t from) {
    return m_zero.Get(from, [this](size_t i) {
      if (i >= m) return m;
      const void* hit = std::memchr(T + i, 0, m - i);
      return hit ? static_cast<size_t>(static_cast<const char*>(hit) - T) : m;
    });
  }
  // First position w >= from that follows a zero byte and holds none.
  size_t NextZeroRunEnd(size_t from) {
    return m_zeroRun.Get(from, [this](size_t from2) {
      size_t z = from2 > 0 ? from2 - 1 : 0;
      const void* hit = z < m ? std::memchr(T + z, 0, m - z) : nullptr;
      z = hit ? static_cast<size_t>(static_cast<const char*>(hit) - T) : m;
      while (z < m && T[z] == '\0') ++z;
      return z;
    });
  }
  size_t NextSeam(size_t from) const {
    auto it = std::lower_bound(m_text.seams.begin(), m_text.seams.end(), from);
    return it == m_text.seams.end() ? m : *it;
  }
  size_t NextSeparator(size_t from) {
    return m_separator.Get(from, [this](size_t i) {
      if (i >= m) return m;
      const size_t at = std::string_view(T + i, m - i).find(kBoxSeparator);
      return at == std::string_view::npos ? m : i + at;
    });
  }

  void Drop() {
    m_bInside = false;
    m_bHeaderEnded = false;
  }
  void StartAt(size_t L) {
    m_bInside = true;
    m_bHeaderEnded = false;
    m_nStart = L;
    m_bFrom = m_bTo = m_bDate = m_bRecordLine = false;
    NoteReceivedLine(L);
  }
  // The recorded message must have shown its From, To and Date lines and a "Received: "
  // line in the record's sector (another copy of the same message nearby is not it).
  bool Confirmed() const { return !m_identity || (m_bFrom && m_bTo && m_bDate && m_bRecordLine); }
  void NoteReceivedLine(size_t L) {
    if (L >= m_text.nRecordStart && L < m_text.nRecordEnd && MatchAt(L, "Received: ")) m_bRecordLine = true;
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
  size_t m_nStart = 0;
  bool m_bFrom = false, m_bTo = false, m_bDate = false;
  bool m_bRecordLine = false;  // a "Received: " line starts in the record's sector

  tagSearchCache m_crlf, m_zero, m_zeroRun, m_separator;
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

bool CMessageWalk::Run(size_t from, size_t& start, size_t& end) {
  size_t cursor = from;       // the next line start follows the first CR LF at or after it
  size_t extraFrom = from;    // sector starts and zero-run ends count from here on
  size_t checkedFrom = from;  // the text before this holds no zero byte or separator of the message
  for (;;) {
    if (Stopped()) return false;
    const size_t crlf = NextCrLf(cursor);
    const size_t lineStart = crlf + 2 < m ? crlf + 2 : kNone;
    const size_t ef = std::max(cursor, extraFrom);
    size_t extra = std::min(NextZeroRunEnd(ef), NextSeam(ef));
    if (extra >= m) extra = kNone;
    size_t zero = kNone, separator = kNone;
    if (m_bInside) {
      // Also in lines the boundary test skipped.
      zero = NextZero(checkedFrom);
      if (zero >= m) zero = kNone;
      separator = NextSeparator(checkedFrom);
      if (separator >= m) separator = kNone;
    }
    const size_t ev = std::min({lineStart, extra, zero, separator});
    if (ev == kNone) break;

    if (ev == zero || ev == separator) {
      // The stored text ends here: a complete header makes a message, an open one is dropped.
      if (m_bHeaderEnded && Confirmed() && ev > m_nStart) {
        start = m_nStart;
        end = ev;
        return true;
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
      if (IsStartLine(L)) {  // the next stored message begins here
        if (Confirmed() && L > m_nStart) {
          start = m_nStart;
          end = L;
          return true;
        }
        Drop();  // not the recorded message: L may start it
      } else {
        if (atCrLf) cursor = BoundaryTest(L);
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
  if (m_bInside && m_bHeaderEnded && Confirmed() && m > m_nStart) {
    start = m_nStart;
    end = m;
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
