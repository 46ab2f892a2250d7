#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "source/disk_list.h"

namespace fs = std::filesystem;

namespace {

bool IsExcludedDisk(const std::string& name) {
  static const char* const kPrefixes[] = {"loop", "ram", "zram", "sr", "fd", "md", "dm-"};
  for (const char* p : kPrefixes) {
    if (name.rfind(p, 0) == 0) return true;
  }
  return false;
}

std::string ReadFirstLine(const fs::path& p) {
  std::ifstream in(p);
  std::string line;
  std::getline(in, line);
  return line;
}

// Unescapes the octal escapes (\040 for a blank) of /proc/self/mountinfo.
std::string UnescapeMountPath(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      int v = 0;
      bool ok = true;
      for (size_t k = 1; k <= 3; ++k) {
        if (i + k >= s.size() || s[i + k] < '0' || s[i + k] > '7') {
          ok = false;
          break;
        }
        v = v * 8 + (s[i + k] - '0');
      }
      if (ok) {
        out += static_cast<char>(v);
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

}  // namespace

std::vector<std::string> ListWholeDisks() {
  std::vector<std::string> disks;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/sys/block", ec)) {
    const std::string name = e.path().filename().string();
    if (IsExcludedDisk(name)) continue;
    disks.push_back(name);
  }
  std::sort(disks.begin(), disks.end());
  return disks;
}

std::vector<tagVolumeInfo> ListVolumes() {
  // Labels from /dev/disk/by-label, mount points from /proc/self/mountinfo.
  std::map<std::string, std::string> labels;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/dev/disk/by-label", ec)) {
    const fs::path target = fs::canonical(e.path(), ec);
    if (ec) continue;
    labels[target.filename().string()] = UnescapeMountPath(e.path().filename().string());
  }
  std::map<std::string, std::string> mounts;
  std::ifstream info("/proc/self/mountinfo");
  std::string line;
  while (std::getline(info, line)) {
    std::istringstream ls(line);
    std::string f[5];
    for (auto& x : f) ls >> x;
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream tail(line.substr(dash + 3));
    std::string fstype, source;
    tail >> fstype >> source;
    if (source.rfind("/dev/", 0) != 0) continue;
    const std::string dev = fs::path(source).filename().string();
    if (!mounts.count(dev)) mounts[dev] = UnescapeMountPath(f[4]);
  }

  std::vector<tagVolumeInfo> out;
  for (const auto& disk : ListWholeDisks()) {
    std::vector<std::string> parts;
    for (const auto& e : fs::directory_iterator(fs::path("/sys/block") / disk, ec)) {
      if (fs::exists(e.path() / "partition")) parts.push_back(e.path().filename().string());
    }
    // Partitions in the order of their numbers (0 for one that gives none), each read once.
    std::vector<std::pair<int, std::string>> numbered;
    for (std::string& part : parts) {
      std::string digits = "0";
      digits += ReadFirstLine(fs::path("/sys/block") / disk / part / "partition");
      numbered.emplace_back(std::stoi(digits), std::move(part));
    }
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    parts.clear();
    for (auto& n : numbered) parts.push_back(std::move(n.second));
    for (const auto& p : parts) {
      tagVolumeInfo v;
      v.strName = p;
      if (labels.count(p)) {
        v.strLabel = labels[p];
      } else if (mounts.count(p)) {
        v.strLabel = mounts[p];
      }
      out.push_back(v);
    }
  }
  return out;
}
