#include <windows.h>

#include <atomic>
#include <string>

#include "mail/export.h"
#include "mail/mail_file.h"
#include "source/utf.h"

namespace {

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

// A path Windows can take; false when it holds a zero, which would cut it short.
bool SystemPath(const std::u16string& path, std::wstring& out) {
  out = Wide(path);
  return !out.empty() && out.find(L'\0') == std::wstring::npos;
}

std::atomic<unsigned> g_nTempCounter{0};

}  // namespace

char16_t PathSeparator() { return u'\\'; }

bool IsDirectory(const std::u16string& path) {
  std::wstring p;
  if (!SystemPath(path, p)) return false;
  const DWORD attributes = GetFileAttributesW(p.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeDirectory(const std::u16string& path) {
  std::wstring p;
  if (!SystemPath(path, p)) return false;
  if (CreateDirectoryW(p.c_str(), nullptr)) return true;
  // A directory link or junction at the name: remove the link itself, then make the directory.
  const DWORD attributes = GetFileAttributesW(p.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(p.c_str()) : DeleteFileW(p.c_str());
  return removed && CreateDirectoryW(p.c_str(), nullptr);
}

// The temporary path is handed on as UTF-8 text.
bool WriteTempFile(const std::u16string& dir, std::string_view bytes, std::string& tempPath) {
  std::wstring d;
  if (!SystemPath(dir, d)) return false;
  if (d.back() != L'\\' && d.back() != L'/') d += L'\\';
  HANDLE h = INVALID_HANDLE_VALUE;
  std::wstring temp;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp =
        d + L".korvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(g_nTempCounter++) + L".tmp";
    h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (ok && left > 0) {
    const DWORD chunk = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
    DWORD written = 0;
    ok = WriteFile(h, p, chunk, &written, nullptr) && written == chunk;
    p += written;
    left -= written;
  }
  if (!CloseHandle(h)) ok = false;
  tempPath = U16ToUtf8(std::u16string(temp.begin(), temp.end()));
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

bool PlaceTempFile(const std::string& tempPath, const std::u16string& path) {
  std::wstring p;
  const std::u16string temp = Utf8ToU16(tempPath);
  return SystemPath(path, p) &&
         MoveFileExW(std::wstring(temp.begin(), temp.end()).c_str(), p.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void RemoveTempFile(const std::string& tempPath) {
  const std::u16string temp = Utf8ToU16(tempPath);
  DeleteFileW(std::wstring(temp.begin(), temp.end()).c_str());
}

bool WriteMailFile(const std::u16string& path, const std::string& bytes) {
  const size_t slash = path.find_last_of(u"\\/");
  const std::u16string dir = slash == std::u16string::npos ? u"." : path.substr(0, slash + 1);
  std::string temp;
  if (!WriteTempFile(dir, bytes, temp)) return false;
  if (PlaceTempFile(temp, path)) return true;
  RemoveTempFile(temp);
  return false;
}
