// DecodeHeaderValue and DecodeHeaderPiece on arbitrary header values.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/charset.h"
#include "codec/header_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BuildEncodeTable();
  std::string value(reinterpret_cast<const char*>(data), size);
  std::string copy = value;
  DecodeHeaderValue(value);
  DecodeHeaderPiece(copy);
  // Decoding the cleaned value again must be as safe as the first time.
  DecodeHeaderValue(value);
  return 0;
}
