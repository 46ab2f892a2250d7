// Code-page conversion on ICU converters.
//
// Each Windows code page maps to the ICU converter that reproduces Windows' own mapping
// byte for byte (or, for the stateful encodings, its behaviour). Converters are opened
// lazily, once per thread, and kept until the thread ends; a code page whose converter
// cannot be opened is remembered as unsupported for that thread.
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <vector>

#include "mime/codepage.h"

namespace {

struct CodePageConverter {
  int nCodePage;
  const char* szName;  // ICU converter name
};

// Sorted by code page for the binary search below.
constexpr CodePageConverter kConverters[] = {
    {37, "ibm-37_P100-1995"},
    {870, "ibm-870_P100-1995"},
    {874, "windows-874-2000"},
    {875, "ibm-875_P100-1995"},
    {936, "windows-936-2000"},
    {949, "windows-949-2000"},
    {950, "windows-950-2000"},
    {1140, "ibm-1140_P100-1997"},
    {1141, "ibm-1141_P100-1997"},
    {1142, "ibm-1142_P100-1997"},
    {1143, "ibm-1143_P100-1997"},
    {1144, "ibm-1144_P100-1997"},
    {1145, "ibm-1145_P100-1997"},
    {1146, "ibm-1146_P100-1997"},
    {1147, "ibm-1147_P100-1997"},
    {1148, "ibm-1148_P100-1997"},
    {1149, "ibm-1149_P100-1997"},
    {1250, "ibm-5346_P100-1998"},
    {1251, "ibm-5347_P100-1998"},
    {1252, "ibm-5348_P100-1997"},
    {1254, "ibm-5350_P100-1998"},
    {1256, "ibm-9448_X100-2005"},
    {1258, "ibm-5354_P100-1998"},
    {10029, "macos-29-10.2"},
    {20273, "ibm-273_P100-1995"},
    {20277, "ibm-277_P100-1995"},
    {20278, "ibm-278_P100-1995"},
    {20280, "ibm-280_P100-1995"},
    {20284, "ibm-284_P100-1995"},
    {20285, "ibm-285_P100-1995"},
    {20290, "ibm-290_P100-1995"},
    {20424, "ibm-424_P100-1995"},
    {20838, "ibm-838_P100-1995"},
    {20866, "ibm-878_P100-1996"},
    {20871, "ibm-871_P100-1995"},
    {21025, "ibm-1025_P100-1995"},
    {28591, "ISO-8859-1"},
    {28592, "ibm-912_P100-1995"},
    {28594, "ibm-914_P100-1995"},
    {28595, "ibm-915_P100-1995"},
    {28599, "ibm-920_P100-1995"},
    {28605, "ibm-923_P100-1998"},
    {50220, "ISO_2022,locale=ja,version=3"},
    {50221, "ISO_2022,locale=ja,version=3"},
    {50225, "ISO_2022,locale=ko,version=0"},
    {50930, "ibm-930_P120-1999"},
    {50931, "ibm-939_P120-1999"},
    {50933, "ibm-933_P110-1995"},
    {50935, "ibm-935_P110-1999"},
    {50937, "ibm-937_P110-1999"},
    {50939, "ibm-939_P120-1999"},
    {51936, "windows-936-2000"},
    {51949, "windows-949-2000"},
    {52936, "HZ"},
    {57002, "ISCII,version=0"},
    {57003, "ISCII,version=1"},
    {57004, "ISCII,version=5"},
    {57005, "ISCII,version=6"},
    {57006, "ISCII,version=1"},
    {57007, "ISCII,version=4"},
    {57008, "ISCII,version=7"},
    {57009, "ISCII,version=8"},
    {57010, "ISCII,version=3"},
    {57011, "ISCII,version=2"},
    {65000, "UTF-7"},
    {65001, "UTF-8"},
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

UConverter* OpenConverter(int codePage) {
  const CodePageConverter* spec = FindConverter(codePage);
  if (!spec) return nullptr;
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(spec->szName, &err);
  if (U_FAILURE(err) || !cnv) return nullptr;
  err = U_ZERO_ERROR;
  ucnv_setToUCallBack(cnv, ToUnicodeReplacement, nullptr, nullptr, nullptr, &err);
  err = U_ZERO_ERROR;
  static const UChar kQuestion = u'?';
  ucnv_setSubstString(cnv, &kQuestion, 1, &err);  // keeps ICU's own substitute on failure
  return cnv;
}

// The calling thread's open converters; closed when the thread ends.
class CConverterCache {
 public:
  ~CConverterCache() {
    for (const Entry& e : m_entries)
      if (e.pConverter) ucnv_close(e.pConverter);
  }
  // The converter for `codePage` (already resolved), or null when it has none.
  UConverter* Get(int codePage) {
    for (const Entry& e : m_entries)
      if (e.nCodePage == codePage) return e.pConverter;
    UConverter* cnv = OpenConverter(codePage);
    m_entries.push_back({codePage, cnv});
    return cnv;
  }

 private:
  struct Entry {
    int nCodePage;
    UConverter* pConverter;
  };
  std::vector<Entry> m_entries;
};

thread_local CConverterCache t_converters;

}  // namespace

bool IsCodePageSupported(int codePage) { return t_converters.Get(ResolveCodePage(codePage)) != nullptr; }

std::u16string MultiByteToWide(int codePage, std::string_view bytes) {
  std::u16string out;
  if (bytes.empty()) return out;
  UConverter* cnv = t_converters.Get(ResolveCodePage(codePage));
  if (!cnv) return out;
  ucnv_resetToUnicode(cnv);
  out.resize(bytes.size() + 16);
  const char* src = bytes.data();
  const char* srcLimit = src + bytes.size();
  size_t written = 0;
  for (;;) {
    UChar* target = reinterpret_cast<UChar*>(out.data()) + written;
    UChar* const targetStart = target;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &target, reinterpret_cast<UChar*>(out.data()) + out.size(), &src, srcLimit, nullptr,
                   true, &err);
    written += static_cast<size_t>(target - targetStart);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(out.size() * 2);
      continue;
    }
    if (U_FAILURE(err)) written = 0;  // the converter gave up: refuse, as for an unknown code page
    break;
  }
  out.resize(written);
  return out;
}

std::string WideToMultiByte(int codePage, std::u16string_view text) {
  std::string out;
  if (text.empty()) return out;
  UConverter* cnv = t_converters.Get(ResolveCodePage(codePage));
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
