#pragma once
// A machine described in data, for tests of disk discovery and of anything
// that needs a terminal disk without real USB hardware. A volume's mount
// path may be any folder, so a test can hand the upgrade run a "terminal
// disk" that is a folder of its own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/DiskSystem.h"
#include "device/UsbDiskInfo.h"

struct RecordedVolume {
    std::wstring name;                     // as the walk returns it, e.g. \\?\Volume{1}\ .
    std::vector<std::wstring> mountPaths;  // e.g. {L"E:\\"}; empty: no drive letter
    uint32_t diskNumber = kNoDiskNumber;   // kNoDiskNumber: cannot be opened or answered
    uint32_t queryDosDeviceError = 0;      // non-zero: QueryDosDeviceW fails with it
    std::optional<uint32_t> volumeSerial = std::nullopt;  // none: GetVolumeInformationW fails
};

struct RecordedDiskInterface {
    std::wstring devicePath;              // \\?\usbstor#disk&...
    std::wstring parentId;                // e.g. USB\VID_04CC&PID_1213\5A6B7C
    uint32_t diskNumber = kNoDiskNumber;  // kNoDiskNumber: cannot be opened or answered
    bool unreadable = false;              // its interface detail cannot be read
};

struct RecordedMachine {
    uint32_t firstVolumeError = 0;                // non-zero: FindFirstVolumeW fails
    uint32_t volumeWalkEndError = kErrorNoMoreFiles;  // how FindNextVolumeW ends
    bool diskInterfacesUnavailable = false;       // SetupDiGetClassDevsW fails
    std::vector<RecordedVolume> volumes;
    std::vector<RecordedDiskInterface> disks;

    // Adds a USB disk with one volume mounted at `mountPath` (a drive root or
    // any folder ending in a backslash); returns its disk number. `serial`
    // ends the parent's instance id (one the system made up, such as
    // 6&1A2B3C4D&0&1, for a device without a serial number).
    uint32_t AddUsbDisk(const std::wstring& mountPath, uint16_t vendorId, uint16_t productId,
                        const std::wstring& serial, std::optional<uint32_t> volumeSerial = std::nullopt);
};

class RecordedDiskSystem : public DiskSystem {
public:
    explicit RecordedDiskSystem(RecordedMachine machine) : m_machine(std::move(machine)) {}

    uint32_t FirstVolume(std::wstring* name) override;
    uint32_t NextVolume(std::wstring* name) override;
    void CloseVolumeWalk() override;
    uint32_t QueryDosTarget(const std::wstring& deviceName) override;
    uint32_t VolumePathNames(const std::wstring& volumeName, wchar_t* buffer, uint32_t length,
                             uint32_t* needed) override;
    bool VolumeSerial(const std::wstring& volumeName, uint32_t* serial) override;
    bool DeviceNumber(const std::wstring& path, uint32_t* number) override;
    bool OpenDiskInterfaces() override;
    InterfaceStatus DiskInterface(uint32_t index, std::wstring* devicePath, std::wstring* parentId) override;
    void CloseDiskInterfaces() override;

    // How often each interface index was asked for (tests of the walk).
    uint32_t InterfacesAsked() const { return m_interfacesAsked; }
    bool VolumeWalkOpen() const { return m_volumeWalkOpen; }

private:
    const RecordedVolume* FindVolume(const std::wstring& nameWithoutSlash) const;

    RecordedMachine m_machine;
    size_t m_nextVolume = 0;
    bool m_volumeWalkOpen = false;
    uint32_t m_interfacesAsked = 0;
};
