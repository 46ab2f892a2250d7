#include "scan/block_gap.h"

#include <cstdint>
#include <cstring>

void CloseBlockGap(char*& p) {
  char* const a = p + ((4 - (reinterpret_cast<uintptr_t>(p) & 3)) & 3);
  for (int k = 0; k <= 188; k += 4) {
    char* const q = a + k;
    if (IsBlockHeader(q)) {
      std::memmove(p + 16, p, static_cast<size_t>(q - p));
      p += 16;
      return;
    }
  }
}
