#include "mime/stored_text.h"

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

bool ReadStoredText(CDisk& disk, uint64_t nSector, uint64_t windowBytes, const std::atomic<int>* stop,
                    tagStoredText& out) {
  out = tagStoredText();
  const uint64_t usualFirst = nSector >= kUsualLeadSectors ? nSector - kUsualLeadSectors : 0;
  const uint64_t first = usualFirst >= kExtraLeadSectors ? usualFirst - kExtraLeadSectors : 0;
  const size_t leadBytes = static_cast<size_t>(usualFirst - first) * SECTOR_SIZE;
  const size_t total = leadBytes + static_cast<size_t>(windowBytes);

  std::vector<char>& buf = out.buf;
  try {
    buf.assign(total + kPadBytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }

  // 1. Read the window in pieces; what cannot be read stays zero.
  size_t n = 0;
  while (n < total) {
    if (Stopped(stop)) return false;
    const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(kReadPieceBytes, total - n));
    if (!disk.Read(buf.data() + n, piece, first + n / SECTOR_SIZE)) std::memset(buf.data() + n, 0, piece);
    n += piece;
  }

  // 2. Remove the 16-byte block headers a .dbx store puts before each 512-byte block
  // (little-endian block size 0x200 at offset 4). The text is compacted in place: it never
  // overtakes the bytes still to be examined.
  unsigned char* raw = reinterpret_cast<unsigned char*>(buf.data());
  std::vector<std::pair<size_t, size_t>> cuts;  // header offset in the raw window, text position after it
  size_t c = 0, m = 0, t = 0;
  for (; t < n; t += 2) {
    if ((t & 0xFFFF) == 0 && Stopped(stop)) return false;
    if (raw[t + 5] != 0x02 || raw[t + 6] != 0 || raw[t + 7] != 0) continue;
    const bool blank = t > 4 && raw[t - 2] == raw[t + 14] && raw[t - 1] == raw[t + 15] && raw[t - 4] != raw[t + 12];
    if (t > c) {
      std::memmove(raw + m, raw + c, t - c);
      m += t - c;
    }
    if (blank && m >= 4) std::memset(raw + m - 4, ' ', 4);
    cuts.emplace_back(t, m);
    c = t + 16;
    t += 16;  // the walk goes on 18 bytes after the header
  }
  const size_t rawEnd = std::min(t, n);
  if (rawEnd > c) {
    std::memmove(raw + m, raw + c, rawEnd - c);
    m += rawEnd - c;
  }
  std::memset(raw + m, 0, kPadBytes);
  out.nLength = m;

  // Where raw offset r lies in the text (a removed header maps to the text after it).
  auto textPos = [&](size_t r) {
    size_t removed = 0;
    for (const auto& cut : cuts) {
      if (r < cut.first) break;
      if (r < cut.first + 16) return cut.second;
      removed += 16;
    }
    return r - removed;
  };
  // Sector starts and the joins of removed headers may start a message.
  size_t k = 0, removed = 0;
  for (size_t r = 0; r < rawEnd; r += SECTOR_SIZE) {
    for (; k < cuts.size() && cuts[k].first + 16 <= r; ++k) removed += 16;
    out.seams.push_back(k < cuts.size() && r >= cuts[k].first ? cuts[k].second : r - removed);
  }
  for (const auto& cut : cuts) out.seams.push_back(cut.second);
  std::sort(out.seams.begin(), out.seams.end());
  out.seams.erase(std::unique(out.seams.begin(), out.seams.end()), out.seams.end());
  while (!out.seams.empty() && out.seams.back() >= m) out.seams.pop_back();
  out.nUsualStart = std::min(textPos(leadBytes), m);
  return true;
}
