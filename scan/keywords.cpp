#include "scan/keywords.h"

#include "scan/byte_scan.h"

std::string_view LineValueAt(const char* p) {
  const size_t n = bytescan::FindControl(p, kMaxLineBytes);
  return n < kMaxLineBytes ? std::string_view(p, n) : std::string_view();
}

std::string_view LineTextAt(const char* p) {
  const size_t n = bytescan::FindLineEnd(p, kMaxLineBytes);
  return n < kMaxLineBytes ? std::string_view(p, n) : std::string_view();
}

std::string BoundaryValue(std::string_view text, size_t at) {
  if (at >= text.size()) return {};
  if (text[at] == '"') ++at;
  std::string_view v = text.substr(at);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  return std::string(v);
}
