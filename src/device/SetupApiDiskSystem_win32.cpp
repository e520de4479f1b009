#include "device/SetupApiDiskSystem.h"

// clang-format off
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>
// clang-format on

#include <vector>

#include "device/OpenDisk.h"

namespace {

// {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}
const GUID kDiskInterfaceClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

class SetupApiDiskSystem : public DiskSystem {
public:
    ~SetupApiDiskSystem() override {
        CloseVolumeWalk();
        CloseDiskInterfaces();
    }

    uint32_t FirstVolume(std::wstring* name) override {
        wchar_t buffer[MAX_PATH] = {};
        m_volumeWalk = FindFirstVolumeW(buffer, MAX_PATH);
        if (m_volumeWalk == INVALID_HANDLE_VALUE) return GetLastError();
        *name = buffer;
        return 0;
    }

    uint32_t NextVolume(std::wstring* name) override {
        wchar_t buffer[MAX_PATH] = {};
        if (!FindNextVolumeW(m_volumeWalk, buffer, MAX_PATH)) return GetLastError();
        *name = buffer;
        return 0;
    }

    void CloseVolumeWalk() override {
        if (m_volumeWalk != INVALID_HANDLE_VALUE) FindVolumeClose(m_volumeWalk);
        m_volumeWalk = INVALID_HANDLE_VALUE;
    }

    uint32_t QueryDosTarget(const std::wstring& deviceName) override {
        wchar_t target[MAX_PATH];
        return QueryDosDeviceW(deviceName.c_str(), target, MAX_PATH) ? 0 : GetLastError();
    }

    uint32_t VolumePathNames(const std::wstring& volumeName, wchar_t* buffer, uint32_t length,
                             uint32_t* needed) override {
        DWORD returned = 0;
        if (GetVolumePathNamesForVolumeNameW(volumeName.c_str(), buffer, length, &returned)) return 0;
        *needed = returned;
        return GetLastError();
    }

    bool VolumeSerial(const std::wstring& volumeName, uint32_t* serial) override {
        DWORD number = 0;
        if (!GetVolumeInformationW(volumeName.c_str(), nullptr, 0, &number, nullptr, nullptr, nullptr, 0))
            return false;
        *serial = number;
        return true;
    }

    bool DeviceNumber(const std::wstring& path, uint32_t* number) override {
        HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        STORAGE_DEVICE_NUMBER answer{};
        DWORD returned = 0;
        BOOL ok = DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &answer, sizeof answer, &returned,
                                  nullptr);
        CloseHandle(h);
        if (!ok) return false;
        *number = answer.DeviceNumber;
        return true;
    }

    bool OpenDiskInterfaces() override {
        CloseDiskInterfaces();
        m_interfaces = SetupDiGetClassDevsW(&kDiskInterfaceClass, nullptr, nullptr,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        return m_interfaces != INVALID_HANDLE_VALUE;
    }

    InterfaceStatus DiskInterface(uint32_t index, std::wstring* devicePath, std::wstring* parentId) override {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(m_interfaces, nullptr, &kDiskInterfaceClass, index, &data))
            return InterfaceStatus::End;

        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(m_interfaces, &data, nullptr, 0, &size, &device);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return InterfaceStatus::Unreadable;
        std::vector<unsigned char> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(m_interfaces, &data, detail, size, nullptr, &device))
            return InterfaceStatus::Unreadable;
        *devicePath = detail->DevicePath;

        parentId->clear();
        DEVINST parent = 0;
        wchar_t id[1024] = {};
        if (CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS &&
            CM_Get_Device_IDW(parent, id, 1024, 0) == CR_SUCCESS)
            *parentId = id;
        return InterfaceStatus::Found;
    }

    void CloseDiskInterfaces() override {
        if (m_interfaces != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(m_interfaces);
        m_interfaces = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_volumeWalk = INVALID_HANDLE_VALUE;
    HDEVINFO m_interfaces = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<DiskSystem> CreateSetupApiDiskSystem() { return std::make_unique<SetupApiDiskSystem>(); }

COpenDisk::COpenDisk() : COpenDisk(CreateSetupApiDiskSystem()) {}
