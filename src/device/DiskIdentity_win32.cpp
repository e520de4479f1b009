#include <windows.h>

#include <memory>
#include <vector>

#include "device/DiskIdentity.h"
#include "device/DiskRecording.h"
#include "device/OpenDisk.h"

namespace {

// The recording QUILLON_DISK_RECORDING names; "" when it is not set.
std::wstring RecordingPath() {
    wchar_t name[64] = {};
    ::MultiByteToWideChar(CP_ACP, 0, kDiskRecordingVariable, -1, name, 64);
    wchar_t path[1024];
    const DWORD n = ::GetEnvironmentVariableW(name, path, 1024);
    return n > 0 && n < 1024 ? std::wstring(path, n) : std::wstring();
}

// A bare "E:" is the drive (not its current folder, as the system reads it).
std::wstring FullPath(std::wstring path) {
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    wchar_t full[MAX_PATH * 2];
    const DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : path;
}

// A volume root's own serial ("volume 1A2B-3C4D"); "" for a folder below
// the root of its volume.
std::wstring VolumeRootIdentity(const std::wstring& path) {
    std::wstring withSlash = path;
    if (withSlash.empty() || withSlash.back() != L'\\') withSlash += L'\\';
    wchar_t root[MAX_PATH * 2];
    if (!::GetVolumePathNameW(withSlash.c_str(), root, MAX_PATH * 2)) return L"";
    if (::lstrcmpiW(root, withSlash.c_str()) != 0) return L"";
    DWORD serial = 0;
    if (!::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return L"";
    return L"volume " + FormatVolumeSerial(serial);
}

}  // namespace

std::wstring DiskIdentityAt(const std::wstring& mountPath) {
    if (mountPath.empty()) return L"";
    const std::wstring path = FullPath(mountPath);
    const std::wstring recording = RecordingPath();
    auto discovery = recording.empty() ? std::make_unique<COpenDisk>()
                                       : std::make_unique<COpenDisk>(MakeRecordingFileDiskSystem(recording));
    discovery->SetDiagnostics(nullptr);
    discovery->Refresh();
    std::vector<UsbDiskInfo> disks;
    discovery->FindDisks(disks, 0, kAnyUsbDiskProductId);
    const std::wstring identity = DiskIdentityAmong(disks, path);
    // A recorded machine has no other disks; test folders live on real ones.
    if (!identity.empty() || !recording.empty()) return identity;
    return VolumeRootIdentity(path);
}
