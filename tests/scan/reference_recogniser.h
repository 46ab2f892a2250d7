#pragma once
// A straightforward recogniser kept as the yardstick for the scan engine's fast one: the
// same walk over a chunk, one byte per pass, with its own plain copies of the line reads,
// keyword tests, gap closing, header reader and body tracking. It creates records in
// g_MailStore exactly as the engine does; tests compare the two record for record.
// Scan thread only; not part of the program.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "scan/mail_header.h"
#include "scan/open_mail.h"

namespace reference {

class CRecogniser {
 public:
  // Same contract as the engine's CRecogniser::ScanChunk (no view: records go to the store
  // and the counters only).
  void ScanChunk(uint8_t* chunk, size_t length, uint64_t firstSector, const std::atomic<int>& stop);
  void Reset();

  tagMailItem* OpenMail() const { return m_open.pMail; }

 private:
  void StartMessage(size_t pos, uint64_t firstSector);

  tagMailHeader m_header;
  tagOpenMail m_open;
  size_t m_nCarry = 0;
  char m_cLastOfPrevious = '\0';
};

}  // namespace reference
