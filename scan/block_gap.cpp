#include "scan/block_gap.h"

#include <cstdint>
#include <cstring>

#include "scan/byte_scan.h"

namespace {
thread_local const char* t_pGapWriteMark = nullptr;
}  // namespace

const char* GapWriteMark() { return t_pGapWriteMark; }
void ResetGapWriteMark() { t_pGapWriteMark = nullptr; }

void CloseBlockGap(char*& p) {
  char* const a = p + ((4 - (reinterpret_cast<uintptr_t>(p) & 3)) & 3);
  // The candidates a + k, k = 0, 4, ..., 188: the size word at a + k + 4.
  const size_t k = bytescan::FindSizeWord(a + 4, 48);
  if (k == 48) return;
  char* const q = a + 4 * k;
  std::memmove(p + 16, p, static_cast<size_t>(q - p));
  if (q + 16 > t_pGapWriteMark) t_pGapWriteMark = q + 16;
  p += 16;
}
