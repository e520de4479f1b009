#pragma once
// The system queries disk discovery needs, behind an interface: the real
// machine's volumes and SetupAPI disk interfaces on Windows
// (SetupApiDiskSystem), or a recorded machine in tests (RecordedDiskSystem).
// Error values are Windows system error codes; 0 means success.
#include <cstdint>
#include <string>

constexpr uint32_t kErrorNoMoreFiles = 18;  // ERROR_NO_MORE_FILES
constexpr uint32_t kErrorMoreData = 234;    // ERROR_MORE_DATA

class DiskSystem {
public:
    virtual ~DiskSystem() = default;

    // Volume walk (FindFirstVolumeW / FindNextVolumeW / FindVolumeClose).
    // Names come as the system gives them, \\?\Volume{...}\ when well formed.
    virtual uint32_t FirstVolume(std::wstring* name) = 0;
    virtual uint32_t NextVolume(std::wstring* name) = 0;  // kErrorNoMoreFiles at the end
    virtual void CloseVolumeWalk() = 0;

    // QueryDosDeviceW on "Volume{...}" (no prefix, no trailing backslash).
    virtual uint32_t QueryDosTarget(const std::wstring& deviceName) = 0;

    // GetVolumePathNamesForVolumeNameW: a list of NUL-terminated strings
    // ending with an extra NUL. kErrorMoreData with *needed set when
    // `length` is too small.
    virtual uint32_t VolumePathNames(const std::wstring& volumeName, wchar_t* buffer, uint32_t length,
                                     uint32_t* needed) = 0;

    // GetVolumeInformationW's volume serial number of a volume
    // (\\?\Volume{...}\ with its trailing backslash); false when unreadable.
    virtual bool VolumeSerial(const std::wstring& volumeName, uint32_t* serial) = 0;

    // Opens `path` (a volume or a disk interface) with no access rights and
    // asks IOCTL_STORAGE_GET_DEVICE_NUMBER; false when either step fails.
    virtual bool DeviceNumber(const std::wstring& path, uint32_t* number) = 0;

    // Present disk interfaces (GUID_DEVINTERFACE_DISK). `parentId` is the
    // device instance id of the interface's parent device (CM_Get_Parent),
    // empty when it cannot be read.
    enum class InterfaceStatus { Found, Unreadable, End };
    virtual bool OpenDiskInterfaces() = 0;
    virtual InterfaceStatus DiskInterface(uint32_t index, std::wstring* devicePath, std::wstring* parentId) = 0;
    virtual void CloseDiskInterfaces() = 0;
};
