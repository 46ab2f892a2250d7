#pragma once
// Body and attachment tracking: once a record is open, the lines that follow its header
// are its text part (collected into strBody, then decoded) and the attachment parts after
// it (entered in pPendingAttachments with their decoded sizes). Scan thread only.
//
// The record is already visible to the window: strBody, strBodyW, strPartType,
// strPartEncoding, strBoundary2 and the attachment arrays are written under its Lock();
// the tracking flags (bInBody, bInAttachment, bInAttachmentData, strAttachmentData) are
// the scan thread's own.
//
// `used` works as in the header reader: the handlers add the bytes they read beyond the
// line's first byte, less one (it may end at -1 when they read nothing of a line).

#include <cstddef>
#include <string>

#include "scan/keywords.h"
#include "scan/open_mail.h"

// A text part longer than this ends at its next line.
inline constexpr size_t kMaxBodyBytes = 262144;
// An attachment part whose collected data is longer than this ends at its next line.
inline constexpr size_t kMaxAttachmentDataBytes = 500000;
// Lines of a part's header examined for an attachment, the boundary line included.
inline constexpr int kPartHeaderLines = 7;

// What IsAttachmentPart learns about an attachment part.
struct tagPartInfo {
  std::string strEncoding;  // the part's header line holding "Content-Transfer-Encoding: "
  std::string strName;      // the filename= value without blanks and quotes at its ends
  std::u16string strNameW;  // its display text
};

// The length of the line at p when it is a line of the record's attachment data that nothing
// but counting can follow from: the record is in an attachment part's data, not too much data
// yet, the base64 decoding not ended, and the line is base64 alphabet characters only (no
// boundary, no keyword can be in it), ended by a CR LF. 0 otherwise.
// CountPlainDataLine then counts it as TrackAttachmentLine would.
inline size_t PlainDataLineAt(const char* p, const tagMailItem& m) {
  if (!m.bInAttachment || !m.bInAttachmentData || m.strAttachmentData.nLength > kMaxAttachmentDataBytes ||
      m.strAttachmentData.base64.Ended())
    return 0;
  const size_t n = CBase64Length::PlainLineLength(p, kMaxLineBytes);
  return n > 0 && p[n] == '\r' && p[n + 1] == '\n' ? n : 0;
}
inline void CountPlainDataLine(tagMailItem& m, size_t length) {
  m.strAttachmentData.nLength += length;
  m.strAttachmentData.base64.AddPlainLine(length);
}

// Transfer-decodes the record's text part; its display text is made by the open record's
// finisher when there is one, at once otherwise.
void DecodeOpenBody(tagMailItem& m, tagOpenMail& open);

// True when the part that the boundary line at p opens is an attachment: within its first
// kPartHeaderLines lines (up to the first empty one) it has a transfer-encoding line, the
// word "attachment" and a "filename=" parameter whose display text is not empty. Fills
// `part` when true. Reads at most kPartHeaderLines * 514 bytes from p.
bool IsAttachmentPart(const char* p, tagPartInfo& part);

// The line at p (just after a CR LF) for the open record while it is not in an attachment
// part: starts the text part, adds a line to it, or ends it (decoding the record, then
// following an attachment part, passing over another part, or closing the record).
void TrackBodyLine(const char* p, ptrdiff_t& used, tagOpenMail& open);

// The text at p for the open record's attachment parts: collects a part's data, finishes
// the part at its end (computing the decoded size of base64 data), starts the next
// attachment part at a boundary line, and closes the record at a new message's first line.
// Does nothing when no record is open. Returns the length of the line at p + used (as the
// call leaves `used`) when all it did was count that line as data or pass over it, and the
// line ends in a CR LF (its bytes are no control bytes); 0 otherwise.
size_t TrackAttachmentLine(const char* p, ptrdiff_t& used, tagOpenMail& open);
