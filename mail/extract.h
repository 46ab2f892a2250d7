#pragma once
// Message extraction: a record's stored Internet-mail text, read back from the source.

#include <atomic>
#include <string>

class CDisk;
struct tagMailItem;

// Reads the window of sectors around the record's nSector, removes store block headers,
// and cuts out the recorded message (its identity checked against From, To and Date;
// else the first message of the window). `disk` may be null: the call then opens its own
// source on g_strSourcePath and closes it again. `stop` may be null.
// Returns false only when it had to open the source and could not; `text` is then empty.
// Otherwise true, also when nothing was found (`text` empty).
bool ReadStoredMail(const tagMailItem& item, CDisk* disk, const std::atomic<int>* stop, std::string& text);
