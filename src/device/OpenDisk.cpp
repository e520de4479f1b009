#include "device/OpenDisk.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/Diagnostics.h"
#include "device/DiskIdentity.h"
#include "device/UsbIds.h"

namespace {


template <size_t N>
void CopyText(const std::wstring& text, wchar_t (&field)[N]) {
    std::fill(std::begin(field), std::end(field), L'\0');
    size_t length = std::min(text.size(), N - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length), field);
}

bool IsWellFormedVolumeName(const std::wstring& name) {
    return name.size() > 4 && name.compare(0, 4, L"\\\\?\\") == 0 && name.back() == L'\\';
}

std::wstring ErrorLine(const wchar_t* what, uint32_t error) {
    return std::wstring(what) + L" failed with error code " + std::to_wstring(static_cast<int>(error)) + L"\n";
}

}  // namespace

COpenDisk::COpenDisk(std::unique_ptr<DiskSystem> system) : m_system(std::move(system)) {}

COpenDisk::~COpenDisk() = default;

void COpenDisk::Refresh() {
    std::lock_guard<std::mutex> refreshing(m_refreshMutex);
    // Built aside and swapped in at the end: until then readers keep the
    // previous lists rather than an empty or half-built one.
    VolumeMap volumes;
    std::vector<UsbDiskInfo> disks;
    if (ScanVolumes(volumes)) ScanUsbDisks(volumes, disks);
    std::lock_guard<std::mutex> lock(m_listMutex);
    m_volumes.swap(volumes);
    m_disks.swap(disks);
}

void COpenDisk::SetDiagnostics(DiagnosticSink sink) { m_diagnostics = std::move(sink); }

void COpenDisk::Diagnose(const std::wstring& line) {
    if (m_diagnostics) m_diagnostics(line);
}

bool COpenDisk::FindDisks(std::vector<UsbDiskInfo>& out, uint16_t vendorId, uint16_t productId) {
    std::lock_guard<std::mutex> lock(m_listMutex);
    for (const UsbDiskInfo& disk : m_disks) {
        if (productId == kAnyUsbDiskProductId || (disk.wProductId == productId && disk.wVendorId == vendorId))
            out.push_back(disk);
    }
    return !out.empty();
}

bool COpenDisk::ScanVolumes(VolumeMap& volumes) {
    std::wstring name;
    uint32_t error = m_system->FirstVolume(&name);
    if (error != 0) {
        Diagnose(ErrorLine(L"FindFirstVolumeW", error));
        return false;
    }
    for (;;) {
        if (!IsWellFormedVolumeName(name)) {
            Diagnose(L"FindFirstVolumeW/FindNextVolumeW returned a bad path: " + name + L"\n");
            break;
        }
        error = m_system->QueryDosTarget(name.substr(4, name.size() - 5));
        if (error != 0) {
            Diagnose(ErrorLine(L"QueryDosDeviceW", error));
            break;
        }
        VolumeInfo volume;
        std::memset(&volume, 0, sizeof volume);
        CopyText(name.substr(0, name.size() - 1), volume.szVolumeName);
        GetDrivePath(name, volume.szDrivePath);
        volume.dwDiskNumber = kNoDiskNumber;
        uint32_t number = 0;
        if (m_system->DeviceNumber(volume.szVolumeName, &number)) volume.dwDiskNumber = number;
        uint32_t serial = 0;
        if (m_system->VolumeSerial(name, &serial)) CopyText(FormatVolumeSerial(serial), volume.szVolumeSerial);
        // The first volume met on a disk stands for that disk.
        volumes.emplace(volume.dwDiskNumber, volume);

        error = m_system->NextVolume(&name);
        if (error == kErrorNoMoreFiles) break;
        if (error != 0) {
            Diagnose(ErrorLine(L"FindNextVolumeW", error));
            break;
        }
    }
    m_system->CloseVolumeWalk();
    return true;
}

void COpenDisk::GetDrivePath(const std::wstring& volumeName, wchar_t (&out)[256]) {
    std::fill(std::begin(out), std::end(out), L'\0');
    std::vector<wchar_t> buffer(261);
    uint32_t needed = 0;
    uint32_t error;
    while ((error = m_system->VolumePathNames(volumeName, buffer.data(), static_cast<uint32_t>(buffer.size()),
                                              &needed)) == kErrorMoreData) {
        if (needed <= buffer.size()) return;  // a system that asks for no more room would loop forever
        buffer.assign(needed, L'\0');
    }
    if (error != 0) return;
    buffer.back() = L'\0';
    std::wstring first(buffer.data());
    // A drive root (E:\) or a folder mount path; a path too long for the
    // field is left out rather than cut into a wrong one.
    if (first.size() < 256) CopyText(first, out);
}

void COpenDisk::ScanUsbDisks(const VolumeMap& volumes, std::vector<UsbDiskInfo>& disks) {
    if (!m_system->OpenDiskInterfaces()) return;
    std::wstring path, parentId;
    // Every interface is examined: a PC with many disks or card-reader
    // slots must not hide the terminal behind them.
    for (uint32_t index = 0;; ++index) {
        DiskSystem::InterfaceStatus status = m_system->DiskInterface(index, &path, &parentId);
        if (status == DiskSystem::InterfaceStatus::End) break;
        if (status == DiskSystem::InterfaceStatus::Unreadable) continue;
        Diagnose(L"path: " + path + L"\n");
        Diagnose(L"dip: " + parentId + L"\n");
        if (parentId.find(L"USB\\") == std::wstring::npos) continue;
        uint32_t number = 0;
        if (!m_system->DeviceNumber(path, &number)) continue;
        auto volume = volumes.find(number);
        if (volume == volumes.end()) continue;
        UsbDiskInfo disk;
        std::memset(&disk, 0, sizeof disk);
        disk.volume = volume->second;
        ParseUsbIds(parentId, disk);
        disks.push_back(disk);
    }
    m_system->CloseDiskInterfaces();
}
