#include "scan/chunk_reader.h"

#include <algorithm>
#include <cstring>

#include "scan/byte_scan.h"
#include "scan/chunk_layout.h"
#include "source/disk.h"

CChunkBuffer::CChunkBuffer(size_t chunkBytes)
    : m_pBytes(new uint8_t[kLeadIn + chunkBytes + kScanLookahead + kScanTailPad]()),
      m_zeroSectors((chunkBytes / SECTOR_SIZE + 63) / 64) {}

CChunkReader::CChunkReader(CDisk& disk, uint64_t total, uint32_t chunkSectors, const std::atomic<int>& stop)
    : m_disk(disk), m_nTotal(total), m_nChunkSectors(chunkSectors), m_stop(stop) {
  const size_t chunkBytes = static_cast<size_t>(chunkSectors) * SECTOR_SIZE;
  for (size_t i = 0; i < kBuffers; ++i) {
    m_buffers.push_back(std::make_unique<CChunkBuffer>(chunkBytes));
    m_free.push_back(m_buffers.back().get());
  }
  m_thread = std::thread(&CChunkReader::Run, this);
}

CChunkReader::~CChunkReader() {
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_bQuit = true;
  }
  m_changed.notify_all();
  m_thread.join();
}

CChunkBuffer* CChunkReader::Take() {
  std::unique_lock<std::mutex> g(m_lock);
  m_changed.wait(g, [this] { return !m_ready.empty() || m_bDone; });
  if (m_ready.empty()) return nullptr;
  CChunkBuffer* b = m_ready.front();
  m_ready.pop_front();
  return b;
}

void CChunkReader::GiveBack(CChunkBuffer* buffer) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_free.push_back(buffer);
    wake = m_free.size() == kRefill;
  }
  if (wake) m_changed.notify_all();
}

void CChunkReader::Run() {
  for (uint64_t start = 0; start < m_nTotal; start += m_nChunkSectors) {
    CChunkBuffer* b = nullptr;
    {
      std::unique_lock<std::mutex> g(m_lock);
      if (m_free.empty()) m_changed.wait(g, [this] { return m_free.size() >= kRefill || m_bQuit; });
      if (m_bQuit) break;
      b = m_free.back();
      m_free.pop_back();
    }
    // The buffer is this thread's alone until it is queued.
    const bool whole = Fill(*b, start);
    std::lock_guard<std::mutex> g(m_lock);
    if (!whole) {
      m_free.push_back(b);
      break;
    }
    m_ready.push_back(b);
    m_changed.notify_all();
  }
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_bDone = true;
  }
  m_changed.notify_all();
}

bool CChunkReader::Fill(CChunkBuffer& b, uint64_t first) {
  const uint64_t sectors = std::min<uint64_t>(m_nChunkSectors, m_nTotal - first);
  uint8_t* dest = b.Data();
  std::fill(b.m_zeroSectors.begin(), b.m_zeroSectors.end(), 0);
  for (uint64_t s = 0; s < sectors; s += kReadSectors) {
    if (m_stop.load() || m_bQuit.load()) return false;
    const uint64_t k = std::min<uint64_t>(kReadSectors, sectors - s);
    const uint32_t bytes = static_cast<uint32_t>(k * SECTOR_SIZE);
    if (!m_disk.Read(dest + s * SECTOR_SIZE, bytes, first + s)) std::memset(dest + s * SECTOR_SIZE, 0, bytes);
    // The piece is still in this thread's cache: which sectors are free space is cheap to
    // tell here, and spares the scan thread reading them at all.
    bytescan::MarkZeroSectors(dest + s * SECTOR_SIZE, static_cast<size_t>(k), static_cast<size_t>(s),
                              b.m_zeroSectors.data());
  }
  b.m_nFirst = first;
  b.m_nLength = static_cast<size_t>(sectors * SECTOR_SIZE);
  // Whatever lies after a short chunk reads as zeros, never as an earlier chunk's bytes.
  // (After a whole chunk the scan writes the look-ahead itself, and the pad is never written.)
  const size_t chunkBytes = static_cast<size_t>(m_nChunkSectors) * SECTOR_SIZE;
  if (b.m_nLength < chunkBytes) std::memset(dest + b.m_nLength, 0, chunkBytes - b.m_nLength + kScanLookahead);
  return true;
}
