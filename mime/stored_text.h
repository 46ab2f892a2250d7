#pragma once
// The stored text around a record: the window of sectors read back from the source, with
// the block headers of a .dbx store taken out.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class CDisk;
struct tagMailItem;

struct tagStoredText {
  std::vector<char> buf;       // the text (nLength bytes), then at least 1024 zero bytes
  size_t nLength = 0;
  std::vector<size_t> seams;   // ascending text positions that begin a sector or follow a removed block header
  size_t nUsualStart = 0;      // text position of the sector two before the record's
  const char* Data() const { return buf.data(); }
};

// Bytes of the window after the record's sector: twice the attachments' sizes plus
// 512 KiB, in whole sectors, bounded to 256 MiB.
uint64_t StoredMailWindowBytes(const tagMailItem& item);

// Reads the window for a record at `nSector` from `disk` (sectors that cannot be read are
// zeros) and removes block headers. The window starts up to 18 sectors before `nSector`
// (never below 0) and ends `windowBytes` after the sector two before it.
// False when `stop` was set or memory ran out; `out` is then unusable.
bool ReadStoredText(CDisk& disk, uint64_t nSector, uint64_t windowBytes, const std::atomic<int>* stop,
                    tagStoredText& out);
