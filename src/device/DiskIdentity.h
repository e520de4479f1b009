#pragma once
// What identifies a terminal's USB disk across runs, whatever drive letter
// or mount path it has today: the USB device's serial number, else the
// file system's volume serial. Two sticks both mounted as E:\ have
// different identities; a folder that is no disk of its own has none.
#include <cstdint>
#include <string>
#include <vector>

#include "device/UsbDiskInfo.h"

// "1A2B-3C4D", as Windows shows a volume serial number.
std::wstring FormatVolumeSerial(uint32_t serial);

// Whether the text after the last backslash of a USB device's instance id
// is the device's own serial number. For a device without one the system
// makes up an id such as 6&1A2B3C4D&0&1, which changes with the USB port;
// such ids hold '&' and are not serials.
bool IsDeviceSerial(const std::wstring& serial);

// "usb 04CC:1213 5A6B7C" (ids in hex, serial upper case: instance ids are
// case-insensitive) when the disk's USB device has a serial number, else
// "volume 1A2B-3C4D" from its volume serial, else "" (no identity).
std::wstring DiskIdentityOf(const UsbDiskInfo& disk);

// The identity of the disk among `disks` whose mount path is `mountPath`,
// compared as Windows compares paths (case-folded, '/' as '\', with or
// without the trailing backslash); "" when none is mounted there.
std::wstring DiskIdentityAmong(const std::vector<UsbDiskInfo>& disks, const std::wstring& mountPath);

// The identity of the disk mounted at `mountPath` (the command line's
// --usb PATH); "" for a folder that is no disk of its own. Windows: the
// USB disks discovery finds (the recording QUILLON_DISK_RECORDING names,
// when it is set: then only the recording counts), else a volume root's
// own serial (GetVolumeInformationW). Natively: the mount table and sysfs
// (QUILLON_MOUNTS and QUILLON_SYSFS_ROOT in place of /proc/self/mounts and
// /sys; see SysfsDisks_posix.h).
std::wstring DiskIdentityAt(const std::wstring& mountPath);
