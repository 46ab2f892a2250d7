#include "scan/block_gap.h"

#include <cstdint>
#include <cstring>

#include "scan/byte_scan.h"

namespace {
thread_local const char* t_pGapWriteMark = nullptr;
thread_local unsigned long long t_nGaps = 0;  // gap closings made on this thread

// The bytes from p up to the header at q move forward over it.
void Close(char*& p, char* q) {
  std::memmove(p + 16, p, static_cast<size_t>(q - p));
  if (q + 16 > t_pGapWriteMark) t_pGapWriteMark = q + 16;
  ++t_nGaps;
  p += 16;
}
}  // namespace

const char* GapWriteMark() { return t_pGapWriteMark; }
void ResetGapWriteMark() { t_pGapWriteMark = nullptr; }

void CloseBlockGap(char*& p) {
  tagGapSearch fresh;  // nothing known: all 48 words are searched
  CloseBlockGap(p, fresh);
}

void CloseBlockGap(char*& p, tagGapSearch& search) {
  char* const a = p + ((4 - (reinterpret_cast<uintptr_t>(p) & 3)) & 3);
  // The candidates a + k, k = 0, 4, ..., 188; their size words: the 48 words from a + 4.
  const char* const from = a + 4;
  const char* const to = from + 4 * 48;
  size_t k = 48;
  const bool known = search.nGaps == t_nGaps && search.pFrom <= from && from <= search.pTo;
  if (known) {
    // Only the words after those known to be free; a few more are read, never more than a
    // line's bytes, and a header among them does not count.
    const size_t clean = static_cast<size_t>(search.pTo - from) / 4;
    if (clean < 48) {
      const size_t rest = 48 - clean;
      const size_t j = bytescan::FindSizeWord(search.pTo, (rest + 7) / 8 * 8);
      if (j < rest) k = clean + j;
    }
  } else {
    k = bytescan::FindSizeWord(from, 48);
  }
  if (k < 48) {
    Close(p, a + 4 * k);
    return;
  }
  if (known) {
    if (to > search.pTo) search.pTo = to;
  } else {
    search = {from, to, t_nGaps};
  }
}
