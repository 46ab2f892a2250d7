#include "scan/block_gap.h"

#include <cstdint>
#include <cstring>

#include "scan/byte_scan.h"

namespace {
// Words searched past a line's own 48 when a search is made anyway: the next few lines then
// find their words known free.
constexpr size_t kSearchAhead = 128;
}  // namespace

void CBlockGapCloser::CloseAt(char*& p, char* q) {
  std::memmove(p + 16, p, static_cast<size_t>(q - p));
  if (q + 16 > m_pWriteMark) m_pWriteMark = q + 16;
  // The bytes moved may form a size word anew, or hide one that was found.
  ForgetSearch();
  p += 16;
}

void CBlockGapCloser::Close(char*& p) {
  char* const a = AlignUp4(p);
  if (const size_t k = bytescan::FindSizeWord(a + 4, 48); k < 48) CloseAt(p, a + 4 * k);
}

void CBlockGapCloser::CloseSearching(char*& p) {
  char* const a = AlignUp4(p);
  // The candidates a + k, k = 0, 4, ..., 188; their size words: the 48 words from a + 4.
  const char* const from = a + 4;
  const bool known = m_pFreeFrom <= from && from <= m_pFreeTo;
  // The words to search: from `start` on, `need` of them belong to this line; `count` are
  // read. The first size word among the line's closes a gap; one further on ends what is
  // known free.
  const char* const start = known ? m_pFreeTo : from;
  const size_t clean = known ? static_cast<size_t>(m_pFreeTo - from) / 4 : 0;
  if (clean >= 48) return;
  const size_t need = 48 - clean;
  const size_t count = (need + kSearchAhead + 7) / 8 * 8;
  const size_t j = bytescan::FindSizeWord(start, count);
  if (j < need) {
    CloseAt(p, a + 4 * (clean + j));
    return;
  }
  if (!known) m_pFreeFrom = from;
  m_pFreeTo = start + 4 * j;
}
