// FormatMailDate and FindNoCase on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codec/find_no_case.h"
#include "codec/mail_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  FormatMailDate(s);
  const size_t half = size / 2;
  const std::string_view text(reinterpret_cast<const char*>(data), half);
  const std::string_view pattern(reinterpret_cast<const char*>(data) + half, size - half);
  const ptrdiff_t at = FindNoCase(text, pattern);
  if (at >= 0 && static_cast<size_t>(at) + pattern.size() > text.size()) std::abort();
  return 0;
}
