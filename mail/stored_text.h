#pragma once
// The stored text around a record: the window of sectors read back from the source, with
// the block headers of a .dbx store taken out.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CDisk;
struct tagMailItem;

struct tagStoredText {
  std::vector<char> buf;  // the text (nLength bytes), then at least 1024 zero bytes
  size_t nLength = 0;
  std::vector<size_t> seams;  // ascending text positions that begin a sector or follow a removed block header
  size_t nUsualStart = 0;     // text position of the sector two before the record's
  size_t nRecordStart = 0;    // text positions of the record's own sector and of the one after it
  size_t nRecordEnd = 0;
  const char* Data() const { return buf.data(); }
};

// Bytes of the window after the record's sector: twice the attachments' sizes plus
// 512 KiB, in whole sectors, bounded to 256 MiB.
uint64_t StoredMailWindowBytes(const tagMailItem& item);

// Reads the window of a record step by step, so that a short message need not wait for a
// window sized for its attachments. One reader serves one call on one thread.
class CStoredTextReader {
 public:
  // `nSector` is the record's sector; `windowBytes` the window's size after the sector two
  // before it (StoredMailWindowBytes).
  CStoredTextReader(CDisk& disk, uint64_t nSector, uint64_t windowBytes, const std::atomic<int>* stop);
  // Reads on until `windowBytes` after the sector two before the record's are in (at most
  // the whole window) and takes out the block headers found. False when `stop` was set or
  // memory ran out.
  bool ReadTo(uint64_t windowBytes);
  // The whole window has been read.
  bool Complete() const { return m_bFinal; }
  // The text so far. Until Complete(), its last bytes (up to 2 KiB) may still change or be
  // followed by more: a result found there must be confirmed on more text.
  const tagStoredText& Text() const { return m_text; }

 private:
  bool RemoveBlockHeaders(bool final);
  void MapSeams();

  CDisk& m_disk;
  const std::atomic<int>* m_stop;
  uint64_t m_nFirst = 0;  // first sector read
  size_t m_nLead = 0;     // bytes before the sector two before the record's
  size_t m_nRecord = 0;   // bytes before the record's sector
  size_t m_nTotal = 0;    // bytes of the whole window
  size_t m_n = 0;         // bytes read
  size_t m_nCopy = 0;     // raw bytes before this are in the text
  size_t m_nWalk = 0;     // next raw offset to examine for a block header
  bool m_bFinal = false;
  std::vector<std::pair<size_t, size_t>> m_cuts;  // raw offset of a removed header, text position after it
  tagStoredText m_text;
};

// Reads the window for a record at `nSector` from `disk` (sectors that cannot be read are
// zeros) and removes block headers. The window starts up to 18 sectors before `nSector`
// (never below 0) and ends `windowBytes` after the sector two before it.
// False when `stop` was set or memory ran out; `out` is then unusable.
bool ReadStoredText(CDisk& disk, uint64_t nSector, uint64_t windowBytes, const std::atomic<int>* stop,
                    tagStoredText& out);
