#include <gtest/gtest.h>

#include "app/UpgradeSelection.h"
#include "support/ModelNamed.h"
#include "support/ModelNamed.h"

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

// Choosing a model takes its row: name, USB ids, the connection it starts
// with (USB where it has a disk), and a disk refresh exactly for USB starts.
TEST(ModelTable, ChoosingAModelTakesItsRow) {
    // The terminals' own USB product ids and connections.
    struct Expected {
        const wchar_t* name;
        uint16_t productId;
        bool usb, ethernet;
    };
    const Expected models[] = {
        {L"M2410", 0x1213, true, false},  {L"M2450", 0x1214, true, true},  {L"M3710", 0x1217, false, true},
        {L"M3750", 0x1218, false, true},  {L"VK1200", 0x121A, false, true}, {L"HTR940", 0x121E, true, false},
        {L"M2480", 0x121D, true, false},
    };
    for (const Expected& m : models) {
        SCOPED_TRACE(m.name);
        UpgradeSelection s;
        FakeRefresh r;
        const DeviceModel* row = s.ChooseModel(Model(m.name), r.fn());
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(s.modelName, m.name);
        EXPECT_EQ(s.usbProductId, m.productId);
        EXPECT_EQ(s.usbVendorId, 0x04CC);
        EXPECT_EQ(row->HasUsb(), m.usb);
        EXPECT_EQ(row->HasEthernet(), m.ethernet);
        const bool usbStart = s.connectionMode == kConnectionUsb;
        EXPECT_EQ(usbStart, m.usb && !m.ethernet) << "USB-only models start on USB";
        EXPECT_EQ(r.calls, m.usb ? 1 : 0);
    }
    EXPECT_EQ(ModelIndexByName(L"m2410"), -1);
    EXPECT_EQ(ModelIndexByName(L"M3710S5"), -1) << "variants are no model of their own";
    EXPECT_EQ(FindDeviceModel(kModelCount), nullptr);
    EXPECT_EQ(FindDeviceModel(-1), nullptr);
}

// The window opens on the first radio's model over its disk, ready for an
// application pack, and nothing can start before a disk and a pack are there.
TEST(ModelTable, StartUpState) {
    UpgradeSelection s;
    EXPECT_EQ(s.modelName, L"M2410");
    EXPECT_EQ(s.connectionMode, kConnectionUsb);
    EXPECT_EQ(s.packKind, kPackApplication);
    EXPECT_FALSE(s.CanStart());
}

TEST(Credentials, SetByEthernetModelsAndKeptByOthers) {
    UpgradeSelection s;
    s.ChooseModel(Model(L"M2410"), nullptr);
    EXPECT_TRUE(s.ftpUser.empty());
    EXPECT_TRUE(s.ftpPassword.empty());

    s.ChooseModel(Model(L"M3710"), nullptr);
    EXPECT_EQ(s.ftpUser, L"admin");
    EXPECT_EQ(s.ftpPassword, L"739204");

    s.ChooseModel(Model(L"M2410"), nullptr);  // "unchanged": the earlier login stays
    EXPECT_EQ(s.ftpUser, L"admin");
    EXPECT_EQ(s.connectionMode, kConnectionUsb);

    s.ChooseModel(Model(L"VK1200"), nullptr);
    EXPECT_EQ(s.ftpUser, L"update");
    s.ChooseModel(Model(L"M2450"), nullptr);  // its own login, whatever came before
    EXPECT_EQ(s.ftpUser, L"admin");
    s.ChooseModel(Model(L"M3750"), nullptr);
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
    s.ChooseModel(Model(L"M2410"), r.fn());
    s.TakePackPath(L"C:\\AppUpgradePack.zip");
    EXPECT_FALSE(s.CanStart()) << "no terminal disk";
    r.disks = 1;
    s.ChooseModel(Model(L"M2410"), r.fn());
    EXPECT_TRUE(s.CanStart());
    s.displayedPackPath.clear();
    EXPECT_FALSE(s.CanStart());
}

TEST(Readiness, EthernetNeedsAnEnteredValidAddressAndAPack) {
    UpgradeSelection s;
    s.ChooseModel(Model(L"M3710"), nullptr);
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
    s.ChooseModel(Model(L"M3710"), nullptr);
    EXPECT_FALSE(s.addressEntered);
    s.terminalAddress = L"192.168.1.20";
    s.ChooseModel(Model(L"M3750"), nullptr);
    EXPECT_TRUE(s.addressEntered);
}

TEST(Variants, KeepEverythingUntilAModelIsChosen) {
    UpgradeSelection s;
    FakeRefresh r;
    s.ChooseModel(Model(L"M3710"), r.fn());
    s.modelIndex = kVariantM3710S5;  // as the pack's model match leaves it
    s.modelName = L"M3710S5";
    EXPECT_EQ(s.ApplyModelSettings(r.fn()), nullptr);
    EXPECT_EQ(s.modelName, L"M3710S5");
    EXPECT_EQ(s.connectionMode, kConnectionEthernet);
    EXPECT_EQ(r.calls, 0);

    s.ChooseModel(Model(L"M3710"), r.fn());
    EXPECT_EQ(s.modelIndex, 2);
    EXPECT_EQ(s.modelName, L"M3710");

    s.ChooseModel(Model(L"M2480"), r.fn());
    s.modelIndex = kVariantVK1500;
    s.modelName = L"VK1500";
    s.ChooseModel(Model(L"M2410"), r.fn());
    EXPECT_EQ(s.modelIndex, 0);
    EXPECT_EQ(s.modelName, L"M2410");
    EXPECT_EQ(s.usbProductId, 0x1213);
    EXPECT_EQ(s.connectionMode, kConnectionUsb);
}

}  // namespace
