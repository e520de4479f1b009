#include <gtest/gtest.h>

#include "app/AddressRule.h"
#include "app/UpgradeSelection.h"

namespace {

const std::wstring kNoLocal = L"0.0.0.0";

TEST(AddressRule, FirstAndLastOctetLimits) {
    struct Case {
        AddressOctets octets;
        bool usable;
    } cases[] = {
        {{223, 1, 1, 1}, true},      {{1, 0, 0, 1}, true},        {{192, 168, 1, 254}, true},
        {{126, 255, 255, 1}, true},  {{128, 0, 0, 1}, true},      {{0, 1, 2, 3}, false},
        {{127, 0, 0, 1}, false},     {{127, 8, 8, 8}, false},     {{224, 0, 0, 1}, false},
        {{239, 1, 1, 1}, false},     {{255, 1, 1, 1}, false},     {{192, 168, 1, 0}, false},
        {{192, 168, 1, 255}, false}, {{0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FormatAddress(c.octets).c_str());
        EXPECT_EQ(IsUsableTerminalAddress(c.octets, kNoLocal), c.usable);
    }
}

TEST(AddressRule, ThePcsOwnAddressIsRefused) {
    EXPECT_FALSE(IsUsableTerminalAddress({192, 168, 1, 20}, L"192.168.1.20"));
    EXPECT_TRUE(IsUsableTerminalAddress({192, 168, 1, 21}, L"192.168.1.20"));
    // Compared as formatted text: no leading zeros, every octet in full.
    EXPECT_EQ(FormatAddress({10, 0, 200, 7}), L"10.0.200.7");
    EXPECT_TRUE(IsUsableTerminalAddress({10, 0, 0, 7}, L"10.0.0.70"));
}

TEST(AddressRule, TrimRemovesBlanksAtBothEndsOnly) {
    EXPECT_EQ(TrimBlanks(L" \t\r\n192.168.1.5 \n"), L"192.168.1.5");
    EXPECT_EQ(TrimBlanks(L"C:\\My Packs\\AppUpgradePack.zip"), L"C:\\My Packs\\AppUpgradePack.zip");
    EXPECT_EQ(TrimBlanks(L" \t "), L"");
    EXPECT_EQ(TrimBlanks(L""), L"");
}

TEST(AddressRule, ValidationUpdatesTheSelection) {
    UpgradeSelection s;
    s.terminalAddress = L" 192.168.1.5\r\n";
    s.displayedPackPath = L"\tC:\\p\\AppUpgradePack.zip ";
    ValidateTerminalAddress(s, {192, 168, 1, 5}, L"192.168.1.9");
    EXPECT_TRUE(s.addressValid);
    EXPECT_EQ(s.terminalAddress, L"192.168.1.5");
    EXPECT_EQ(s.displayedPackPath, L"C:\\p\\AppUpgradePack.zip");
    EXPECT_FALSE(s.addressEntered);  // only the control's change handler marks entry

    ValidateTerminalAddress(s, {192, 168, 1, 9}, L"192.168.1.9");
    EXPECT_FALSE(s.addressValid);
    ValidateTerminalAddress(s, {192, 168, 1, 5}, L"192.168.1.9");
    EXPECT_TRUE(s.addressValid);  // valid again once corrected
    ValidateTerminalAddress(s, {192, 168, 1, 255}, L"0.0.0.0");
    EXPECT_FALSE(s.addressValid);

    // A field typed "010" is the octet 10, and the run is handed 10: the
    // text would reach the socket calls as octal 8.
    s.terminalAddress = L"192.168.1.010";
    ValidateTerminalAddress(s, {192, 168, 1, 10}, L"192.168.1.9");
    EXPECT_EQ(s.terminalAddress, L"192.168.1.10");
}

}  // namespace
