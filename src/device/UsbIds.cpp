#include "device/UsbIds.h"

#include <algorithm>
#include <cwchar>

int HexDigitValue(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    return -1;
}

namespace {

// The four hex digits after the first `marker`; 0 when there are fewer than
// four or one of them is no hex digit (a malformed id names no device).
uint16_t ReadIdAfter(const std::wstring& id, const wchar_t* marker) {
    size_t at = id.find(marker);
    if (at == std::wstring::npos) return 0;
    at += std::wcslen(marker);
    if (id.size() < at + 4) return 0;
    unsigned value = 0;
    for (size_t i = at; i < at + 4; ++i) {
        int digit = HexDigitValue(id[i]);
        if (digit < 0) return 0;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<uint16_t>(value);
}

}  // namespace

void ParseUsbIds(const std::wstring& deviceId, UsbDiskInfo& record) {
    record.wVendorId = ReadIdAfter(deviceId, L"VID_");
    record.wProductId = ReadIdAfter(deviceId, L"PID_");
    size_t slash = deviceId.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    std::wstring serial = deviceId.substr(slash + 1);
    constexpr size_t kCapacity = sizeof record.szSerial / sizeof record.szSerial[0] - 1;
    size_t length = std::min(serial.size(), kCapacity);
    std::fill(std::begin(record.szSerial), std::end(record.szSerial), L'\0');
    std::copy(serial.begin(), serial.begin() + static_cast<std::ptrdiff_t>(length), record.szSerial);
}
