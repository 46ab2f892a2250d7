// The display form of a Date field.
#include <cstdio>
#include <string_view>

#include "mime/ascii_text.h"
#include "mime/decode.h"

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
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d", year, ReadMonth(tokens[1]), ReadNumber(tokens[0]),
                ReadNumber(tokens[3]), ReadNumber(tokens[4]), ReadNumber(tokens[5]));
  value = buf;
}
