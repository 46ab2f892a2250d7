#pragma once
// Gap closing for Outlook Express .dbx stores, which keep a message's text in 512-byte
// blocks, each preceded by a 16-byte block header whose second little-endian 32-bit word is
// the block size 0x200.
//
// Alignment: a position's alignment in memory is taken as its alignment in the source, so
// the bytes handed to these functions must start at a multiple of 4 in memory wherever the
// source offset is one (the scan buffer's chunks start at a sector boundary and are
// 16-byte aligned).

#include <cstdint>

// The first multiple of 4 from p on: where the candidates for a header start.
inline const char* AlignUp4(const char* p) { return p + ((4 - (reinterpret_cast<uintptr_t>(p) & 3)) & 3); }
inline char* AlignUp4(char* p) { return const_cast<char*>(AlignUp4(static_cast<const char*>(p))); }

// True when a block header stands at q: the bytes q[5], q[6], q[7] are 0x02, 0x00, 0x00
// (the upper three bytes of the size word; its low byte is not looked at).
inline bool IsBlockHeader(const char* q) { return q[5] == 0x02 && q[6] == 0x00 && q[7] == 0x00; }

// Gap closing over one buffer, with what it remembers: how far it has written (the bytes
// after that are still as read) and which words its searches found free of block headers.
// Lines follow each other closely, so the 192 bytes searched for one line mostly overlap
// those searched for the line before; when more must be searched, the search runs a few
// hundred bytes further, and the lines that follow need no search at all until they come
// near a header or the end of what was searched. Any gap closed forgets that. One walk's,
// on one thread; NewBuffer when the bytes under it change place (a new chunk).
class CBlockGapCloser {
 public:
  // When a block header starts at one of the 48 multiples of 4 from p (rounded up) on, moves
  // the bytes from p up to that header forward by 16 so that they end where the header
  // ends, and advances p by 16: the line at p then continues without the gap. The 16 bytes
  // before the new p keep stale contents. Nothing changes when no header is found. Reads up
  // to 198 bytes from p and writes inside that range.
  void Close(char*& p);
  // Close, using and extending what earlier searches found free of headers. Reads up to
  // 1 KiB from p.
  void CloseRemembering(char*& p) {
    if (!Covers(p)) CloseSearching(p);
  }
  // True when the 48 words that gap closing would search for a line at p are known to be
  // free of block headers: CloseRemembering(p) would then do nothing.
  bool Covers(const char* p) const {
    const char* const from = AlignUp4(p) + 4;
    return m_pFreeFrom <= from && from + 4 * 48 <= m_pFreeTo;
  }
  // The end of the furthest bytes written since NewBuffer (null when none): the bytes from
  // there on are still as they were read.
  const char* WriteMark() const { return m_pWriteMark; }
  // Forgets the write mark and what was found free.
  void NewBuffer() {
    m_pWriteMark = nullptr;
    ForgetSearch();
  }

 private:
  void CloseSearching(char*& p);
  // The bytes from p up to the header at q move forward over it.
  void CloseAt(char*& p, char* q);
  void ForgetSearch() { m_pFreeFrom = m_pFreeTo = nullptr; }

  const char* m_pFreeFrom = nullptr;  // the 4-byte words from here ...
  const char* m_pFreeTo = nullptr;    // ... to here hold no block header's size word
  const char* m_pWriteMark = nullptr;
};
