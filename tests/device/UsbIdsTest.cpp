#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/UsbIds.h"

namespace {

UsbDiskInfo Parsed(const std::wstring& id) {
    UsbDiskInfo r;
    std::memset(&r, 0, sizeof r);
    ParseUsbIds(id, r);
    return r;
}

TEST(HexDigitValue, DigitsBothCasesAndEverythingElse) {
    EXPECT_EQ(HexDigitValue(L'0'), 0);
    EXPECT_EQ(HexDigitValue(L'9'), 9);
    EXPECT_EQ(HexDigitValue(L'A'), 10);
    EXPECT_EQ(HexDigitValue(L'f'), 15);
    for (wchar_t c : {L'G', L'g', L'/', L':', L'@', L'`', L' ', L'\0', L'\x0660'}) EXPECT_EQ(HexDigitValue(c), -1) << c;
}

TEST(ParseUsbIds, TerminalIdGivesVendorProductAndSerial) {
    UsbDiskInfo r = Parsed(L"USB\\VID_04CC&PID_1213\\5A6B7C");
    EXPECT_EQ(r.wVendorId, 0x04CC);
    EXPECT_EQ(r.wProductId, 0x1213);
    EXPECT_STREQ(r.szSerial, L"5A6B7C");

    r = Parsed(L"USB\\VID_04cc&PID_121d\\serial&0");  // lower-case digits read the same
    EXPECT_EQ(r.wVendorId, 0x04CC);
    EXPECT_EQ(r.wProductId, 0x121D);
    EXPECT_STREQ(r.szSerial, L"serial&0");

    r = Parsed(L"USB\\VID_FFFF&PID_0000\\1");
    EXPECT_EQ(r.wVendorId, 0xFFFF);
    EXPECT_EQ(r.wProductId, 0);
}

TEST(ParseUsbIds, MissingOrMalformedPartsStayEmpty) {
    UsbDiskInfo r = Parsed(L"USB\\ROOT_HUB30\\4&1");  // neither marker
    EXPECT_EQ(r.wVendorId, 0);
    EXPECT_EQ(r.wProductId, 0);
    EXPECT_STREQ(r.szSerial, L"4&1");

    r = Parsed(L"USB\\vid_04CC&pid_1213\\x");  // markers count in upper case only
    EXPECT_EQ(r.wVendorId, 0);
    EXPECT_EQ(r.wProductId, 0);

    r = Parsed(L"VID_04CC&PID_1213");  // no backslash: no serial
    EXPECT_EQ(r.wVendorId, 0x04CC);
    EXPECT_EQ(r.wProductId, 0x1213);
    EXPECT_STREQ(r.szSerial, L"");

    EXPECT_EQ(Parsed(L"USB\\VID_04C&PID_1213\\x").wVendorId, 0);  // '&' is no digit
    EXPECT_EQ(Parsed(L"USB\\VID_04CC&PID_12").wProductId, 0);     // id ends early
    EXPECT_EQ(Parsed(L"USB\\VID_04CC&PID_12").wVendorId, 0x04CC);
    EXPECT_STREQ(Parsed(L"USB\\VID_04CC\\").szSerial, L"");
}

TEST(ParseUsbIds, OverlongSerialIsCutToTheField) {
    std::wstring serial(400, L'S');
    UsbDiskInfo r = Parsed(L"USB\\VID_04CC&PID_1213\\" + serial);
    EXPECT_EQ(std::wstring(r.szSerial), serial.substr(0, 255));
}

}  // namespace
