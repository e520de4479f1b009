#pragma once
// USB disk discovery of the native (Linux) build: the kernel's sysfs tree
// and the mount table instead of SetupAPI and the volume walk. A disk counts
// when
//   * <sysfs>/block/<disk>/device, resolved through its symlinks, has an
//     ancestor below <sysfs>/devices that is a USB device (it holds the
//     files idVendor and idProduct; serial is read when it is there);
//   * its ids are the ones asked for (product 0x121D: every USB disk, as
//     COpenDisk::FindDisks does on Windows);
//   * /dev/<disk> or one of its partitions (/dev/<partition>, a folder of
//     the disk's sysfs folder holding a "partition" file) is in the mount
//     table; the first such line of the table gives the mount path.
// Mount paths are read with the table's octal escapes (\040 is a blank).
// Records come sorted by block device name.
#include <cstdint>
#include <string>
#include <vector>

#include "device/UsbDiskInfo.h"

struct SysfsPaths {
    std::string sysfsRoot = "/sys";
    std::string mountsFile = "/proc/self/mounts";
};

// One line of a mount table, escapes undone.
struct MountEntry {
    std::string device;  // e.g. /dev/sdb1
    std::string path;    // e.g. /media/op/TERMINAL DISK
};

// Reads a mount table's text (the format of /proc/self/mounts).
std::vector<MountEntry> ParseMountTable(const std::string& text);
// Undoes the octal escapes \ooo of a mount table field.
std::string UnescapeMountField(const std::string& field);

// Appends to `out` a record per matching mounted USB disk:
// volume.szDrivePath = the mount path with a trailing '/' (empty when it
// does not fit the field, as on Windows), volume.szVolumeName = the mounted
// device (/dev/sdb1), volume.dwDiskNumber = kNoDiskNumber, the ids and the
// serial. Does not clear `out`; true when `out` is not empty afterwards.
bool FindSysfsUsbDisks(std::vector<UsbDiskInfo>& out, uint16_t vendorId, uint16_t productId,
                       const SysfsPaths& paths = SysfsPaths());
