#include "device/DiskIdentity.h"

#include <cwchar>
#include <cwctype>

namespace {

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return text;
}

// Case-folded, '/' as '\', ending in exactly one '\'.
std::wstring WindowsPathKey(const std::wstring& path) {
    std::wstring key = Upper(path);
    for (wchar_t& c : key)
        if (c == L'/') c = L'\\';
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    return key + L'\\';
}

}  // namespace

std::wstring FormatVolumeSerial(uint32_t serial) {
    wchar_t text[16];
    std::swprintf(text, sizeof text / sizeof text[0], L"%04X-%04X", serial >> 16, serial & 0xFFFFu);
    return text;
}

bool IsDeviceSerial(const std::wstring& serial) {
    return !serial.empty() && serial.find(L'&') == std::wstring::npos &&
           serial.find_first_not_of(L" \t") != std::wstring::npos;
}

std::wstring DiskIdentityOf(const UsbDiskInfo& disk) {
    const std::wstring serial(disk.szSerial, wcsnlen(disk.szSerial, sizeof disk.szSerial / sizeof disk.szSerial[0]));
    if (IsDeviceSerial(serial)) {
        wchar_t ids[16];
        std::swprintf(ids, sizeof ids / sizeof ids[0], L"%04X:%04X", disk.wVendorId, disk.wProductId);
        return L"usb " + std::wstring(ids) + L" " + Upper(serial);
    }
    const auto& field = disk.volume.szVolumeSerial;
    const std::wstring volume(field, wcsnlen(field, sizeof field / sizeof field[0]));
    if (!volume.empty()) return L"volume " + Upper(volume);
    return L"";
}

std::wstring DiskIdentityAmong(const std::vector<UsbDiskInfo>& disks, const std::wstring& mountPath) {
    if (mountPath.empty()) return L"";
    const std::wstring key = WindowsPathKey(mountPath);
    for (const UsbDiskInfo& disk : disks) {
        if (disk.volume.szDrivePath[0] != L'\0' && WindowsPathKey(disk.volume.szDrivePath) == key)
            return DiskIdentityOf(disk);
    }
    return L"";
}
