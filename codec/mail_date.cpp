// The display form of a Date field.
#include "codec/mail_date.h"

#include <string_view>

#include "codec/ascii_text.h"

namespace {

// The decimal number at the start of `token` (after white space and a sign), or 0.
int ReadNumber(std::string_view token) {
  size_t i = 0;
  while (i < token.size() && IsSpace8(token[i])) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  long long v = 0;
  while (i < token.size() && token[i] >= '0' && token[i] <= '9') {
    if (v < 100000000) v = v * 10 + (token[i] - '0');
    ++i;
  }
  return static_cast<int>(negative ? -v : v);
}

// 1 to 12 for "JAN" to "DEC" in any case; 1 for anything else.
int ReadMonth(std::string_view token) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (token.size() != 3) return 1;
  for (int m = 0; m < 12; ++m) {
    if (AsciiUpper(token[0]) == kMonths[m][0] && AsciiUpper(token[1]) == kMonths[m][1] &&
        AsciiUpper(token[2]) == kMonths[m][2])
      return m + 1;
  }
  return 1;
}

// Writes v in decimal at out as printf's "%0*d" with that width would (the sign counts
// towards the width); returns the end.
char* AppendNumber(char* out, int v, int width) {
  char digits[12];
  int n = 0;
  unsigned magnitude = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (v < 0) *out++ = '-';
  for (int pad = width - n - (v < 0 ? 1 : 0); pad > 0; --pad) *out++ = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

}  // namespace

void FormatMailDate(std::string& value) {
  size_t start = 0;  // the first digit (a plain loop: find_first_of searches the set per byte)
  while (start < value.size() && !(value[start] >= '0' && value[start] <= '9')) ++start;
  if (start == value.size()) return;

  // Day, month, year, hour, minute, second: tokens between spaces, commas and colons.
  std::string_view tokens[6];
  int count = 0;
  const std::string_view text(value);
  size_t tokenStart = start;
  for (size_t i = start; i <= text.size() && count < 6; ++i) {
    if (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != ':') continue;
    if (i > tokenStart) tokens[count++] = text.substr(tokenStart, i - tokenStart);
    tokenStart = i + 1;
  }

  const int year = ReadNumber(tokens[2]);
  if (year < 1991 || year > 2049) return;
  // "%d-%02d-%02d %02d:%02d:%02d", written by hand: this runs for every message a scan finds.
  char buf[96];
  char* out = buf;
  out = AppendNumber(out, year, 1);
  *out++ = '-';
  out = AppendNumber(out, ReadMonth(tokens[1]), 2);
  *out++ = '-';
  out = AppendNumber(out, ReadNumber(tokens[0]), 2);
  *out++ = ' ';
  out = AppendNumber(out, ReadNumber(tokens[3]), 2);
  *out++ = ':';
  out = AppendNumber(out, ReadNumber(tokens[4]), 2);
  *out++ = ':';
  out = AppendNumber(out, ReadNumber(tokens[5]), 2);
  value.assign(buf, static_cast<size_t>(out - buf));
}
