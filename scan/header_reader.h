#pragma once
// The header reader: collects the header fields of a message into tagMailHeader line by
// line, and turns a complete header into a record. Scan thread only.

#include <cstddef>
#include <cstdint>

#include "scan/block_gap.h"
#include "scan/mail_header.h"
#include "scan/open_mail.h"
#include "scan/view.h"

// A header must complete within this many sectors after the sector of its last
// "Received: " line.
inline constexpr uint64_t kHeaderWindowSectors = 64;
// A folded Subject is unfolded over at most this many continuation lines.
inline constexpr int kMaxSubjectFolds = 8;

// Reads the header line at p (the line's first byte, after gap closing) into h. The first
// value of each field wins. Adds to `used` (0 on entry) the bytes taken beyond the line's
// first byte, less one; leaves it at 0 when nothing was taken. Returns true when the header
// is complete (a blank line, or the first boundary line, once From, To and Date are all
// present): the caller then makes the record and resets h. May close .dbx gaps, through
// `gaps`, in the continuation lines of a Subject it unfolds. Reads at most about 4 KiB from p.
bool ParseHeaderLine(char* p, tagMailHeader& h, ptrdiff_t& used, CBlockGapCloser& gaps);

// A new record filled from h, its display texts decoded and its date formatted; null when
// it cannot be allocated. The caller owns it until it is published.
tagMailItem* MakeMailItem(const tagMailHeader& h);
// MakeMailItem in two steps: the record with the header's fields as stored, then its display
// texts (From, To and Subject decoded, the date formatted). The second step reads and
// changes only strFrom, strTo, strSubject, strDate and their display texts, so it may run on
// another thread while body tracking fills the record's other fields.
tagMailItem* NewMailItem(const tagMailHeader& h);
void DecodeMailItemTexts(tagMailItem& m);

// Hands a new record to g_MailStore (which owns it from then on), opens it, appends it to
// the Inbox through `view` (may be null), counts it and updates the status text.
void PublishMailItem(tagMailItem* item, tagOpenMail& open, CMailView* view);
// PublishMailItem's steps: the record to the store and the Inbox, counted; the status text.
void AnnounceMailItem(tagMailItem* item, CMailView* view);
void ShowScanStatus(CMailView* view);
