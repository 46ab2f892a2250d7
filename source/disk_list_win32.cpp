// Windows: the physical drives are \\.\PHYSICALDRIVE0 to 7, the volumes the drive letters
// from C: on that are fixed or removable and carry a file system.

#include <windows.h>

#include "source/disk_list.h"
#include "source/utf.h"

// PHYSICALDRIVE0 to PHYSICALDRIVE7 whether present or not, so that index n stays the
// disk "HDn" opens; whoever lists them probes each and leaves out those that do not open.
std::vector<std::string> ListWholeDisks() {
  std::vector<std::string> out;
  for (int n = 0; n < 8; ++n) out.push_back("PHYSICALDRIVE" + std::to_string(n));
  return out;
}

std::vector<tagVolumeInfo> ListVolumes() {
  std::vector<tagVolumeInfo> out;
  DWORD mask = GetLogicalDrives() >> 2;  // A: and B: are floppy letters, never listed
  for (wchar_t letter = L'C'; mask != 0 && letter <= L'Z'; ++letter, mask >>= 1) {
    if (!(mask & 1)) continue;
    const wchar_t name[3] = {letter, L':', 0};
    const wchar_t root[4] = {letter, L':', L'\\', 0};
    const UINT type = GetDriveTypeW(name);
    if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) continue;
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) continue;
    const std::u16string label16(label, label + wcslen(label));
    out.push_back({std::string{static_cast<char>(letter), ':'}, U16ToUtf8(label16)});
  }
  return out;
}
