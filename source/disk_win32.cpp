// Windows backend of CDisk: CreateFileW on \\.\PHYSICALDRIVEn, \\.\C: or a path, read-only;
// drive geometry and GetDiskFreeSpaceExW for the size of disks and volumes, the file size
// for files; ReadFile at 64-bit offsets.

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>

#include "source/disk.h"
#include "source/windows_names.h"

namespace {

// char16_t and wchar_t are both UTF-16 units on Windows.
std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::string OpenErrorText(DWORD code, const std::wstring& path) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return "no such file, disk or volume";
    case ERROR_ACCESS_DENIED: {
      const DWORD attrs = GetFileAttributesW(path.c_str());
      if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        return "is a directory, not a disk, partition or image file";
      }
      return "access denied (physical disks and volumes open only with administrator rights)";
    }
    case ERROR_SHARING_VIOLATION:
      return "the file is locked by another program";
    case ERROR_NOT_READY:
      return "the drive is not ready (no medium?)";
    default:
      return "cannot open (Windows error " + std::to_string(code) + ")";
  }
}

}  // namespace

bool CDisk::PlatformOpen(const SourceName& name) {
  const std::wstring path = W(WindowsDevicePath(name));
  if (path.empty()) {
    m_strError = "not a source name";
    return false;
  }
  // Read-only: a recovery tool must never be able to write to the disk it rescues. Sharing
  // read and write lets the system (and other readers) keep using the volume meanwhile.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) {
    m_strError = OpenErrorText(GetLastError(), path);
    return false;
  }
  // Consoles, pipes and character devices (NUL, COM1) hold no sectors.
  const DWORD type = GetFileType(h);
  if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
    CloseHandle(h);
    m_strError = "not a disk, partition or regular file";
    return false;
  }

  uint64_t size = 0;
  DISK_GEOMETRY geo{};
  DWORD got = 0;
  if (DeviceIoControl(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geo, sizeof geo, &got, nullptr)) {
    // A disk, or a volume (whose geometry is that of the disk holding it).
    size = static_cast<uint64_t>(geo.Cylinders.QuadPart) * geo.TracksPerCylinder * geo.SectorsPerTrack * 512ull;
    if (IsWindowsVolumeName(m_strName)) {
      // A volume with a file system Windows knows: that file system's total bytes.
      ULARGE_INTEGER avail{}, total{}, free{};
      const std::wstring root = W(m_strName) + L"\\";
      if (GetDiskFreeSpaceExW(root.c_str(), &avail, &total, &free)) size = total.QuadPart;
    }
  } else if (HasWindowsDriveRoot(m_strName)) {
    LARGE_INTEGER li{};
    if (GetFileSizeEx(h, &li)) size = static_cast<uint64_t>(li.QuadPart);
  }
  m_hDevice = reinterpret_cast<intptr_t>(h);
  m_nSize = size;
  return true;
}

void CDisk::PlatformClose() {
  if (m_hDevice != -1) CloseHandle(reinterpret_cast<HANDLE>(m_hDevice));
}

int64_t CDisk::PlatformRead(void* buffer, uint32_t byteCount, uint64_t offset) {
  HANDLE h = reinterpret_cast<HANDLE>(m_hDevice);
  // One positioned read: the offset travels with the call, so no separate seek is needed.
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(offset);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(h, buffer, byteCount, &got, &ov)) {
    const DWORD error = GetLastError();
    if (error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_DEV_NOT_EXIST || error == ERROR_NOT_READY) return -2;
    if (error != ERROR_HANDLE_EOF) return -1;
    got = 0;
  }
  return got;
}
