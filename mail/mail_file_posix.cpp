#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "mail/export.h"
#include "mail/mail_file.h"
#include "source/utf.h"

namespace {

// A path the system can take; false when it holds a zero byte, which would cut it short.
bool SystemPath(const std::u16string& path, std::string& out) {
  out = U16ToUtf8(path);
  return !out.empty() && out.find('\0') == std::string::npos;
}

std::atomic<unsigned> g_nTempCounter{0};

}  // namespace

char16_t PathSeparator() { return u'/'; }

bool IsDirectory(const std::u16string& path) {
  std::string p;
  struct stat st;
  return SystemPath(path, p) && lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::u16string& path) {
  std::string p;
  if (!SystemPath(path, p)) return false;
  if (mkdir(p.c_str(), 0777) == 0) return true;
  struct stat st;
  if (errno != EEXIST || lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  return unlink(p.c_str()) == 0 && mkdir(p.c_str(), 0777) == 0;
}

bool WriteTempFile(const std::u16string& dir, std::string_view bytes, std::string& tempPath) {
  std::string d;
  if (!SystemPath(dir, d)) return false;
  if (d.back() != '/') d += '/';
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tempPath = d + ".korvane-" + std::to_string(getpid()) + "-" + std::to_string(g_nTempCounter++) + ".tmp";
    fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return false;
  const char* p = bytes.data();
  size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t w = write(fd, p, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      ok = false;
      break;
    }
    p += w;
    left -= static_cast<size_t>(w);
  }
  if (close(fd) != 0) ok = false;
  if (!ok) unlink(tempPath.c_str());
  return ok;
}

bool PlaceTempFile(const std::string& tempPath, const std::u16string& path) {
  std::string p;
  return SystemPath(path, p) && rename(tempPath.c_str(), p.c_str()) == 0;
}

void RemoveTempFile(const std::string& tempPath) { unlink(tempPath.c_str()); }

bool WriteMailFile(const std::u16string& path, const std::string& bytes) {
  const size_t slash = path.rfind(PathSeparator());
  const std::u16string dir = slash == std::u16string::npos ? u"." : path.substr(0, slash + 1);
  std::string temp;
  if (!WriteTempFile(dir, bytes, temp)) return false;
  if (PlaceTempFile(temp, path)) return true;
  RemoveTempFile(temp);
  return false;
}
