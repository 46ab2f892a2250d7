#include "scan/recogniser.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "scan/block_gap.h"
#include "scan/body_tracker.h"
#include "scan/byte_scan.h"
#include "scan/header_reader.h"
#include "scan/keywords.h"
#include "source/disk.h"

namespace {

// True when the sector at p holds only zero bytes.
inline bool IsZeroSector(const uint8_t* p) { return bytescan::SectorAllZero(p); }

// The first sector from `sector` on, below `end`, whose bit in the zero-sector map is clear;
// `end` when there is none. A run of free space is passed a map word at a time.
inline size_t NextNonZeroSector(const uint64_t* map, size_t sector, size_t end) {
  while (sector < end) {
    if (const uint64_t data = ~map[sector / 64] >> (sector % 64))
      return std::min(end, sector + static_cast<size_t>(std::countr_zero(data)));
    sector = (sector / 64 + 1) * 64;
  }
  return end;
}

// The next position after pos, pos being no line break, at which a pass can do more than
// step on: a CR LF (a line break), an "R" or "r" after a zero byte or a LF (a message may
// start there), or the next sector's start. Positions in between can start nothing (a CR
// without a LF after it starts no line and no message).
inline size_t NextCandidate(const char* b, size_t pos) {
  const size_t sectorEnd = (pos / SECTOR_SIZE + 1) * SECTOR_SIZE;
  return static_cast<size_t>(bytescan::NextWalkStop(b + pos, b + sectorEnd) - b);
}

}  // namespace

void CRecogniser::Reset() {
  m_finisher.Finish();
  m_header.Reset();
  m_open.Close();
  m_nCarry = 0;
  m_nWrittenCarry = 0;
  m_cLastOfPrevious = '\0';
}

void CRecogniser::StartMessage(size_t pos, uint64_t firstSector) {
  m_header.Reset();
  m_header.bStarted = true;
  m_header.nSector = firstSector + pos / SECTOR_SIZE;
  if (tagMailItem* m = m_open.pMail; m && m->bInBody) DecodeOpenBody(*m, m_open);
  m_open.Close();
}

void CRecogniser::ScanChunk(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
                            const uint64_t* zeroSectors) {
  Walk(chunk, length, firstSector, stop, zeroSectors, true);
}

void CRecogniser::Consume(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
                          const uint64_t* zeroSectors) {
  if (!chunk) {
    m_finisher.Finish();
    return;
  }
  Walk(chunk, length, firstSector, stop, zeroSectors, false);
}

size_t CRecogniser::PassDataLines(const char* b, size_t pos, size_t length) {
  // Each such line is one the walk would only count: the line before it ends in a CR LF, a
  // keyword cannot be in it, the gap closing at its start finds nothing, and the body tracker
  // counts it whole. A sector that starts inside it, or at its CR, starts with alphabet
  // characters or a CR: neither free space nor a message, so nothing is missed there. (No
  // header is being read while a record is open: a new message's first line closes it.)
  tagMailItem& m = *m_open.pMail;
  while (pos < length) {
    const size_t next = pos + 2;
    if (!m_gaps.Covers(b + next)) break;
    const size_t n = PlainDataLineAt(b + next, m);
    if (n == 0) break;
    CountPlainDataLine(m, n);
    pos = next + n;
  }
  return pos;
}

void CRecogniser::Walk(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
                       const uint64_t* zeroSectors, bool finish) {
  if (firstSector == 0) Reset();
  char* const b = reinterpret_cast<char*>(chunk);
  size_t pos = m_nCarry;
  ptrdiff_t used = 0;
  // Bytes before `written` may have been changed by gap closing since they were read.
  m_gaps.NewBuffer();
  size_t written = m_nWrittenCarry;
  const size_t sectors = (length + SECTOR_SIZE - 1) / SECTOR_SIZE;
  while (pos < length && !stop.load(std::memory_order_relaxed)) {
    // Free space: a whole zero sector is passed in one step.
    if (pos % SECTOR_SIZE == 0) {
      const size_t sector = pos / SECTOR_SIZE;
      if (const char* mark = m_gaps.WriteMark()) written = std::max(written, static_cast<size_t>(mark - b));
      if (zeroSectors && pos >= written) {
        // Nothing was written here since the reader saw these sectors: its map holds.
        if ((zeroSectors[sector / 64] >> (sector % 64)) & 1) {
          pos = NextNonZeroSector(zeroSectors, sector + 1, sectors) * SECTOR_SIZE;
          continue;
        }
      } else if (IsZeroSector(chunk + pos)) {
        pos += SECTOR_SIZE;
        continue;
      }
    }
    if (!(b[pos] == '\r' && b[pos + 1] == '\n')) {
      // Not a line start for the line handlers. A message may still start here: right after
      // free space, other data at a sector start or a .dbx block header, or after the CR LF
      // of an empty line that no handler read.
      const bool mayStart = pos % SECTOR_SIZE == 0 || b[pos - 1] == '\0' ||
                            (b[pos - 1] == '\n' && (pos >= 2 ? b[pos - 2] == '\r' : m_cLastOfPrevious == '\r'));
      if (mayStart && MatchKeyword(b + pos, kw::Received)) {
        StartMessage(pos, firstSector);
        pos += kw::Received.size();
      } else {
        pos = NextCandidate(b, pos);
      }
      continue;
    }
    pos += 2;

    if (MatchKeyword(b + pos, kw::Received)) {
      StartMessage(pos, firstSector);
      pos += kw::Received.size();
      continue;
    }

    // A header that did not complete in its window is dropped.
    if (m_header.bStarted && firstSector + pos / SECTOR_SIZE > m_header.nSector + kHeaderWindowSectors) {
      m_header.Reset();
    }

    if (m_header.bStarted) {
      char* p = b + pos;
      m_gaps.CloseRemembering(p);
      pos = static_cast<size_t>(p - b);
      if (ParseHeaderLine(p, m_header, used, m_gaps)) {
        if (tagMailItem* item = NewMailItem(m_header)) {
          m_open.Open(item);
          m_finisher.Hand(item);
        }
        m_header.Reset();
      }
      if (used != 0) {
        pos += static_cast<size_t>(used + 1);
        used = 0;
        continue;
      }
      if (m_header.bStarted && pos + 1 < length) {
        // A line of the header that it does not keep. The walk would step to the next byte
        // and search on from there for its next stop; the same search from here finds the same
        // stop, or the next byte itself when that starts a line, may start a message or starts
        // a sector (the search ends at the sector's end).
        pos = NextCandidate(b, pos);
        continue;
      }
    }

    if (tagMailItem* m = m_open.pMail;
        m && (m->bInBody || m->strBody.empty() || m->bInAttachment || m_open.bPassOver)) {
      char* p = b + pos;
      m_gaps.CloseRemembering(p);
      pos = static_cast<size_t>(p - b);
      if (m->bInAttachment) {
        // Plain attachment data, the bulk of most messages: counted here and stepped over.
        if (const size_t n = PlainDataLineAt(b + pos, *m)) {
          CountPlainDataLine(*m, n);
          pos = PassDataLines(b, pos + n, length);
          continue;
        }
      } else if (!m_open.bPassOver) {
        TrackBodyLine(b + pos, used, m_open);
      }
      pos = static_cast<size_t>(static_cast<ptrdiff_t>(pos) + used);
      used = 0;
      if (const size_t line = TrackAttachmentLine(b + pos, used, m_open); line > 1) {
        // A line of data or of a part passed over, no sector starting inside it: nothing in
        // it can start a line or a message, so the walk goes on at its CR LF.
        const size_t from = pos + static_cast<size_t>(used);
        if ((from + line) / SECTOR_SIZE == from / SECTOR_SIZE) {
          pos = from + line;
          used = 0;
          continue;
        }
      }
    }
    pos = static_cast<size_t>(static_cast<ptrdiff_t>(pos) + used + 1);
    used = 0;
  }
  if (finish)
    m_finisher.Finish();
  else
    m_finisher.FinishPrevious();
  if (const char* mark = m_gaps.WriteMark()) written = std::max(written, static_cast<size_t>(mark - b));
  m_nWrittenCarry = written > length ? written - length : 0;
  m_nCarry = pos >= length ? pos - length : 0;
  m_cLastOfPrevious = length > 0 ? b[length - 1] : '\0';
}

ChunkConsumer MakeScanChunkConsumer(CMailView* view) {
  auto recogniser = std::make_shared<CRecogniser>(view);
  return
      [recogniser](uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
                   const uint64_t* zeroSectors) { recogniser->Consume(chunk, length, firstSector, stop, zeroSectors); };
}
