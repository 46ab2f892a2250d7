#pragma once
// The fragment recogniser: finds stored Internet messages in raw chunks of the source.
//
// A message is recognised by a line that begins with "Received: " (ASCII case ignored)
// after a CR LF (also the CR LF of an empty line), after a zero byte, or at the first byte
// of a sector. The lines after it
// are header lines (the header reader) until the header is complete, then the open
// record's text and attachment lines (body tracking) until the next message starts.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "scan/block_gap.h"
#include "scan/mail_header.h"
#include "scan/open_mail.h"
#include "scan/record_finisher.h"
#include "scan/scan_driver.h"

// One scan's recogniser. Everything that must survive a chunk boundary lives here: the
// header being collected, the open record, and how far past its chunk's end the last line
// read (where the next chunk resumes). Scan thread only.
class CRecogniser {
 public:
  // `view` (may be null) gets each new record and the status text.
  explicit CRecogniser(CMailView* view) : m_finisher(view) { m_open.pFinisher = &m_finisher; }

  // Walks one chunk: `length` bytes (whole sectors) from sector `firstSector`, followed in
  // memory by the source's next bytes (see ChunkConsumer); the chunk must start at a
  // multiple of 4 in memory. Changes bytes in place (.dbx gap closing), also in the
  // look-ahead. A chunk at sector 0 starts a new scan. Polls `stop` before every pass and
  // returns at once when it is set; the open record then stays open. Every record made from
  // the chunk is published (store, Inbox, counters) when this returns.
  // `zeroSectors` (may be null) tells which of the chunk's sectors held only zeros as read
  // (see ChunkConsumer): those are passed over without reading them, unless gap closing
  // wrote into them.
  void ScanChunk(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
                 const uint64_t* zeroSectors = nullptr);
  // ScanChunk as the scan driver's consumer: the records made from a chunk are published at
  // the latest when the next chunk is done; a call with a null chunk (the end of the chunks)
  // publishes whatever is left.
  void Consume(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
               const uint64_t* zeroSectors);

  // Forgets the header, the open record and the position carry.
  void Reset();

  const tagMailHeader& Header() const { return m_header; }
  tagMailItem* OpenMail() const { return m_open.pMail; }

 private:
  // A "Received: " line at pos starts a message.
  void StartMessage(size_t pos, uint64_t firstSector);
  // From the CR LF at pos that ends a plain line of attachment data (PlainDataLineAt), just
  // counted: the plain data lines that follow, each with no block header near, are counted in
  // a row, up to the chunk's `length`. Returns the position of the CR LF that ends the last
  // of them, where the walk goes on.
  size_t PassDataLines(const char* b, size_t pos, size_t length);
  // The walk over one chunk; `finish`: every record made is published before it returns.
  void Walk(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop,
            const uint64_t* zeroSectors, bool finish);

  CRecordFinisher m_finisher;  // decodes new records' display texts beside the walk
  tagMailHeader m_header;
  tagOpenMail m_open;
  size_t m_nCarry = 0;            // where the next chunk's walk starts (bytes already read by a line)
  CBlockGapCloser m_gaps;         // .dbx gap closing in the chunk being walked
  size_t m_nWrittenCarry = 0;     // the next chunk's bytes before this were written by gap closing
  char m_cLastOfPrevious = '\0';  // the previous chunk's last byte
};

// The chunk consumer for one scan: a CRecogniser of its own, creating records in
// g_MailStore and reporting to `view`.
ChunkConsumer MakeScanChunkConsumer(CMailView* view);
