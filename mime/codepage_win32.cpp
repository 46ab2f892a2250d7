// Code-page conversion on Windows: the system's own converters.
#include <windows.h>

#include "mime/codepage.h"

namespace {

UINT ResolveCodePage(int codePage) {
  return static_cast<UINT>((codePage == CP_ACP || codePage == CP_THREAD_ACP) ? GetAnsiCodePage() : codePage);
}

}  // namespace

bool IsCodePageSupported(int codePage) { return IsValidCodePage(ResolveCodePage(codePage)) != 0; }

std::u16string MultiByteToWide(int codePage, std::string_view bytes) {
  std::u16string out;
  if (bytes.empty() || bytes.size() > 0x7fffffff) return out;
  const UINT cp = ResolveCodePage(codePage);
  const int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return out;
  out.resize(static_cast<size_t>(n));
  const int written = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()),
                                          reinterpret_cast<wchar_t*>(out.data()), n);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

std::string WideToMultiByte(int codePage, std::u16string_view text) {
  std::string out;
  if (text.empty() || text.size() > 0x7fffffff) return out;
  const UINT cp = ResolveCodePage(codePage);
  const wchar_t* src = reinterpret_cast<const wchar_t*>(text.data());
  const int n = WideCharToMultiByte(cp, 0, src, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return out;
  out.resize(static_cast<size_t>(n));
  const int written =
      WideCharToMultiByte(cp, 0, src, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}
