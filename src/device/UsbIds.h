#pragma once
// Reading the USB identity of a disk's parent device from its instance id,
// such as USB\VID_04CC&PID_1213\5A6B7C.
#include <string>

#include "device/UsbDiskInfo.h"

// '0'..'9' -> 0..9, 'A'..'F' and 'a'..'f' -> 10..15, anything else -> -1.
int HexDigitValue(wchar_t ch);

// Sets wVendorId from the four hex digits after the first "VID_", wProductId
// from those after the first "PID_" (markers in upper case only, digits in
// either case), and szSerial from the text after the last backslash. An id
// whose marker is missing or not followed by four hex digits stays 0; a
// serial longer than the field is cut to 255 characters.
void ParseUsbIds(const std::wstring& deviceId, UsbDiskInfo& record);
