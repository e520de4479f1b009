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
//
// A volume's serial is the name of its link in disk/by-uuid of the dev
// folder beside the sysfs root (/dev beside /sys; a recorded tree R/sys has
// R/dev): the link whose target's last part is the mounted device (sdb1).
// For FAT that name is the volume serial as Windows shows it (1A2B-3C4D).
#include <cstdint>
#include <string>
#include <vector>

#include "device/UsbDiskInfo.h"

struct SysfsPaths {
    std::string sysfsRoot = "/sys";
    std::string mountsFile = "/proc/self/mounts";
};

// QUILLON_SYSFS_ROOT and QUILLON_MOUNTS, when set and not empty, in place
// of /sys and /proc/self/mounts.
SysfsPaths SysfsPathsFromEnvironment();

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
// device (/dev/sdb1), volume.dwDiskNumber = kNoDiskNumber,
// volume.szVolumeSerial (empty when there is no by-uuid link), the ids and
// the serial. Does not clear `out`; true when `out` is not empty afterwards.
bool FindSysfsUsbDisks(std::vector<UsbDiskInfo>& out, uint16_t vendorId, uint16_t productId,
                       const SysfsPaths& paths = SysfsPaths());

// DiskIdentityOf the disk whose mount path is `mountPath` (resolved with
// realpath when it exists, trailing '/' ignored): the last line of the
// mount table for that path (a later mount hides an earlier one) names the
// device, sysfs its USB ids and serial (when it sits on a USB device), the
// by-uuid links its volume serial. "" when no line mounts that very path
// (a folder inside a disk is no disk of its own) or nothing identifies it.
std::wstring SysfsDiskIdentityAt(const std::string& mountPath, const SysfsPaths& paths = SysfsPaths());
