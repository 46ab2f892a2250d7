#pragma once
// tagMailHeader: the fields of one message's header, collected line by line from its last
// "Received: " line until the header is complete (or times out). Owned by the recogniser
// of one scan; carried from chunk to chunk. Scan thread only.

#include <cstdint>
#include <string>

#include "scan/mail_item.h"

struct tagMailHeader {
  std::string strSubject;
  std::string strFrom;
  std::string strTo;
  std::string strCc;
  std::string strDate;
  std::string strPriority;
  std::string strBoundary;  // boundary of the message's multipart Content-Type
  std::string strContentType;
  std::string strTransferEncoding;
  std::string strBoundary2;           // boundary of a multipart nested in the first part
  uint64_t nSector = 0;               // sector of the first byte of the "Received: " line that started it
  bool bStarted = false;              // collecting, from a "Received: " line until done or dropped
  tagAttachmentArray arrAttachments;  // entries from "X-Attachment: " lines

  // Empties every field (keeping the strings' storage for the next header).
  void Reset() {
    for (std::string* s : {&strSubject, &strFrom, &strTo, &strCc, &strDate, &strPriority, &strBoundary, &strContentType,
                           &strTransferEncoding, &strBoundary2})
      s->clear();
    nSector = 0;
    bStarted = false;
    arrAttachments.clear();
  }
  // True when From, To and Date are all present: the header can become a record.
  bool HasRequiredFields() const { return !strFrom.empty() && !strTo.empty() && !strDate.empty(); }
};
