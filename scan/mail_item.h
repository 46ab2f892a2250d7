#pragma once
// Recovered-mail records and the store that owns them.
//
// 8-bit fields (std::string) hold header values and body text exactly as stored, without
// charset conversion; fields ending in W are UTF-16 display texts. Empty means "not set".
//
// Threads: a record is created and filled by the scan thread. Its header-derived fields
// (strFrom ... nPriority, and pAttachments as created) are final before the record is
// published (store, Inbox). The fields that body tracking keeps changing afterwards
// (strBody, strBodyW, bDecoded, pPendingAttachments, pAttachments) are written and read
// under the record's lock (Lock()), so the window can search, list and render a record
// while the scan still works on it. The scan thread, the only writer of strBody and the text
// part's type and encoding, reads those without it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "codec/base64.h"

struct tagAttachment {
  std::string strName;      // file name as stored (cleaned in place by DecodeHeaderValue)
  std::u16string strNameW;  // display name
  std::string strEncoding;  // the part's header line holding "Content-Transfer-Encoding: "
  int32_t nSize = 0;        // decoded size in bytes; 0 until known
};

using tagAttachmentArray = std::vector<tagAttachment>;

// The data lines of the attachment part being followed, joined without line breaks. The scan
// needs only their length and the size their base64 decoding would have, so the lines are
// counted as they arrive instead of being kept.
struct tagAttachmentData {
  size_t nLength = 0;    // bytes of data lines so far
  CBase64Length base64;  // their decoded size, should the part be base64

  void Append(std::string_view line) {
    nLength += line.size();
    base64.Add(line.data(), line.size());
  }
  // Append of the line at p, up to its first byte below 0x0E within `max` bytes (a multiple
  // of 32, all readable); returns the line's length (0, and nothing appended, when there is
  // no such byte).
  size_t AppendLine(const char* p, size_t max) {
    const size_t n = base64.AddLine(p, max);
    nLength += n;
    return n;
  }
  void Clear() { *this = tagAttachmentData(); }
};

// A text part once transfer-decoded: its bytes and the charset its content types declare
// (lower case; empty when none).
struct tagBodyText {
  std::string strBytes;
  std::string strCharset;
};

struct tagMailItem {
  std::string strSubject;
  std::string strFrom;
  std::string strTo;
  std::string strCc;
  std::string strBoundary;
  std::string strDate;  // after FormatMailDate: "%d-%02d-%02d %02d:%02d:%02d" when a year was read
  std::string strContentType;
  std::string strTransferEncoding;
  std::string strBody;
  std::string strPartType;
  std::string strPartEncoding;
  std::string strBoundary2;
  std::u16string strToW;
  std::u16string strFromW;
  std::u16string strSubjectW;
  std::u16string strBodyW;
  uint64_t nSector = 0;  // sector holding the first byte of the header's last "Received: " line
  uint16_t nPriority = 0;
  uint16_t bInBody = 0;
  uint16_t bDecoded = 0;
  uint16_t bInAttachment = 0;
  uint16_t bInAttachmentData = 0;
  tagAttachmentData strAttachmentData;
  std::unique_ptr<tagAttachmentArray> pAttachments;         // shown by the list and the preview
  std::unique_ptr<tagAttachmentArray> pPendingAttachments;  // found since the record was last listed

  // Moves the pending attachments to the end of pAttachments (creating it), under the lock.
  void MergePendingAttachments();

  // Transfer-decodes strBody and fills strBodyW (defined with the decoders).
  void DecodeBody();
  // DecodeBody in two steps. The first transfer-decodes strBody (and sets bDecoded) and
  // puts in `text` what the display text is made from; false when there is nothing to make
  // it from (an empty body: strBodyW stays as it is). The second makes the display text
  // and sets strBodyW, touching nothing else, so it may run on another thread.
  bool DecodeBodyBytes(tagBodyText& text);
  void SetBodyText(const tagBodyText& text);

  // Guards the fields that change after publication (see above).
  std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(m_lock); }

 private:
  mutable std::mutex m_lock;
};

// Owns every record of the current scan, in creation order.
class CMailStore {
 public:
  ~CMailStore() { FreeAll(); }
  void Add(tagMailItem* item);  // takes ownership
  void FreeAll();               // destroys every record
  size_t Count() const;
  std::vector<tagMailItem*> Snapshot() const;  // the records, in creation order

 private:
  mutable std::mutex m_lock;
  std::vector<tagMailItem*> m_items;
};

extern CMailStore g_MailStore;
