#include <gtest/gtest.h>

#include "app/UpgradeSelection.h"

namespace {

// Counts refreshes and gives the selection `disks` fake disks.
struct FakeRefresh {
    int calls = 0;
    size_t disks = 0;
    UpgradeSelection::RefreshDisks fn() {
        return [this](UpgradeSelection& s) {
            ++calls;
            s.terminalDisks.Replace(std::vector<UsbDiskInfo>(disks, UsbDiskInfo{}));
        };
    }
};

TEST(ModelTable, SevenRowsAsSpecified) {
    struct Row {
        const wchar_t* name;
        uint16_t pid;
        ConnectionMode mode;
        bool usb, eth, refresh;
    } expected[] = {
        {L"M2410", 0x1213, kConnectionUsb, true, false, true},
        {L"M2450", 0x1214, kConnectionEthernet, true, true, true},
        {L"M3710", 0x1217, kConnectionEthernet, false, true, false},
        {L"M3750", 0x1218, kConnectionEthernet, false, true, false},
        {L"VK1200", 0x121A, kConnectionEthernet, false, true, false},
        {L"HTR940", 0x121E, kConnectionUsb, true, false, true},
        {L"M2480", 0x121D, kConnectionUsb, true, false, true},
    };
    for (int i = 0; i < kModelCount; ++i) {
        SCOPED_TRACE(i);
        UpgradeSelection s;
        FakeRefresh r;
        const DeviceModel* row = s.ChooseModel(i, r.fn());
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(s.modelIndex, i);
        EXPECT_EQ(s.modelName, expected[i].name);
        EXPECT_EQ(s.usbProductId, expected[i].pid);
        EXPECT_EQ(s.usbVendorId, 0x04CC);
        EXPECT_EQ(s.connectionMode, expected[i].mode);
        EXPECT_EQ(row->HasUsb(), expected[i].usb);
        EXPECT_EQ(row->HasEthernet(), expected[i].eth);
        EXPECT_EQ(r.calls, expected[i].refresh ? 1 : 0);
    }
    EXPECT_EQ(FindDeviceModel(7), nullptr);
    EXPECT_EQ(FindDeviceModel(-1), nullptr);
}

TEST(ModelTable, StartUpState) {
    UpgradeSelection s;
    EXPECT_EQ(s.modelIndex, 0);
    EXPECT_EQ(s.modelName, L"M2410");
    EXPECT_EQ(s.usbProductId, 0x1213);
    EXPECT_EQ(s.connectionMode, kConnectionUsb);
    EXPECT_EQ(s.packKind, kPackApplication);
    EXPECT_EQ(s.terminalAddress, L"0.0.0.0");
    EXPECT_EQ(s.ftpPort, 21);
    EXPECT_FALSE(s.addressEntered);
    EXPECT_FALSE(s.addressValid);
    EXPECT_TRUE(s.ftpUser.empty());
    EXPECT_FALSE(s.CanStart());
}

TEST(Credentials, SetByEthernetModelsAndKeptByOthers) {
    UpgradeSelection s;
    s.ChooseModel(0, nullptr);
    EXPECT_TRUE(s.ftpUser.empty());
    EXPECT_TRUE(s.ftpPassword.empty());

    s.ChooseModel(2, nullptr);
    EXPECT_EQ(s.ftpUser, L"admin");
    EXPECT_EQ(s.ftpPassword, L"739204");

    s.ChooseModel(0, nullptr);  // "unchanged": the earlier login stays
    EXPECT_EQ(s.ftpUser, L"admin");
    EXPECT_EQ(s.connectionMode, kConnectionUsb);

    s.ChooseModel(4, nullptr);
    EXPECT_EQ(s.ftpUser, L"update");
    s.ChooseModel(1, nullptr);
    EXPECT_EQ(s.ftpUser, L"update");
    s.ChooseModel(3, nullptr);
    EXPECT_EQ(s.ftpUser, L"admin");
    EXPECT_EQ(s.ftpPassword, L"739204");
}

TEST(PackPath, ShortenedAfterThirtyFiveCharacters) {
    std::wstring exact(35, L'a');
    std::wstring longer(36, L'b');
    EXPECT_EQ(ShortenPackPath(exact), exact);
    EXPECT_EQ(ShortenPackPath(longer), std::wstring(35, L'b') + L"...");
    EXPECT_EQ(ShortenPackPath(L""), L"");

    UpgradeSelection s;
    s.TakePackPath(L"C:\\Packs\\Site 12\\Terminal 4\\AppUpgradePack.zip");
    EXPECT_EQ(s.packPath, L"C:\\Packs\\Site 12\\Terminal 4\\AppUpgradePack.zip");
    EXPECT_EQ(s.displayedPackPath, L"C:\\Packs\\Site 12\\Terminal 4\\AppUpgr...");

    s.TakePackPath(L"");  // the chooser was cancelled
    EXPECT_EQ(s.packPath, L"C:\\Packs\\Site 12\\Terminal 4\\AppUpgradePack.zip");
    EXPECT_FALSE(s.displayedPackPath.empty());
}

TEST(Readiness, UsbNeedsADiskAndAPack) {
    UpgradeSelection s;
    FakeRefresh r;
    s.ChooseModel(0, r.fn());
    s.TakePackPath(L"C:\\AppUpgradePack.zip");
    EXPECT_FALSE(s.CanStart()) << "no terminal disk";
    r.disks = 1;
    s.ChooseModel(0, r.fn());
    EXPECT_TRUE(s.CanStart());
    s.displayedPackPath.clear();
    EXPECT_FALSE(s.CanStart());
}

TEST(Readiness, EthernetNeedsAnEnteredValidAddressAndAPack) {
    UpgradeSelection s;
    s.ChooseModel(2, nullptr);
    s.TakePackPath(L"C:\\AppUpgradePack.zip");
    EXPECT_FALSE(s.CanStart()) << "no address typed yet";
    s.addressEntered = true;
    s.addressValid = true;
    EXPECT_TRUE(s.CanStart());
    s.addressValid = false;  // blanked field
    EXPECT_FALSE(s.CanStart());
    s.addressValid = true;
    s.displayedPackPath.clear();
    EXPECT_FALSE(s.CanStart());
    // A disk list does not matter over Ethernet.
    s.TakePackPath(L"C:\\AppUpgradePack.zip");
    s.terminalDisks.Replace(std::vector<UsbDiskInfo>(2, UsbDiskInfo{}));
    s.addressEntered = false;
    EXPECT_FALSE(s.CanStart());
}

TEST(Readiness, AddressEnteredFollowsTheAddressOnModelChange) {
    UpgradeSelection s;
    s.ChooseModel(2, nullptr);
    EXPECT_FALSE(s.addressEntered);
    s.terminalAddress = L"192.168.1.20";
    s.ChooseModel(3, nullptr);
    EXPECT_TRUE(s.addressEntered);
}

TEST(Variants, KeepEverythingUntilAModelIsChosen) {
    UpgradeSelection s;
    FakeRefresh r;
    s.ChooseModel(2, r.fn());
    s.modelIndex = kVariantM3710S5;  // as the pack's model match leaves it
    s.modelName = L"M3710S5";
    EXPECT_EQ(s.ApplyModelSettings(r.fn()), nullptr);
    EXPECT_EQ(s.modelName, L"M3710S5");
    EXPECT_EQ(s.connectionMode, kConnectionEthernet);
    EXPECT_EQ(r.calls, 0);

    s.ChooseModel(2, r.fn());
    EXPECT_EQ(s.modelIndex, 2);
    EXPECT_EQ(s.modelName, L"M3710");

    s.ChooseModel(6, r.fn());
    s.modelIndex = kVariantVK1500;
    s.modelName = L"VK1500";
    s.ChooseModel(0, r.fn());
    EXPECT_EQ(s.modelIndex, 0);
    EXPECT_EQ(s.modelName, L"M2410");
    EXPECT_EQ(s.usbProductId, 0x1213);
    EXPECT_EQ(s.connectionMode, kConnectionUsb);
}

}  // namespace
