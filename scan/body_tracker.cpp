#include "scan/body_tracker.h"

#include <climits>
#include <string_view>
#include <utility>

#include "codec/ascii_text.h"
#include "codec/find_no_case.h"
#include "codec/header_value.h"
#include "scan/keywords.h"
#include "scan/record_finisher.h"

namespace {

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
  if (!m.bDecoded) DecodeOpenBody(m, open);
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
    const size_t n = m.strAttachmentData.base64.Length();
    auto lock = m.Lock();
    if (tagAttachment* e = CurrentPartEntry(m)) e->nSize = static_cast<int32_t>(n > INT_MAX ? INT_MAX : n);
  }
  m.bInAttachmentData = 0;
  m.bInAttachment = 0;
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
      std::string partType = std::move(v);  // v is not looked at again
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
      m.strPartType = std::move(partType);
      if (!partEncoding.empty()) m.strPartEncoding = std::move(partEncoding);
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
    DecodeOpenBody(m, open);
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
// multipart's closing line or a new message's first line closes the record. Returns the
// line's length when it was only passed over and ends in a CR LF, 0 otherwise.
size_t PassOverLine(const char* p, ptrdiff_t& used, tagMailItem& m, tagOpenMail& open) {
  size_t i = 0;
  while (p[i] == '\r' || p[i] == '\n') ++i;
  const char* q = p + i;
  if (MatchKeyword(q, kw::Received)) {
    // Left unread: it starts the next message.
    if (i > 0) CloseForNewMessage(m, open);
    return 0;
  }
  const std::string_view l = LineValueAt(q);
  if (q[0] == 'D' && q[1] == 'e' && StartsWith(l, kw::DeliveredTo)) {
    CloseForNewMessage(m, open);
    return 0;
  }
  used += static_cast<ptrdiff_t>(i);
  if (q[0] == '-' && q[1] == '-' && MentionsBoundary(l, m)) {
    tagPartInfo part;
    if (IsAttachmentPart(q, part)) {
      BeginAttachment(m, open, part);
    } else if (IsClosingBoundary(l, m.strBoundary)) {
      open.Close();
    }
    return 0;
  }
  return !l.empty() && q[l.size()] == '\r' && q[l.size() + 1] == '\n' ? l.size() : 0;
}

}  // namespace

void DecodeOpenBody(tagMailItem& m, tagOpenMail& open) {
  if (!open.pFinisher) {
    m.DecodeBody();
    return;
  }
  tagBodyText text;
  if (m.DecodeBodyBytes(text)) open.pFinisher->HandBody(&m, std::move(text));
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
    if (!attachmentMark && FindNoCase(t, "attachment") >= 0) attachmentMark = true;
    // (A line without "=" holds no "filename=": a byte search says so sooner.)
    if (const ptrdiff_t at = t.find('=') == std::string_view::npos ? -1 : FindNoCase(t, "filename="); at >= 0) {
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

size_t TrackAttachmentLine(const char* p, ptrdiff_t& used, tagOpenMail& open) {
  tagMailItem* m = open.pMail;
  if (!m) return 0;
  if (open.bPassOver && !m->bInAttachment) return PassOverLine(p, used, *m, open);

  // The common case, a line of data that cannot end the part (no empty line, no boundary
  // line, no new message, not too much data yet): its end found and its bytes counted at once.
  if (m->bInAttachment && m->bInAttachmentData && p[0] != '\r' && p[0] != '-' && p[0] != 'D' && p[0] != 'R' &&
      m->strAttachmentData.nLength <= kMaxAttachmentDataBytes) {
    const size_t n = m->strAttachmentData.AppendLine(p, kMaxLineBytes);
    return n > 0 && p[n] == '\r' && p[n + 1] == '\n' ? n : 0;
  }

  // An empty line in an attachment part ends its headers, or its data.
  bool finishNow = false;
  if (p[0] == '\r' && p[1] == '\n' && m->bInAttachment) {
    used += 2;
    if (!m->bInAttachmentData) {
      m->bInAttachmentData = 1;
      m->strAttachmentData.Clear();
    } else {
      m->bInAttachmentData = 0;
      finishNow = m->strAttachmentData.nLength > 3;
    }
  }

  if (p[0] == '\r' && p[1] == '\n' && m->bInAttachment && MatchKeyword(p + 2, kw::Received)) {
    // The next message begins after the empty line: the part ends, and the line is left
    // unread so that it starts that message.
    FinishAttachment(*m, open, true);
    used = 0;
    return 0;
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
           m->strAttachmentData.nLength > kMaxAttachmentDataBytes;
    if (!boundaryEnd) newMessage = (de && Contains(l, kw::DeliveredTo)) || (re && Contains(l, kw::Received));
  }
  if (ends) {
    FinishAttachment(*m, open, newMessage);
  } else if (m->bInAttachmentData) {
    m->strAttachmentData.Append(l);
    // A line of data and nothing else (the part goes on, so no boundary line follows).
    if (m->bInAttachment && lp == p && !l.empty() && lp[l.size()] == '\r' && lp[l.size() + 1] == '\n') return l.size();
  }
  if (open.pMail != m) return 0;

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
  return 0;
}
