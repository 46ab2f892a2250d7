// POSIX backend of CDisk: open(O_RDONLY), fstat / BLKGETSIZE64, pread.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "source/disk.h"
#include "source/disk_list.h"
#include "source/utf.h"

bool CDisk::PlatformOpen(const SourceName& name) {
  std::string path;
  switch (name.kind) {
    case SourceNameKind::PhysicalDisk: {
      // HDn: the n-th whole disk of this machine, as the disk list orders them.
      const std::string digits = U16ToUtf8(name.text);
      size_t n = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') {
          m_strError = "no such disk";
          return false;
        }
        n = n * 10 + static_cast<size_t>(c - '0');
      }
      const auto disks = ListWholeDisks();
      if (digits.empty() || n >= disks.size()) {
        m_strError = "no such disk";
        return false;
      }
      path = "/dev/" + disks[n];
      break;
    }
    case SourceNameKind::Path:
      path = U16ToUtf8(name.text);
      break;
    case SourceNameKind::Device:
      path = "/dev/" + U16ToUtf8(name.text);
      break;
    case SourceNameKind::Invalid:
      m_strError = "not a source name";
      return false;
  }

  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    m_strError = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    m_strError = std::strerror(errno);
    ::close(fd);
    return false;
  }
  uint64_t size = 0;
  if (S_ISREG(st.st_mode)) {
    size = static_cast<uint64_t>(st.st_size);
  } else if (S_ISBLK(st.st_mode)) {
    if (::ioctl(fd, BLKGETSIZE64, &size) != 0) size = 0;
  } else {
    m_strError = S_ISDIR(st.st_mode) ? "is a directory, not a disk, partition or image file"
                                     : "not a disk, partition or regular file";
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  m_hDevice = fd;
  m_nSize = size;
  return true;
}

void CDisk::PlatformClose() {
  if (m_hDevice >= 0) ::close(static_cast<int>(m_hDevice));
}

int64_t CDisk::PlatformRead(void* buffer, uint32_t byteCount, uint64_t offset) {
  ssize_t got;
  do {
    got = ::pread(static_cast<int>(m_hDevice), buffer, byteCount, static_cast<off_t>(offset));
  } while (got < 0 && errno == EINTR);
  if (got < 0) return errno == ENODEV || errno == ENXIO ? -2 : -1;
  return got;
}
