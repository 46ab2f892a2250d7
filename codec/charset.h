#pragma once
// The charset table: charset names as mail declares them, mapped to Windows code pages.

#include <string>
#include <string_view>
#include <vector>

struct tagEncodeType {
  std::string strCharset;  // lower case
  int nCodePage = 0;       // 0 is the ANSI code page

  // Decoded 8-bit body text to UTF-16 in this row's code page (empty for 0 or 1 byte).
  std::u16string ConvertText(const std::string& text) const;
  // One encoded word "=?charset?B?...?=" or "=?charset?Q?...?=" of this row's charset.
  std::u16string DecodeWord(const std::string& word) const;
};

// The 119 rows, in order. Filled by BuildEncodeTable; read-only afterwards.
extern std::vector<tagEncodeType> g_EncodeTypes;

// Fills g_EncodeTypes once; later calls (from any thread) do nothing.
void BuildEncodeTable();

// First row whose name begins with `value` (already trimmed and lower-cased); null if none
// or when `value` is empty.
const tagEncodeType* FindBodyEncodeType(std::string_view value);
// First row whose name stands right after the "=?" of `word` (ASCII case ignored); null if none.
const tagEncodeType* FindWordEncodeType(std::string_view word);
