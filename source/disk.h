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
#include <utility>
#include <vector>

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
  // zero-fills the rest and succeeds, so callers never see stale bytes; a platform read that
  // stops short before the end is continued.
  // A read of several sectors that fails is tried again sector by sector, so that one bad
  // sector does not cost its neighbours: the sectors that cannot be read are zeros, and
  // the read succeeds when at least one sector could be read. A source that is gone (the
  // device was removed) is not tried sector by sector.
  bool Read(void* buffer, uint32_t byteCount, uint64_t firstSector);

  // True when a sector in [first, end) could not be read since the source was opened.
  bool HadUnreadableSectors(uint64_t first, uint64_t end) const;

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
  enum class ReadResult { Done, Failed, Gone };
  // One platform read: the bytes transferred (0 at the end), or -1 for an I/O error, -2 when
  // the source is gone.
  int64_t PlatformRead(void* buffer, uint32_t byteCount, uint64_t offset);
  // Reads until every byte is in or the end is reached (zeros after the end).
  ReadResult ReadOnce(void* buffer, uint32_t byteCount, uint64_t offset);
  void NoteUnreadable(uint64_t first, uint64_t count);

  intptr_t m_hDevice = -1;
  std::u16string m_strName;
  uint64_t m_nSize = 0;
  uint64_t m_nSectorCount = 0;
  bool m_bOpen = false;
  std::string m_strError;
  // Sector ranges [first, end) that could not be read, joined when adjacent; bounded.
  std::vector<std::pair<uint64_t, uint64_t>> m_unreadable;
};
