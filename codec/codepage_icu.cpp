// Code-page conversion on ICU converters.
//
// Each Windows code page maps to the ICU converter that reproduces Windows' own mapping
// byte for byte (or, for the stateful encodings, its behaviour): one of ICU's built-in
// converters, or one of Windows' own tables linked in as an ICU package. Converters are opened
// lazily, once per thread, and kept until the thread ends; a code page whose converter
// cannot be opened is remembered as unsupported for that thread.
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/udata.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/codepage.h"
#include "codec/codepage_package.h"

namespace {

struct CodePageConverter {
  int nCodePage;
  const char* szName;  // ICU converter name
  bool bWindowsTable;  // one of Windows' tables, in the linked package
};

// Every code page of the charset table but 0 (the ANSI setting), 1201 (UTF-16BE, which
// Windows' multibyte conversion refuses) and 29001 (no trustworthy table). Sorted by code
// page for the binary search below.
constexpr CodePageConverter kConverters[] = {
    {37, "ibm-37_P100-1995", false},
    {437, "windows-437-2000", true},
    {708, "windows-708-2000", true},
    {720, "windows-720-2000", true},
    {737, "windows-737-2000", true},
    {775, "windows-775-2000", true},
    {850, "windows-850-2000", true},
    {852, "windows-852-2000", true},
    {857, "windows-857-2000", true},
    {861, "windows-861-2000", true},
    {862, "windows-862-2000", true},
    {866, "windows-866-2000", true},
    {869, "windows-869-2000", true},
    {870, "ibm-870_P100-1995", false},
    {874, "windows-874-2000", false},
    {875, "ibm-875_P100-1995", false},
    {932, "windows-932-2000", true},
    {936, "windows-936-2000", false},
    {949, "windows-949-2000", false},
    {950, "windows-950-2000", false},
    {1026, "windows-1026-2000", true},
    {1140, "ibm-1140_P100-1997", false},
    {1141, "ibm-1141_P100-1997", false},
    {1142, "ibm-1142_P100-1997", false},
    {1143, "ibm-1143_P100-1997", false},
    {1144, "ibm-1144_P100-1997", false},
    {1145, "ibm-1145_P100-1997", false},
    {1146, "ibm-1146_P100-1997", false},
    {1147, "ibm-1147_P100-1997", false},
    {1148, "ibm-1148_P100-1997", false},
    {1149, "ibm-1149_P100-1997", false},
    {1250, "ibm-5346_P100-1998", false},
    {1251, "ibm-5347_P100-1998", false},
    {1252, "ibm-5348_P100-1997", false},
    {1253, "windows-1253-2000", true},
    {1254, "ibm-5350_P100-1998", false},
    {1255, "windows-1255-2000", true},
    {1256, "ibm-9448_X100-2005", false},
    {1257, "windows-1257-2000", true},
    {1258, "ibm-5354_P100-1998", false},
    {1361, "windows-1361-2000", true},
    {10000, "windows-10000-2000", true},
    {10001, "windows-10001-2000", true},
    {10002, "windows-10002-2000", true},
    {10003, "windows-10003-2000", true},
    {10004, "windows-10004-2000", true},
    {10005, "windows-10005-2000", true},
    {10006, "windows-10006-2000", true},
    {10007, "windows-10007-2000", true},
    {10008, "windows-10008-2000", true},
    {10029, "macos-29-10.2", false},
    {10079, "windows-10079-2000", true},
    {10081, "windows-10081-2000", true},
    {20000, "windows-20000-2000", true},
    {20002, "windows-20002-2000", true},
    {20105, "windows-20105-2000", true},
    {20106, "windows-20106-2000", true},
    {20107, "windows-20107-2000", true},
    {20108, "windows-20108-2000", true},
    {20273, "ibm-273_P100-1995", false},
    {20277, "ibm-277_P100-1995", false},
    {20278, "ibm-278_P100-1995", false},
    {20280, "ibm-280_P100-1995", false},
    {20284, "ibm-284_P100-1995", false},
    {20285, "ibm-285_P100-1995", false},
    {20290, "ibm-290_P100-1995", false},
    {20420, "windows-20420-2000", true},
    {20423, "windows-20423-2000", true},
    {20424, "ibm-424_P100-1995", false},
    {20833, "windows-20833-2000", true},
    {20838, "ibm-838_P100-1995", false},
    {20866, "ibm-878_P100-1996", false},
    {20871, "ibm-871_P100-1995", false},
    {20880, "windows-20880-2000", true},
    {20905, "windows-20905-2000", true},
    {21025, "ibm-1025_P100-1995", false},
    {21866, "windows-21866-2000", true},
    {28591, "ISO-8859-1", false},
    {28592, "ibm-912_P100-1995", false},
    {28593, "windows-28593-2000", true},
    {28594, "ibm-914_P100-1995", false},
    {28595, "ibm-915_P100-1995", false},
    {28596, "windows-28596-2000", true},
    {28597, "windows-28597-2000", true},
    {28598, "windows-28598-2000", true},
    {28599, "ibm-920_P100-1995", false},
    {28605, "ibm-923_P100-1998", false},
    {38598, "windows-38598-2000", true},
    {50220, "ISO_2022,locale=ja,version=3", false},
    {50221, "ISO_2022,locale=ja,version=3", false},
    {50225, "ISO_2022,locale=ko,version=0", false},
    {50930, "ibm-930_P120-1999", false},
    {50931, "ibm-939_P120-1999", false},
    {50933, "ibm-933_P110-1995", false},
    {50935, "ibm-935_P110-1999", false},
    {50937, "ibm-937_P110-1999", false},
    {50939, "ibm-939_P120-1999", false},
    {51932, "windows-51932-2006", true},
    {51936, "windows-936-2000", false},
    {51949, "windows-949-2000", false},
    {52936, "HZ", false},
    {57002, "ISCII,version=0", false},
    {57003, "ISCII,version=1", false},
    {57004, "ISCII,version=5", false},
    {57005, "ISCII,version=6", false},
    {57006, "ISCII,version=1", false},
    {57007, "ISCII,version=4", false},
    {57008, "ISCII,version=7", false},
    {57009, "ISCII,version=8", false},
    {57010, "ISCII,version=3", false},
    {57011, "ISCII,version=2", false},
    {65000, "UTF-7", false},
    {65001, "UTF-8", false},
};

static_assert(std::is_sorted(std::begin(kConverters), std::end(kConverters),
                             [](const CodePageConverter& a, const CodePageConverter& b) {
                               return a.nCodePage < b.nCodePage;
                             }));

const CodePageConverter* FindConverter(int codePage) {
  auto it = std::lower_bound(std::begin(kConverters), std::end(kConverters), codePage,
                             [](const CodePageConverter& c, int cp) { return c.nCodePage < cp; });
  if (it == std::end(kConverters) || it->nCodePage != codePage) return nullptr;
  return it;
}

int ResolveCodePage(int codePage) {
  return (codePage == CP_ACP || codePage == CP_THREAD_ACP) ? GetAnsiCodePage() : codePage;
}

// Every undecodable byte sequence becomes one U+FFFD (ICU would write U+001A for some).
void ToUnicodeReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                          UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;
  static const UChar kReplacement = 0xFFFD;
  *err = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
}

// Hands the linked table package to ICU, once per process.
bool RegisterPackage() {
  static const bool registered = [] {
    UErrorCode err = U_ZERO_ERROR;
    udata_setAppData(kCodePagePackage, CodePagePackageData(), &err);
    return U_SUCCESS(err);
  }();
  return registered;
}

UConverter* OpenConverter(int codePage) {
  const CodePageConverter* entry = FindConverter(codePage);
  if (!entry) return nullptr;
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cnv = nullptr;
  if (!entry->bWindowsTable)
    cnv = ucnv_open(entry->szName, &err);
  else if (RegisterPackage())
    cnv = ucnv_openPackage(kCodePagePackage, entry->szName, &err);
  if (U_FAILURE(err) || !cnv) return nullptr;
  err = U_ZERO_ERROR;
  ucnv_setToUCallBack(cnv, ToUnicodeReplacement, nullptr, nullptr, nullptr, &err);
  err = U_ZERO_ERROR;
  static const UChar kQuestion = u'?';
  ucnv_setSubstString(cnv, &kQuestion, 1, &err);  // keeps ICU's own substitute on failure
  return cnv;
}

// Appends the ICU conversion of `bytes` to `out`; nothing when the converter gives up.
void AppendConverted(UConverter* cnv, std::string_view bytes, std::u16string& out) {
  if (bytes.empty()) return;
  ucnv_resetToUnicode(cnv);
  const size_t base = out.size();
  out.resize(base + bytes.size() + 16);
  const char* src = bytes.data();
  const char* srcLimit = src + bytes.size();
  size_t written = 0;
  for (;;) {
    UChar* target = reinterpret_cast<UChar*>(out.data()) + base + written;
    UChar* const targetStart = target;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &target, reinterpret_cast<UChar*>(out.data()) + out.size(), &src, srcLimit, nullptr, true,
                   &err);
    written += static_cast<size_t>(target - targetStart);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(base + (out.size() - base) * 2);
      continue;
    }
    if (U_FAILURE(err)) written = 0;  // the converter gave up: refuse, as for an unknown code page
    break;
  }
  out.resize(base + written);
}

std::u16string ConvertToUnicode(UConverter* cnv, std::string_view bytes) {
  std::u16string out;
  AppendConverted(cnv, bytes, out);
  return out;
}

// True when the converter maps every byte below 0x80 to the same code point, whatever
// stands around it: a stateless converter whose conversion of the 128 ASCII bytes gives them
// back unchanged. Text made only of such bytes then needs no conversion at all.
bool IsAsciiTransparent(UConverter* cnv) {
  switch (ucnv_getType(cnv)) {
    case UCNV_SBCS:
    case UCNV_DBCS:
    case UCNV_MBCS:
    case UCNV_LATIN_1:
    case UCNV_UTF8:
    case UCNV_US_ASCII:
      break;
    default:
      return false;  // shift states, escapes or an algorithm of their own
  }
  char ascii[128];
  for (int i = 0; i < 128; ++i) ascii[i] = static_cast<char>(i);
  const std::u16string text = ConvertToUnicode(cnv, std::string_view(ascii, sizeof ascii));
  if (text.size() != sizeof ascii) return false;
  for (int i = 0; i < 128; ++i)
    if (text[static_cast<size_t>(i)] != static_cast<char16_t>(i)) return false;
  return true;
}

// The calling thread's open converters; closed when the thread ends.
class CConverterCache {
 public:
  struct Entry {
    int nCodePage;
    UConverter* pConverter;  // null when the code page has none
    bool bAsciiTransparent;
  };
  ~CConverterCache() {
    for (const Entry& e : m_entries)
      if (e.pConverter) ucnv_close(e.pConverter);
  }
  // The entry for `codePage` (already resolved).
  const Entry& Get(int codePage) {
    for (const Entry& e : m_entries)
      if (e.nCodePage == codePage) return e;
    UConverter* cnv = OpenConverter(codePage);
    m_entries.push_back({codePage, cnv, cnv && IsAsciiTransparent(cnv)});
    return m_entries.back();
  }

 private:
  std::vector<Entry> m_entries;
};

thread_local CConverterCache t_converters;

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < n; ++i)
    if (p[i] & 0x80) return false;
  return true;
}

}  // namespace

bool IsCodePageSupported(int codePage) { return t_converters.Get(ResolveCodePage(codePage)).pConverter != nullptr; }

std::u16string MultiByteToWide(int codePage, std::string_view bytes) {
  std::u16string out;
  AppendMultiByteToWide(codePage, bytes, out);
  return out;
}

void AppendMultiByteToWide(int codePage, std::string_view bytes, std::u16string& out) {
  if (bytes.empty()) return;
  const CConverterCache::Entry& e = t_converters.Get(ResolveCodePage(codePage));
  if (!e.pConverter) return;
  if (e.bAsciiTransparent && IsAscii(bytes)) {
    // Widened in place (appending the byte range would build a temporary text first).
    const size_t base = out.size();
    out.resize(base + bytes.size());
    char16_t* to = out.data() + base;
    for (size_t i = 0; i < bytes.size(); ++i) to[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
  } else {
    AppendConverted(e.pConverter, bytes, out);
  }
}

std::string WideToMultiByte(int codePage, std::u16string_view text) {
  std::string out;
  if (text.empty()) return out;
  UConverter* cnv = t_converters.Get(ResolveCodePage(codePage)).pConverter;
  if (!cnv) return out;
  ucnv_resetFromUnicode(cnv);
  out.resize(text.size() * static_cast<size_t>(ucnv_getMaxCharSize(cnv)) + 16);
  const UChar* src = reinterpret_cast<const UChar*>(text.data());
  const UChar* srcLimit = src + text.size();
  size_t written = 0;
  for (;;) {
    char* target = out.data() + written;
    char* const targetStart = target;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(cnv, &target, out.data() + out.size(), &src, srcLimit, nullptr, true, &err);
    written += static_cast<size_t>(target - targetStart);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(out.size() * 2);
      continue;
    }
    if (U_FAILURE(err)) written = 0;
    break;
  }
  out.resize(written);
  return out;
}
