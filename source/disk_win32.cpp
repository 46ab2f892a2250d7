// Windows backend of CDisk: CreateFileW on \\.\PHYSICALDRIVEn, \\.\C: or a path,
// drive geometry and GetDiskFreeSpaceExW for sizes, ReadFile at 64-bit offsets.

#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "source/disk.h"

namespace {
std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
}  // namespace

bool CDisk::PlatformOpen(const SourceName& name) {
  std::wstring path;
  switch (name.kind) {
    case SourceNameKind::PhysicalDisk: {
      std::u16string upper = name.text;
      for (auto& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      }
      path = L"\\\\.\\PHYSICALDRIVE" + W(upper);
      break;
    }
    case SourceNameKind::Path:
      path = W(name.text);
      break;
    case SourceNameKind::Device:
      path = L"\\\\.\\" + W(name.text);
      break;
    case SourceNameKind::Invalid:
      return false;
  }
  // Read-only: a recovery tool must never be able to write to the disk it rescues.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) {
    m_strError = "cannot open (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  uint64_t size = 0;
  DISK_GEOMETRY geo{};
  DWORD got = 0;
  if (DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geo, sizeof geo, &got, nullptr)) {
    size = static_cast<uint64_t>(static_cast<uint32_t>(geo.Cylinders.LowPart)) * geo.TracksPerCylinder *
           geo.SectorsPerTrack * 512ull;
    const std::u16string& n = m_strName;
    if (n.size() == 2 && n[1] == u':') {
      ULARGE_INTEGER avail{}, total{}, free{};
      std::wstring root = W(n) + L"\\";
      if (GetDiskFreeSpaceExW(root.c_str(), &avail, &total, &free)) size = total.QuadPart;
    }
  } else {
    LARGE_INTEGER li{};
    if (GetFileSizeEx(h, &li)) size = static_cast<uint64_t>(li.QuadPart);
  }
  m_hDevice = reinterpret_cast<intptr_t>(h);
  m_nSize = size;
  return true;
}

void CDisk::PlatformClose() { CloseHandle(reinterpret_cast<HANDLE>(m_hDevice)); }

bool CDisk::PlatformRead(void* buffer, uint32_t byteCount, uint64_t offset) {
  HANDLE h = reinterpret_cast<HANDLE>(m_hDevice);
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(offset);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(h, buffer, byteCount, &got, &ov)) {
    if (GetLastError() != ERROR_HANDLE_EOF) return false;
    got = 0;
  }
  if (got < byteCount) std::memset(static_cast<char*>(buffer) + got, 0, byteCount - got);
  return true;
}
