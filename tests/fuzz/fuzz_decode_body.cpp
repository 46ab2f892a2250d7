// tagMailItem::DecodeBody with arbitrary body, encodings and content types.
// The input is split at the first three zero bytes into: transfer encoding, content type,
// part type, body.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/charset.h"
#include "scan/mail_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BuildEncodeTable();
  std::string in(reinterpret_cast<const char*>(data), size);
  std::string fields[4];
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t z = in.find('\0', at);
    if (z == std::string::npos) break;
    fields[i] = in.substr(at, z - at);
    at = z + 1;
  }
  fields[3] = in.substr(at);
  tagMailItem m;
  m.strTransferEncoding = fields[0];
  m.strContentType = fields[1];
  m.strPartType = fields[2];
  m.strPartEncoding = fields[0].size() % 2 ? fields[0] : std::string();
  m.strBody = fields[3];
  m.DecodeBody();
  return 0;
}
