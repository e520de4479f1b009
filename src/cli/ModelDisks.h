#pragma once
// The mounted USB disks that carry a model's USB identity, found as the
// window finds them. One implementation per platform: Windows' disk
// discovery (or the recording named by QUILLON_DISK_RECORDING); natively
// sysfs and the mount table (QUILLON_SYSFS_ROOT and QUILLON_MOUNTS in place
// of /sys and /proc/self/mounts).
#include <vector>

#include "device/UsbDiskInfo.h"

std::vector<UsbDiskInfo> FindModelDisks(int modelIndex);
