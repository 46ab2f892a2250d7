#pragma once
// CChunkReader: reads a source chunk by chunk on a thread of its own, a few chunks ahead of
// the scan, so that the next chunk is being read while the recogniser works on the current
// one. Each chunk is read in pieces of kReadSectors sectors; a failed piece reads as zeros.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CDisk;

// One chunk in memory: a 512-byte lead-in of zeros, the chunk's bytes, then room for the
// scan's look-ahead and a pad of zeros (see ChunkConsumer); and which of its sectors hold
// only zeros, found by the reader while the bytes it read were still in its cache.
class CChunkBuffer {
 public:
  explicit CChunkBuffer(size_t chunkBytes);
  uint8_t* Data() { return m_pBytes.get() + kLeadIn; }
  size_t Length() const { return m_nLength; }  // bytes of the chunk
  uint64_t FirstSector() const { return m_nFirst; }
  // Bit i (of word i / 64) is set when sector i of the chunk held only zeros as read.
  const uint64_t* ZeroSectors() const { return m_zeroSectors.data(); }

 private:
  friend class CChunkReader;
  static constexpr size_t kLeadIn = 512;
  std::unique_ptr<uint8_t[]> m_pBytes;
  std::vector<uint64_t> m_zeroSectors;
  size_t m_nLength = 0;
  uint64_t m_nFirst = 0;
};

class CChunkReader {
 public:
  // Buffers in all: the chunk being scanned, the next one (its first bytes are the current
  // one's look-ahead) and the ones read ahead. Six chunks of read-ahead ride out the times
  // the reader's thread does not get a processor (other work, a slow stretch of disk).
  static constexpr size_t kBuffers = 8;
  // A reader that is ahead and has no buffer to fill waits until this many are given back,
  // then reads that many chunks in a row: one wake-up instead of one per chunk.
  static constexpr size_t kRefill = 4;

  // Starts reading `disk` (open, `total` sectors) from sector 0 in chunks of `chunkSectors`.
  // From now until this object is destroyed, `disk` belongs to the reader's thread. Reading
  // ends early when `stop` is set: it is polled before every piece.
  CChunkReader(CDisk& disk, uint64_t total, uint32_t chunkSectors, const std::atomic<int>& stop);
  // Tells the reader's thread to end and waits for it.
  ~CChunkReader();
  CChunkReader(const CChunkReader&) = delete;
  CChunkReader& operator=(const CChunkReader&) = delete;

  // The next chunk in source order, waiting for it to be read; null after the last chunk,
  // or when `stop` ended the reading (a chunk whose reading was cut short is never handed
  // out). The bytes after a short last chunk are zeros up to the end of the look-ahead.
  // The caller owns the buffer until it gives it back.
  CChunkBuffer* Take();
  // Returns a taken buffer for the reader to fill again.
  void GiveBack(CChunkBuffer* buffer);

 private:
  void Run();
  // Reads the chunk at `first` into `b`; false when `stop` or the owner's going cut it short.
  bool Fill(CChunkBuffer& b, uint64_t first);

  CDisk& m_disk;
  const uint64_t m_nTotal;
  const uint32_t m_nChunkSectors;
  const std::atomic<int>& m_stop;

  std::vector<std::unique_ptr<CChunkBuffer>> m_buffers;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<CChunkBuffer*> m_free;  // buffers the reader may fill; guarded by m_lock
  std::deque<CChunkBuffer*> m_ready;  // chunks read, in source order; guarded by m_lock
  bool m_bDone = false;               // no further chunk will be ready; guarded by m_lock
  std::atomic<bool> m_bQuit{false};   // the owner is going away; set under m_lock
  std::thread m_thread;               // last: starts once everything above exists
};
