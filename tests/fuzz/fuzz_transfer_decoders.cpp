// Base64 and quoted-printable decoders, and UTF-8 to ANSI, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codec/base64.h"
#include "codec/quoted_printable.h"
#include "codec/utf8_to_ansi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* p = reinterpret_cast<const char*>(data);
  const std::string b = Base64Decode(p, size);
  if (b.size() != Base64DecodedLength(p, size)) std::abort();
  if (b.size() > size) std::abort();
  const std::string q = QuotedPrintableDecode(p, size);
  if (q.size() > size) std::abort();
  std::string s(p, size);
  DecodeBase64InPlace(s);
  s.assign(p, size);
  DecodeQuotedPrintableInPlace(s);
  s.assign(p, size);
  Utf8ToAnsiInPlace(s);
  return 0;
}
