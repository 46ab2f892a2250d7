#include "mail/stored_text.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "scan/mail_item.h"
#include "source/disk.h"

namespace {

constexpr uint64_t kBaseWindowBytes = 524288;  // read besides twice the attachments
constexpr uint32_t kReadPieceBytes = 65536;
// The window begins two sectors before the record's sector. The sectors before that are
// read too, so that a message whose "Received: " lines fill more than two sectors still
// starts at its first header line; the recorded message is confirmed by its fields.
constexpr uint64_t kUsualLeadSectors = 2;
constexpr uint64_t kExtraLeadSectors = 16;
// Bounds the window whatever sizes a damaged header claims (256 MiB: attachments of up to
// about 128 MiB still fit whole).
constexpr uint64_t kMaxWindowBytes = 256ull << 20;
constexpr size_t kPadBytes = 1024;  // zeros after the text, so line reads stop there

bool Stopped(const std::atomic<int>* stop) { return stop && stop->load(std::memory_order_relaxed) != 0; }

uint64_t AttachmentBytes(const tagMailItem& item) {
  auto guard = item.Lock();
  uint64_t total = 0;
  for (const tagAttachmentArray* list : {item.pAttachments.get(), item.pPendingAttachments.get()})
    if (list)
      for (const tagAttachment& a : *list) total += a.nSize > 0 ? static_cast<uint64_t>(a.nSize) : 0;
  return total;
}

}  // namespace

uint64_t StoredMailWindowBytes(const tagMailItem& item) {
  const uint64_t bytes = (2 * AttachmentBytes(item) + kBaseWindowBytes) & ~uint64_t(SECTOR_SIZE - 1);
  return std::min(bytes, kMaxWindowBytes);
}

CStoredTextReader::CStoredTextReader(CDisk& disk, uint64_t nSector, uint64_t windowBytes, const std::atomic<int>* stop)
    : m_disk(disk), m_stop(stop) {
  const uint64_t usualFirst = nSector >= kUsualLeadSectors ? nSector - kUsualLeadSectors : 0;
  m_nFirst = usualFirst >= kExtraLeadSectors ? usualFirst - kExtraLeadSectors : 0;
  m_nLead = static_cast<size_t>(usualFirst - m_nFirst) * SECTOR_SIZE;
  m_nRecord = static_cast<size_t>(nSector - m_nFirst) * SECTOR_SIZE;
  m_nTotal = m_nLead + static_cast<size_t>(windowBytes);
}

bool CStoredTextReader::ReadTo(uint64_t windowBytes) {
  // `windowBytes` may be UINT64_MAX (the whole window): compare before adding the lead.
  const size_t want = windowBytes >= m_nTotal - m_nLead ? m_nTotal : m_nLead + static_cast<size_t>(windowBytes);
  if (want <= m_n && !(want == m_nTotal && !m_bFinal)) return true;
  std::vector<char>& buf = m_text.buf;
  try {
    buf.resize(want + kPadBytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // 1. Read on in pieces of 64 KiB; what cannot be read is zeros.
  while (m_n < want) {
    if (Stopped(m_stop)) return false;
    const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(kReadPieceBytes, m_nTotal - m_n));
    if (m_n + piece + kPadBytes > buf.size()) buf.resize(m_n + piece + kPadBytes, 0);
    if (!m_disk.Read(buf.data() + m_n, piece, m_nFirst + m_n / SECTOR_SIZE)) std::memset(buf.data() + m_n, 0, piece);
    m_n += piece;
  }
  if (!RemoveBlockHeaders(m_n == m_nTotal)) return false;
  MapSeams();
  return true;
}

// Removes the 16-byte block headers a .dbx store puts before each 512-byte block
// (little-endian block size 0x200 at offset 4). The text is compacted in place: it never
// overtakes the bytes still to be examined. Until the window is complete, the last 32 bytes
// read wait for what follows them.
bool CStoredTextReader::RemoveBlockHeaders(bool final) {
  unsigned char* raw = reinterpret_cast<unsigned char*>(m_text.buf.data());
  const size_t n = m_n;
  const size_t limit = final ? n : (n > 32 ? n - 32 : 0);
  size_t& c = m_nCopy;
  size_t& m = m_text.nLength;
  size_t& t = m_nWalk;
  while (t < limit) {
    if (Stopped(m_stop)) return false;
    // Only an even offset t with 0x02, 0, 0 at t + 5 holds a header: jump to the next 0x02.
    const void* hit = std::memchr(raw + t + 5, 0x02, limit - t);
    if (!hit) {
      t = limit;
      break;
    }
    const size_t at = static_cast<size_t>(static_cast<const unsigned char*>(hit) - raw) - 5;
    if (at & 1) {
      t = at + 1;
      continue;
    }
    t = at;
    if (raw[t + 6] != 0 || raw[t + 7] != 0) {
      t += 2;
      continue;
    }
    const bool blank = t > 4 && raw[t - 2] == raw[t + 14] && raw[t - 1] == raw[t + 15] && raw[t - 4] != raw[t + 12];
    if (t > c) {
      std::memmove(raw + m, raw + c, t - c);
      m += t - c;
    }
    if (blank && m >= 4) std::memset(raw + m - 4, ' ', 4);
    m_cuts.emplace_back(t, m);
    c = t + 16;
    t += 18;  // the walk goes on 18 bytes after the header
  }
  // The bytes examined so far join the text.
  const size_t examined = std::min(t, n);
  if (examined > c) {
    std::memmove(raw + m, raw + c, examined - c);
    m += examined - c;
    c = examined;
  }
  if (final) {
    std::memset(raw + m, 0, kPadBytes);
    m_bFinal = true;
  }
  return true;
}

// Sector starts and the joins of removed headers may start a message.
void CStoredTextReader::MapSeams() {
  const size_t examined = std::min(m_nWalk, m_n);
  const size_t m = m_text.nLength;
  std::vector<size_t>& seams = m_text.seams;
  seams.clear();
  size_t k = 0, removed = 0;
  auto textPos = [&](size_t r) {
    for (; k < m_cuts.size() && m_cuts[k].first + 16 <= r; ++k) removed += 16;
    return k < m_cuts.size() && r >= m_cuts[k].first ? m_cuts[k].second : r - removed;
  };
  for (size_t r = 0; r < examined; r += SECTOR_SIZE) seams.push_back(textPos(r));
  k = 0;
  removed = 0;
  m_text.nUsualStart = std::min(textPos(m_nLead), m);
  m_text.nRecordStart = std::min(textPos(m_nRecord), m);
  m_text.nRecordEnd = std::min(textPos(m_nRecord + SECTOR_SIZE), m);
  for (const auto& cut : m_cuts) seams.push_back(cut.second);
  std::sort(seams.begin(), seams.end());
  seams.erase(std::unique(seams.begin(), seams.end()), seams.end());
  while (!seams.empty() && seams.back() >= m) seams.pop_back();
}

bool ReadStoredText(CDisk& disk, uint64_t nSector, uint64_t windowBytes, const std::atomic<int>* stop,
                    tagStoredText& out) {
  CStoredTextReader reader(disk, nSector, windowBytes, stop);
  if (!reader.ReadTo(windowBytes)) return false;
  out = reader.Text();
  return true;
}
