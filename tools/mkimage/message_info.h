#pragma once
// What a stored message holds, as the scan reads it: its line structure (lines end with
// CR LF; a message without CR LF has no lines after its first), the header fields taken after
// its last "Received: " line, and the attachments it declares.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mkimage {

inline constexpr size_t kNone = size_t(-1);

struct DeclaredAttachment {
  std::string strName;      // the filename parameter's value, quotes removed
  std::string strEncoding;  // Content-Transfer-Encoding value, lower case; empty when none
  uint64_t nSize = 0;       // decoded size in bytes
  // The part's first 7 header lines (boundary line included, up to its first empty line)
  // hold "Content-Transfer-Encoding: ", "attachment" and "filename=": a scan lists it.
  bool bListed = false;
  size_t nPartStart = 0;  // offset of the part's boundary line in the message
  size_t nPartEnd = 0;    // offset of the first line after the part's header lines
};

struct XAttachment {
  std::string strName;  // text before the first "," as stored
  uint64_t nSize = 0;
};

struct MessageInfo {
  std::vector<size_t> lineStarts;  // 0 and every offset right after CR LF
  size_t nLastReceived = kNone;    // first byte of the header's last "Received: " line
  size_t nHeaderEnd = kNone;       // first byte of the empty line that ends the header
  // Header values as the scan takes them: the first non-empty value after the last
  // "Received: " line, up to the first byte below 0x0E (empty when none within 512 bytes).
  std::string strFrom, strTo, strCc, strDate, strSubject, strPriority;
  // Subject with its continuation lines joined (CR LF removed); a folded Subject counts as
  // set even when its first line is empty.
  std::string strSubjectUnfolded;
  bool bSubjectFolded = false;
  std::string strBoundary;  // the top-level multipart boundary, empty when none
  std::vector<XAttachment> xAttachments;
  std::vector<DeclaredAttachment> attachments;
  // Every MIME part's boundary line and header lines: [boundary line, first body byte).
  std::vector<std::pair<size_t, size_t>> partHeaders;
  // A message start, From, To and Date: the header can become a record.
  bool Recognisable() const {
    return nLastReceived != kNone && nHeaderEnd != kNone && !strFrom.empty() && !strTo.empty() && !strDate.empty();
  }
  // Offset of the line holding `offset` (the last line start not after it).
  size_t LineStartOf(size_t offset) const;
};

// Reads what the scan needs to know about one message's bytes.
MessageInfo AnalyseMessage(const std::string& bytes);

// Converts lone LF line ends to CR LF (existing CR LF pairs stay as they are).
std::string ToCrlf(const std::string& bytes);

}  // namespace mkimage
