// UTF-8 text rewritten in the ANSI code page.
#include "mime/ascii_text.h"
#include "mime/codepage.h"
#include "mime/decode.h"

void Utf8ToAnsiInPlace(std::string& s) {
  std::string ansi = WideToMultiByte(CP_ACP, MultiByteToWide(CP_UTF8, s));
  CutAtZero(ansi);
  if (!ansi.empty()) s = std::move(ansi);
}
