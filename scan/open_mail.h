#pragma once
// tagOpenMail: the open record of a scan, the one whose text part and attachment parts the
// lines that follow its header belong to. Owned by the recogniser of one scan; it points at
// a record owned by g_MailStore. Scan thread only.

#include "scan/mail_item.h"
#include "scan/scan_state.h"

class CRecordFinisher;

struct tagOpenMail {
  tagMailItem* pMail = nullptr;  // null: no record is open
  // Where the display text of a record's text part is made; null: at once, on this thread.
  CRecordFinisher* pFinisher = nullptr;
  // A part that is neither the text part nor an attachment (the HTML alternative, a nested
  // multipart) is being passed over; the record waits for its next boundary line.
  bool bPassOver = false;

  // The open record is mirrored in g_pCurrentMail.
  void Open(tagMailItem* m) {
    pMail = m;
    bPassOver = false;
    g_pCurrentMail = m;
  }
  void Close() { Open(nullptr); }
};
