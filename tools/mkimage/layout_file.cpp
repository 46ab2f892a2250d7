#include "tools/mkimage/layout_file.h"

#include <sstream>

namespace mkimage {
namespace {

bool ReadNumber(const std::string& word, uint64_t& out) {
  if (word.empty() || word.size() > 18) return false;
  uint64_t v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + uint64_t(c - '0');
  }
  out = v;
  return true;
}

}  // namespace

bool ParseLayoutFile(const std::string& text, const std::string& folder, LayoutFile& out, std::string* err) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (err) *err = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    Placement placement;
    if (w[0] == "seed") {
      if (w.size() != 2 || !ReadNumber(w[1], out.spec.nSeed)) return fail("seed wants one number");
    } else if (w[0] == "filler") {
      if (w.size() != 2 || !ParseFiller(w[1], out.spec.filler)) return fail("filler is zero, noise or mixed");
    } else if (w[0] == "gap") {
      if (w.size() != 3 || !ReadNumber(w[1], out.spec.nGapMin) || !ReadNumber(w[2], out.spec.nGapMax) ||
          out.spec.nGapMax < out.spec.nGapMin || out.spec.nGapMax > 4096)
        return fail("gap wants two sector counts, smallest first, at most 4096");
    } else if (w[0] == "scatter") {
      if (w.size() != 2 || !ReadNumber(w[1], out.spec.nScatter)) return fail("scatter wants one number");
    } else if (w[0] == "crlf") {
      if (w.size() != 1) return fail("crlf takes nothing");
      out.bCrlf = true;
    } else if (ParsePlacement(w[0], placement)) {
      if (w.size() < 2) return fail(w[0] + " names no message");
      RegionSpec region;
      region.placement = placement;
      for (size_t i = 1; i < w.size(); ++i) {
        region.messages.push_back(out.files.size());
        out.files.push_back(w[i][0] == '/' || folder.empty() ? w[i] : folder + "/" + w[i]);
      }
      out.spec.regions.push_back(region);
    } else {
      return fail("unknown word " + w[0]);
    }
  }
  return true;
}

}  // namespace mkimage
