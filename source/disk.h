#pragma once
// CDisk: a data source (whole disk, volume, image or store file) read as 512-byte sectors.
//
// A source is named by a short text:
//   "HDn"     the n-th whole disk (any case; 3 or 4 characters),
//   a path    a file or a device given in full (contains the platform's path separator),
//   a name    anything else is a device in the platform's device namespace
//             (Linux: /dev/<name>, e.g. "sda1"; Windows: \\.\<name>, e.g. "C:").
// Sources are always opened read-only: nothing here can write to the disk being rescued.
// One CDisk serves one thread; open one per thread on the same source.

#include <cstdint>
#include <string>

inline constexpr uint32_t SECTOR_SIZE = 512;

// The form of a source name, by the rules above. Portable: no system call.
enum class SourceNameKind { Invalid, PhysicalDisk, Path, Device };
struct SourceName {
  SourceNameKind kind = SourceNameKind::Invalid;
  std::u16string text;  // disk number for PhysicalDisk, the path for Path, the device name for Device
};
// `separator` is '/' on POSIX and '\\' on Windows.
SourceName ParseSourceName(const std::u16string& name, char16_t separator);

class CDisk {
 public:
  CDisk() = default;
  virtual ~CDisk();
  CDisk(const CDisk&) = delete;
  CDisk& operator=(const CDisk&) = delete;

  // Opens the named source read-only and measures it. An empty name, or a two-character
  // name without ':', fails at once and leaves a source opened earlier open. Otherwise the
  // previous source is closed first. True when the platform open succeeded, even if the size
  // came out as 0. On failure LastError() says why.
  bool Open(const std::u16string& name);

  // Reads `byteCount` bytes (whole sectors) at sector `firstSector` into `buffer`.
  // False when `firstSector` lies beyond the sector count, the source is closed, or the
  // platform read fails. A read that transfers fewer bytes than asked (the end of a file)
  // zero-fills the rest and succeeds, so callers never see stale bytes.
  bool Read(void* buffer, uint32_t byteCount, uint64_t firstSector);

  void Close();

  uint64_t GetSectorCount() const { return m_nSectorCount; }
  uint64_t GetSize() const { return m_nSize; }
  bool IsOpen() const { return m_bOpen; }
  const std::u16string& GetName() const { return m_strName; }
  // Why the last Open failed (English, for logs and the command line).
  const std::string& LastError() const { return m_strError; }

 private:
  bool PlatformOpen(const SourceName& name);
  void PlatformClose();
  bool PlatformRead(void* buffer, uint32_t byteCount, uint64_t offset);

  intptr_t m_hDevice = -1;
  std::u16string m_strName;
  uint64_t m_nSize = 0;
  uint64_t m_nSectorCount = 0;
  bool m_bOpen = false;
  std::string m_strError;
};
