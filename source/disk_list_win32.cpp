#include <windows.h>

#include "source/disk.h"
#include "source/disk_list.h"

std::vector<std::string> ListWholeDisks() {
  std::vector<std::string> out;
  for (int n = 0; n < 8; ++n) out.push_back("PHYSICALDRIVE" + std::to_string(n));
  return out;
}

std::vector<tagVolumeInfo> ListVolumes() {
  std::vector<tagVolumeInfo> out;
  DWORD mask = GetLogicalDrives() >> 2;
  for (char letter = 'C'; mask != 0 && letter <= 'Z'; ++letter, mask >>= 1) {
    if (!(mask & 1)) continue;
    const char root[4] = {letter, ':', '\\', 0};
    const UINT type = GetDriveTypeA(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) continue;
    char label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationA(root, label, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0)) continue;
    out.push_back({std::string{letter, ':'}, label});
  }
  return out;
}
