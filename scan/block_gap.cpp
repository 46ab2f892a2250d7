#include "scan/block_gap.h"

#include <cstdint>
#include <cstring>

#include "scan/byte_scan.h"

namespace blockgap_detail {
thread_local unsigned long long t_nGaps = 0;
}  // namespace blockgap_detail

namespace {
using blockgap_detail::t_nGaps;
thread_local const char* t_pGapWriteMark = nullptr;

// Words searched past a line's own 48 when a search is made anyway: the next few lines then
// find their words known free.
constexpr size_t kSearchAhead = 128;

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
  char* const a = AlignUp4(p);
  if (const size_t k = bytescan::FindSizeWord(a + 4, 48); k < 48) Close(p, a + 4 * k);
}

void blockgap_detail::CloseBlockGapSearching(char*& p, tagGapSearch& search) {
  char* const a = AlignUp4(p);
  // The candidates a + k, k = 0, 4, ..., 188; their size words: the 48 words from a + 4.
  const char* const from = a + 4;
  const bool known = search.nGaps == t_nGaps && search.pFrom <= from && from <= search.pTo;
  // The words to search: from `start` on, `need` of them belong to this line; `count` are
  // read. The first size word among the line's closes a gap; one further on ends what is
  // known free.
  const char* const start = known ? search.pTo : from;
  const size_t clean = known ? static_cast<size_t>(search.pTo - from) / 4 : 0;
  if (clean >= 48) return;
  const size_t need = 48 - clean;
  const size_t count = (need + kSearchAhead + 7) / 8 * 8;
  const size_t j = bytescan::FindSizeWord(start, count);
  if (j < need) {
    Close(p, a + 4 * (clean + j));
    return;
  }
  if (!known) search.pFrom = from;
  search.pTo = start + 4 * j;
  search.nGaps = t_nGaps;
}
