#pragma once
// Finds the USB mass-storage disks of the PC: ties every mounted volume to
// the physical disk it lives on, walks the present disk interfaces, keeps
// those whose parent is a USB device and reads the parent's vendor id,
// product id and serial text. Besides its results it only writes
// diagnostic lines to standard output.
//
// Thread safety: Refresh and FindDisks may be called from different
// threads at the same time. Refresh gathers the new lists without holding
// the lock and swaps them in under it; FindDisks copies matching records
// out under the same lock, so a reader sees either the old or the new list,
// never a half-built one. Refreshes are serialised among themselves.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Diagnostics.h"
#include "device/DiskSystem.h"
#include "device/UsbDiskInfo.h"

class COpenDisk {
public:
#ifdef _WIN32
    COpenDisk();  // the machine's own volumes and disks
#endif
    explicit COpenDisk(std::unique_ptr<DiskSystem> system);
    virtual ~COpenDisk();
    COpenDisk(const COpenDisk&) = delete;
    COpenDisk& operator=(const COpenDisk&) = delete;

    // Rebuilds the volume map, then the USB disk list. Blocks for as long
    // as the system queries take.
    void Refresh();

    // Appends to `out`, in enumeration order, a copy of every disk with
    // these ids; with product id 0x121D (the "any disk" model) every USB
    // disk. Does not clear `out`. True when `out` is not empty afterwards.
    bool FindDisks(std::vector<UsbDiskInfo>& out, uint16_t vendorId, uint16_t productId);

    // Where Refresh writes what it found and what failed (standard output
    // unless told otherwise; an empty sink drops the lines). Set before
    // the first Refresh.
    void SetDiagnostics(DiagnosticSink sink);

private:
    using VolumeMap = std::map<uint32_t, VolumeInfo>;

    bool ScanVolumes(VolumeMap& volumes);  // false when the walk could not start
    void ScanUsbDisks(const VolumeMap& volumes, std::vector<UsbDiskInfo>& disks);
    void GetDrivePath(const std::wstring& volumeName, wchar_t (&out)[256]);
    void Diagnose(const std::wstring& line);

    std::unique_ptr<DiskSystem> m_system;
    std::mutex m_refreshMutex;  // one Refresh at a time (the system queries)
    std::mutex m_listMutex;     // guards m_disks and m_volumes
    std::vector<UsbDiskInfo> m_disks;
    VolumeMap m_volumes;
    DiagnosticSink m_diagnostics = WriteDiagnosticLine;
};
