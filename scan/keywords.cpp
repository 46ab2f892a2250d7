#include "scan/keywords.h"

namespace {

inline unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

bool MatchKeyword(const char* p, const char* keyword, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(p[i]);
    if (c == 0 || FoldAscii(c) != FoldAscii(static_cast<unsigned char>(keyword[i]))) return false;
  }
  return true;
}

std::string_view LineValueAt(const char* p) {
  for (size_t i = 0; i < kMaxLineBytes; ++i) {
    if (static_cast<unsigned char>(p[i]) < 0x0E) return std::string_view(p, i);
  }
  return {};
}

std::string_view LineTextAt(const char* p) {
  for (size_t i = 0; i < kMaxLineBytes; ++i) {
    const char c = p[i];
    if (c == '\0' || c == '\r' || c == '\n') return std::string_view(p, i);
  }
  return {};
}


std::string BoundaryValue(std::string_view text, size_t at) {
  if (at >= text.size()) return {};
  if (text[at] == '"') ++at;
  std::string_view v = text.substr(at);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  return std::string(v);
}
