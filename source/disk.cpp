#include "source/disk.h"

#include <algorithm>
#include <cstring>

#include "source/disk_fault.h"

namespace {
DiskReadHook& ReadHook() {
  static DiskReadHook hook;
  return hook;
}
}  // namespace

void SetDiskReadHookForTesting(DiskReadHook hook) { ReadHook() = std::move(hook); }

SourceName ParseSourceName(const std::u16string& name, char16_t separator) {
  SourceName out;
  if (name.empty()) return out;
  if (name.size() == 2 && name.find(u':') == std::u16string::npos) return out;
  if ((name.size() == 3 || name.size() == 4) && (name[0] == u'H' || name[0] == u'h') &&
      (name[1] == u'D' || name[1] == u'd')) {
    out.kind = SourceNameKind::PhysicalDisk;
    out.text = name.substr(2);
    return out;
  }
  if (name.find(separator) != std::u16string::npos) {
    out.kind = SourceNameKind::Path;
    out.text = name;
    return out;
  }
  out.kind = SourceNameKind::Device;
  out.text = name;
  return out;
}

CDisk::~CDisk() { Close(); }

bool CDisk::Open(const std::u16string& name) {
  m_strName = name;
#ifdef _WIN32
  const SourceName parsed = ParseSourceName(name, u'\\');
#else
  const SourceName parsed = ParseSourceName(name, u'/');
#endif
  if (parsed.kind == SourceNameKind::Invalid) {
    m_strError = "not a source name";
    return false;
  }
  Close();
  m_strError.clear();
  if (!PlatformOpen(parsed)) return false;
  m_nSectorCount = m_nSize / SECTOR_SIZE;
  m_bOpen = true;
  return true;
}

void CDisk::Close() {
  if (m_bOpen) PlatformClose();
  m_hDevice = -1;
  m_bOpen = false;
  m_nSize = 0;
  m_nSectorCount = 0;
  m_unreadable.clear();
}

CDisk::ReadResult CDisk::ReadOnce(void* buffer, uint32_t byteCount, uint64_t offset) {
  char* out = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < byteCount) {
    uint32_t ask = byteCount - done;
    if (const DiskReadHook& hook = ReadHook()) {
      const int64_t allowed = hook(offset + done, ask);
      if (allowed == kDiskReadGone) return ReadResult::Gone;
      if (allowed < 0) return ReadResult::Failed;
      if (allowed < ask) ask = static_cast<uint32_t>(allowed);
    }
    const int64_t got = ask > 0 ? PlatformRead(out + done, ask, offset + done) : 0;
    if (got == -2) return ReadResult::Gone;
    if (got < 0) return ReadResult::Failed;
    if (got == 0) break;  // the end of the source
    done += static_cast<uint32_t>(got);
  }
  if (done < byteCount) std::memset(out + done, 0, byteCount - done);
  return ReadResult::Done;
}

bool CDisk::Read(void* buffer, uint32_t byteCount, uint64_t firstSector) {
  if (!m_bOpen || firstSector > m_nSectorCount) return false;
  const uint64_t offset = firstSector * SECTOR_SIZE;
  const ReadResult whole = ReadOnce(buffer, byteCount, offset);
  if (whole == ReadResult::Done) return true;
  const uint32_t sectors = byteCount / SECTOR_SIZE;
  if (whole == ReadResult::Gone || sectors <= 1) {
    NoteUnreadable(firstSector, sectors > 0 ? sectors : 1);
    return false;
  }
  // Sector by sector: only the bad ones become zeros.
  char* out = static_cast<char*>(buffer);
  bool any = false;
  for (uint32_t i = 0; i < sectors; ++i) {
    char* sector = out + static_cast<size_t>(i) * SECTOR_SIZE;
    const ReadResult r = ReadOnce(sector, SECTOR_SIZE, offset + static_cast<uint64_t>(i) * SECTOR_SIZE);
    if (r == ReadResult::Done) {
      any = true;
      continue;
    }
    if (r == ReadResult::Gone) {
      std::memset(sector, 0, static_cast<size_t>(sectors - i) * SECTOR_SIZE);
      NoteUnreadable(firstSector + i, sectors - i);
      break;
    }
    std::memset(sector, 0, SECTOR_SIZE);
    NoteUnreadable(firstSector + i, 1);
  }
  return any;
}

void CDisk::NoteUnreadable(uint64_t first, uint64_t count) {
  const uint64_t end = first + count;
  if (!m_unreadable.empty() && m_unreadable.back().second >= first && m_unreadable.back().first <= first) {
    m_unreadable.back().second = std::max(m_unreadable.back().second, end);
    return;
  }
  // A source that fails everywhere is summed up in its last range rather than growing without end.
  constexpr size_t kMaxRanges = 4096;
  if (m_unreadable.size() >= kMaxRanges) {
    m_unreadable.back().first = std::min(m_unreadable.back().first, first);
    m_unreadable.back().second = std::max(m_unreadable.back().second, end);
    return;
  }
  m_unreadable.emplace_back(first, end);
}

bool CDisk::HadUnreadableSectors(uint64_t first, uint64_t end) const {
  for (const auto& [a, b] : m_unreadable)
    if (a < end && first < b) return true;
  return false;
}
