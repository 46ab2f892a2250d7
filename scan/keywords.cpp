#include "scan/keywords.h"

std::string BoundaryValue(std::string_view text, size_t at) {
  if (at >= text.size()) return {};
  if (text[at] == '"') ++at;
  std::string_view v = text.substr(at);
  while (!v.empty() && v.back() == '"') v.remove_suffix(1);
  return std::string(v);
}
