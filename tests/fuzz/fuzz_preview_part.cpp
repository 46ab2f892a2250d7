// ExtractPreviewPart at an arbitrary position with each end marker, and the whole preview
// rendering of the same text. The first two input bytes give the position, the third
// picks the end marker; the rest is the message text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codec/charset.h"
#include "mail/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  BuildEncodeTable();
  const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const size_t pos = (static_cast<size_t>(data[0]) << 8 | data[1]) % (text.size() + 2);
  static constexpr std::string_view kMarkers[] = {"</html>", "", "\r\n", "--"};
  std::string part;
  ExtractPreviewPart(text, lower, pos, kMarkers[data[2] % 4], part);
  // A lower-case copy of the wrong length is refused, never read past.
  ExtractPreviewPart(text, lower.substr(0, lower.size() / 2), pos, kMarkers[0], part);
  RenderMailPreview(text, std::string(reinterpret_cast<const char*>(data), 3));
  return 0;
}
