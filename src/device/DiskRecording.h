#pragma once
// A recorded machine kept in a text file, so that the running program (its
// demo and its whole-program tests) can find terminal disks without USB
// hardware. One USB disk per line:
//
//     usb VID PID SERIAL [VOLUME-SERIAL] MOUNT-PATH
//
// VID and PID in hex (04CC 1213), the serial without blanks (the end of the
// USB device's instance id: one the system made up, such as 6&1A2B&0&1,
// for a device without a serial number), the volume's serial number when
// known (1A2B-3C4D, as Windows shows it), the mount path the rest of the
// line (a drive root "E:\" or any folder ending in "\").
// Empty lines and lines starting with "#" are ignored. The file is read
// again at the start of every volume walk, so a test can "plug in" or
// "remove" a disk by rewriting it and sending the window a volume change.
#include <memory>
#include <string>

#include "device/DiskSystem.h"
#include "device/RecordedDiskSystem.h"

// The environment variable that names a recording; without it the program
// queries the real machine.
extern const char kDiskRecordingVariable[];  // "QUILLON_DISK_RECORDING"

// Parses the text of a recording. Lines that do not parse are skipped and
// counted in *skipped (when given).
RecordedMachine ParseDiskRecording(const std::string& text, int* skipped = nullptr);

// A DiskSystem over the recording in `path` (UTF-16 path, backslashes). A
// file that cannot be read is a machine without USB disks.
std::unique_ptr<DiskSystem> MakeRecordingFileDiskSystem(const std::wstring& path);
