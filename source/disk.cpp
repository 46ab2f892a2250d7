#include "source/disk.h"

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
}

bool CDisk::Read(void* buffer, uint32_t byteCount, uint64_t firstSector) {
  if (!m_bOpen || firstSector > m_nSectorCount) return false;
  const uint64_t offset = firstSector * SECTOR_SIZE;
  if (const DiskReadHook& hook = ReadHook()) {
    const int64_t allowed = hook(offset, byteCount);
    if (allowed < 0) return false;
    if (allowed < byteCount) {
      const uint32_t part = static_cast<uint32_t>(allowed);
      if (part > 0 && !PlatformRead(buffer, part, offset)) return false;
      std::memset(static_cast<char*>(buffer) + part, 0, byteCount - part);
      return true;
    }
  }
  return PlatformRead(buffer, byteCount, offset);
}
