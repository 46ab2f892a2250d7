// Code-page conversion on Windows: MultiByteToWideChar and WideCharToMultiByte, with the
// same contract as the ICU converters used elsewhere: every undecodable byte sequence
// becomes U+FFFD, characters a code page lacks become "?" (no best-fit look-alikes), and a
// code page Windows does not know yields an empty text. Stateless, so thread-safe.
#include "codec/codepage.h"

#include <windows.h>

#include <climits>

namespace {

UINT ResolveCodePage(int codePage) {
  return static_cast<UINT>((codePage == CP_ACP || codePage == CP_THREAD_ACP) ? GetAnsiCodePage() : codePage);
}

// Code pages for which the conversion flags must be 0 (stateful encodings, UTF-7, Symbol).
bool TakesNoFlags(UINT cp) {
  return cp == 42 || cp == 52936 || cp == 65000 || (cp >= 50220 && cp <= 50229) || (cp >= 57002 && cp <= 57011);
}

// Bytes per character at most: 1 for the single-byte code pages, 2 for the double-byte ones,
// more for UTF-8, GB18030 and the stateful encodings; 0 when the code page is unknown.
UINT MaxCharSize(UINT cp) {
  CPINFO info{};
  return GetCPInfo(cp, &info) ? info.MaxCharSize : 0;
}

bool Convert(UINT cp, DWORD flags, const char* bytes, int count, std::u16string& out) {
  const int need = MultiByteToWideChar(cp, flags, bytes, count, nullptr, 0);
  if (need <= 0) return false;
  std::u16string part(static_cast<size_t>(need), u'\0');
  const int got = MultiByteToWideChar(cp, flags, bytes, count, reinterpret_cast<wchar_t*>(part.data()), need);
  if (got <= 0) return false;
  part.resize(static_cast<size_t>(got));
  out += part;
  return true;
}

// A single- or double-byte text that holds undecodable bytes, one character at a time, so
// that only the bad characters turn into U+FFFD. A lead byte followed by something that is
// no trail byte is bad alone, and the byte after it is read again.
std::u16string ConvertCharByChar(UINT cp, std::string_view bytes) {
  std::u16string out;
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<BYTE>(bytes[i]);
    size_t len = 1;
    if (IsDBCSLeadByteEx(cp, lead)) {
      if (i + 1 >= bytes.size()) {
        out += u'\uFFFD';
        break;
      }
      const auto trail = static_cast<BYTE>(bytes[i + 1]);
      len = (trail < 0x40 || trail == 0x7F || trail == 0xFF) ? 1 : 2;
      if (len == 1) {
        out += u'\uFFFD';
        ++i;
        continue;
      }
    }
    if (!Convert(cp, MB_ERR_INVALID_CHARS, bytes.data() + i, static_cast<int>(len), out)) out += u'\uFFFD';
    i += len;
  }
  return out;
}

}  // namespace

bool IsCodePageSupported(int codePage) {
  const UINT cp = ResolveCodePage(codePage);
  return cp != CP_ACP && cp != CP_THREAD_ACP && IsValidCodePage(cp) && MaxCharSize(cp) != 0;
}

std::u16string MultiByteToWide(int codePage, std::string_view bytes) {
  std::u16string out;
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX) || !IsCodePageSupported(codePage)) return out;
  const UINT cp = ResolveCodePage(codePage);
  const int count = static_cast<int>(bytes.size());
  const UINT width = MaxCharSize(cp);
  if (TakesNoFlags(cp) || width > 2) {
    // UTF-8 and GB18030 already give U+FFFD for bad sequences; the stateful ones cannot tell.
    if (!Convert(cp, 0, bytes.data(), count, out)) out.clear();
    return out;
  }
  if (Convert(cp, MB_ERR_INVALID_CHARS, bytes.data(), count, out)) return out;
  if (GetLastError() != ERROR_NO_UNICODE_TRANSLATION) return {};
  return ConvertCharByChar(cp, bytes);
}

void AppendMultiByteToWide(int codePage, std::string_view bytes, std::u16string& out) {
  out += MultiByteToWide(codePage, bytes);
}

std::string WideToMultiByte(int codePage, std::u16string_view text) {
  std::string out;
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX) || !IsCodePageSupported(codePage)) return out;
  const UINT cp = ResolveCodePage(codePage);
  const DWORD flags = (TakesNoFlags(cp) || cp == CP_UTF8 || cp == 54936) ? 0 : WC_NO_BEST_FIT_CHARS;
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int count = static_cast<int>(text.size());
  const int need = WideCharToMultiByte(cp, flags, src, count, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return out;
  out.resize(static_cast<size_t>(need));
  const int got = WideCharToMultiByte(cp, flags, src, count, out.data(), need, nullptr, nullptr);
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return out;
}
