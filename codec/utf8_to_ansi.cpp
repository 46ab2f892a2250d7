// UTF-8 text rewritten in the ANSI code page.
#include "codec/utf8_to_ansi.h"

#include "codec/ascii_text.h"
#include "codec/codepage.h"

void Utf8ToAnsiInPlace(std::string& s) {
  std::string ansi = WideToMultiByte(CP_ACP, MultiByteToWide(CP_UTF8, s));
  CutAtZero(ansi);
  if (!ansi.empty()) s = std::move(ansi);
}
