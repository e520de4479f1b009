#pragma once
// Fixed-size records of one volume and one USB disk, copied by value.
#include <cstdint>

// A product id that makes disk discovery list every USB disk, whatever
// its ids (the model M2480 asks for it).
constexpr uint16_t kAnyUsbDiskProductId = 0x121D;

struct VolumeInfo {
    wchar_t szVolumeName[256];  // \\?\Volume{...} without the trailing backslash
    wchar_t szDrivePath[256];   // first mount path such as E:\ ; empty when none
    uint32_t dwDiskNumber;      // 0xFFFFFFFF when no number was obtained
    // The file system's volume serial as Windows shows it ("1A2B-3C4D");
    // natively the volume's /dev/disk/by-uuid name (the same text for FAT).
    // Empty when it could not be read.
    wchar_t szVolumeSerial[40];
};

struct UsbDiskInfo {
    VolumeInfo volume;
    uint16_t wProductId;
    uint16_t wVendorId;
    wchar_t szSerial[256];  // text after the last backslash of the parent USB id
};

constexpr uint32_t kNoDiskNumber = 0xFFFFFFFFu;
