#pragma once
// What a user can scan on this machine: whole disks and volumes (partitions).

#include <string>
#include <vector>

// Kernel names of the whole disks, sorted by name, without loop, ram, zram and optical
// devices ("sda", "nvme0n1", ...). Index n is the disk that the source name "HDn" opens.
std::vector<std::string> ListWholeDisks();

struct tagVolumeInfo {
  std::string strName;   // kernel name, the source name that opens it ("sda1")
  std::string strLabel;  // file-system label, else its mount point, else empty
};
// The partitions of the whole disks above, in disk order then partition order.
std::vector<tagVolumeInfo> ListVolumes();
