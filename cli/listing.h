#pragma once
// What korvane-recover prints about the records it found. The records are read after the
// scan has ended; attachments are those listed and those still pending.

#include <cstdio>
#include <string>
#include <vector>

struct tagMailItem;

// A table with a heading line: marker ("!" for priority 1 or 2, "&" for attachments),
// sender, received time, subject (cut to their columns, wide characters counted as two),
// and sector; one row per record.
void PrintMailTable(std::FILE* out, const std::vector<tagMailItem*>& mails);

// One JSON object per line per record, UTF-8, with the keys sector, from, to, cc, subject,
// date (the received time as the list shows it), priority and attachments (objects with
// name and size).
void PrintMailJson(std::FILE* out, const std::vector<tagMailItem*>& mails);
std::string MailJson(const tagMailItem& m);

// `text` cut or padded with blanks to exactly `columns` terminal columns; a cut text ends
// with "…". Control characters show as blanks.
std::string FitColumns(const std::u16string& text, int columns);
