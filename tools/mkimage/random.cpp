#include "tools/mkimage/random.h"

#include <cstring>

namespace mkimage {

std::string CRandom::Noise(size_t length) {
  std::string out(length, '\0');
  for (size_t i = 0; i < length; i += 8) {
    const uint64_t v = Next();
    for (size_t j = 0; j < 8 && i + j < length; ++j) out[i + j] = char(v >> (8 * j));
  }
  static const char kMark[] = "received: ";
  const size_t n = std::strlen(kMark);
  for (size_t i = 0; i + n <= length; ++i) {
    size_t k = 0;
    while (k < n && (out[i + k] | (k < 8 ? 0x20 : 0)) == kMark[k]) ++k;
    if (k == n) out[i] = 'X';
  }
  return out;
}

}  // namespace mkimage
