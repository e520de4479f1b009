#include "device/RecordedDiskSystem.h"

#include <algorithm>

namespace {

std::wstring WithoutTrailingSlash(const std::wstring& s) {
    return !s.empty() && s.back() == L'\\' ? s.substr(0, s.size() - 1) : s;
}

}  // namespace

uint32_t RecordedMachine::AddUsbDisk(const std::wstring& mountPath, uint16_t vendorId, uint16_t productId,
                                     const std::wstring& serial, std::optional<uint32_t> volumeSerial) {
    uint32_t number = 0;
    for (const RecordedVolume& v : volumes)
        if (v.diskNumber != kNoDiskNumber) number = std::max(number, v.diskNumber + 1);
    for (const RecordedDiskInterface& d : disks)
        if (d.diskNumber != kNoDiskNumber) number = std::max(number, d.diskNumber + 1);

    wchar_t ids[32];
    swprintf(ids, sizeof ids / sizeof ids[0], L"VID_%04X&PID_%04X", vendorId, productId);
    std::wstring n = std::to_wstring(number);
    volumes.push_back({L"\\\\?\\Volume{recorded-" + n + L"}\\", {mountPath}, number, 0, volumeSerial});
    disks.push_back({L"\\\\?\\usbstor#disk&recorded#" + n, L"USB\\" + std::wstring(ids) + L"\\" + serial, number,
                     false});
    return number;
}

uint32_t RecordedDiskSystem::FirstVolume(std::wstring* name) {
    if (m_machine.firstVolumeError != 0) return m_machine.firstVolumeError;
    if (m_machine.volumes.empty()) return kErrorNoMoreFiles;
    m_volumeWalkOpen = true;
    m_nextVolume = 1;
    *name = m_machine.volumes[0].name;
    return 0;
}

uint32_t RecordedDiskSystem::NextVolume(std::wstring* name) {
    if (m_nextVolume >= m_machine.volumes.size()) return m_machine.volumeWalkEndError;
    *name = m_machine.volumes[m_nextVolume++].name;
    return 0;
}

void RecordedDiskSystem::CloseVolumeWalk() { m_volumeWalkOpen = false; }

const RecordedVolume* RecordedDiskSystem::FindVolume(const std::wstring& nameWithoutSlash) const {
    for (const RecordedVolume& v : m_machine.volumes)
        if (WithoutTrailingSlash(v.name) == nameWithoutSlash) return &v;
    return nullptr;
}

uint32_t RecordedDiskSystem::QueryDosTarget(const std::wstring& deviceName) {
    const RecordedVolume* v = FindVolume(L"\\\\?\\" + deviceName);
    return v ? v->queryDosDeviceError : 2;  // ERROR_FILE_NOT_FOUND
}

uint32_t RecordedDiskSystem::VolumePathNames(const std::wstring& volumeName, wchar_t* buffer, uint32_t length,
                                             uint32_t* needed) {
    const RecordedVolume* v = FindVolume(WithoutTrailingSlash(volumeName));
    if (!v) return 2;
    std::wstring list;
    for (const std::wstring& p : v->mountPaths) list += p + L'\0';
    list += L'\0';
    *needed = static_cast<uint32_t>(list.size());
    if (list.size() > length) return kErrorMoreData;
    std::copy(list.begin(), list.end(), buffer);
    return 0;
}

bool RecordedDiskSystem::VolumeSerial(const std::wstring& volumeName, uint32_t* serial) {
    const RecordedVolume* v = FindVolume(WithoutTrailingSlash(volumeName));
    if (!v || !v->volumeSerial) return false;
    *serial = *v->volumeSerial;
    return true;
}

bool RecordedDiskSystem::DeviceNumber(const std::wstring& path, uint32_t* number) {
    uint32_t found = kNoDiskNumber;
    if (const RecordedVolume* v = FindVolume(path)) found = v->diskNumber;
    for (const RecordedDiskInterface& d : m_machine.disks)
        if (d.devicePath == path) found = d.diskNumber;
    if (found == kNoDiskNumber) return false;
    *number = found;
    return true;
}

bool RecordedDiskSystem::OpenDiskInterfaces() { return !m_machine.diskInterfacesUnavailable; }

DiskSystem::InterfaceStatus RecordedDiskSystem::DiskInterface(uint32_t index, std::wstring* devicePath,
                                                              std::wstring* parentId) {
    ++m_interfacesAsked;
    if (index >= m_machine.disks.size()) return InterfaceStatus::End;
    const RecordedDiskInterface& d = m_machine.disks[index];
    if (d.unreadable) return InterfaceStatus::Unreadable;
    *devicePath = d.devicePath;
    *parentId = d.parentId;
    return InterfaceStatus::Found;
}

void RecordedDiskSystem::CloseDiskInterfaces() {}
