// Disk discovery on recorded machines.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/OpenDisk.h"
#include "device/RecordedDiskSystem.h"

namespace {

constexpr uint16_t kVendor = 0x04CC;
constexpr uint16_t kM2410 = 0x1213;
constexpr uint16_t kAnyDisk = 0x121D;

std::wstring Volume(int n) { return L"\\\\?\\Volume{0000000" + std::to_wstring(n) + L"}\\"; }
std::wstring DiskPath(int n) { return L"\\\\?\\usbstor#disk&ven_x#" + std::to_wstring(n); }

// A recorded machine and a COpenDisk on it; Refresh() returns the
// diagnostic output.
struct Machine {
    RecordedMachine m;
    RecordedDiskSystem* system = nullptr;
    std::unique_ptr<COpenDisk> disks;

    std::string Refresh() {
        if (!disks) {
            auto s = std::make_unique<RecordedDiskSystem>(m);
            system = s.get();
            disks = std::make_unique<COpenDisk>(std::move(s));
        }
        testing::internal::CaptureStdout();
        disks->Refresh();
        return testing::internal::GetCapturedStdout();
    }
    std::vector<UsbDiskInfo> Find(uint16_t vendor, uint16_t product) {
        std::vector<UsbDiskInfo> out;
        disks->FindDisks(out, vendor, product);
        return out;
    }
};

TEST(OpenDisk, TwoPartitionsOnOneStickGiveOneRecordWithTheFirstVolume) {
    Machine pc;
    pc.m.volumes = {{Volume(1), {L"C:\\"}, 0}, {Volume(2), {L"E:\\"}, 2}, {Volume(3), {L"F:\\"}, 2}};
    pc.m.disks = {{DiskPath(0), L"PCI\\VEN_8086&DEV_2922\\3&1", 0},
                  {DiskPath(2), L"USB\\VID_04CC&PID_1213\\5A6B7C", 2}};
    std::string out = pc.Refresh();
    std::vector<UsbDiskInfo> found = pc.Find(kVendor, kM2410);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_STREQ(found[0].volume.szVolumeName, L"\\\\?\\Volume{00000002}");
    EXPECT_STREQ(found[0].volume.szDrivePath, L"E:\\");
    EXPECT_EQ(found[0].volume.dwDiskNumber, 2u);
    EXPECT_EQ(found[0].wVendorId, kVendor);
    EXPECT_EQ(found[0].wProductId, kM2410);
    EXPECT_STREQ(found[0].szSerial, L"5A6B7C");
    // Every examined interface is reported, USB or not.
    EXPECT_NE(out.find("dip: PCI\\VEN_8086&DEV_2922\\3&1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("path: \\\\?\\usbstor#disk&ven_x#2\n"), std::string::npos) << out;

    // A caller's own sink gets the lines instead; an empty one drops them.
    std::vector<std::wstring> lines;
    pc.disks->SetDiagnostics([&lines](const std::wstring& line) { lines.push_back(line); });
    EXPECT_EQ(pc.Refresh(), "");
    EXPECT_EQ(lines.size(), 4u);
    pc.disks->SetDiagnostics(nullptr);
    EXPECT_EQ(pc.Refresh(), "");
    EXPECT_EQ(found.size(), pc.Find(kVendor, kM2410).size()) << "the walk itself is the same";
}

TEST(OpenDisk, OnlyUsbDisksWithAVolumeAndANumberAreListed) {
    Machine pc;
    pc.m.volumes = {{Volume(1), {}, 1},                    // USB disk without drive letter
                    {Volume(3), {L"G:\\"}, 3},             // disk with a non-USB parent
                    {Volume(6), {L"H:\\"}, kNoDiskNumber}};  // volume that cannot be asked
    pc.m.disks = {{DiskPath(1), L"USB\\VID_04CC&PID_1213\\A", 1},
                  {DiskPath(2), L"USB\\VID_04CC&PID_1213\\NoVolume", 2},
                  {DiskPath(3), L"USBSTOR\\DISK&VEN_X\\B", 3},
                  {DiskPath(4), L"USB\\VID_04CC&PID_1213\\NoNumber", kNoDiskNumber},
                  {DiskPath(5), L"", 5}};
    pc.Refresh();
    std::vector<UsbDiskInfo> found = pc.Find(kVendor, kAnyDisk);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_STREQ(found[0].szSerial, L"A");
    EXPECT_STREQ(found[0].volume.szDrivePath, L"");
}

TEST(OpenDisk, FindDisksMatchesBothIdsOrTakesEverythingForTheAnyDiskModel) {
    Machine pc;
    pc.m.volumes = {{Volume(1), {L"E:\\"}, 1}, {Volume(2), {L"F:\\"}, 2}, {Volume(3), {L"G:\\"}, 3},
                    {Volume(4), {L"H:\\"}, 4}};
    pc.m.disks = {{DiskPath(1), L"USB\\VID_04cc&PID_1213\\lower", 1},
                  {DiskPath(2), L"USB\\VID_04CC&PID_1214\\other-model", 2},
                  {DiskPath(3), L"USB\\VID_0781&PID_1213\\other-vendor", 3},
                  {DiskPath(4), L"USB\\ROOT_HUB\\no-ids", 4}};
    pc.Refresh();
    std::vector<UsbDiskInfo> m2410 = pc.Find(kVendor, kM2410);
    ASSERT_EQ(m2410.size(), 1u);
    EXPECT_STREQ(m2410[0].szSerial, L"lower");

    std::vector<UsbDiskInfo> all = pc.Find(0x0781, kAnyDisk);  // vendor plays no role
    ASSERT_EQ(all.size(), 4u);
    EXPECT_STREQ(all[0].volume.szDrivePath, L"E:\\");  // enumeration order
    EXPECT_STREQ(all[3].volume.szDrivePath, L"H:\\");
    EXPECT_EQ(all[3].wVendorId, 0);
    EXPECT_EQ(all[3].wProductId, 0);
    EXPECT_TRUE(pc.Find(kVendor, 0).empty());  // the no-ids disk needs 0x121D
}

TEST(OpenDisk, FindDisksAppendsAndRefreshRebuilds) {
    Machine pc;
    pc.m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"S1");
    pc.Refresh();
    pc.Refresh();  // a second walk replaces the list, it does not add to it
    std::vector<UsbDiskInfo> out;
    EXPECT_TRUE(pc.disks->FindDisks(out, kVendor, kM2410));
    EXPECT_TRUE(pc.disks->FindDisks(out, kVendor, kM2410));
    EXPECT_EQ(out.size(), 2u);
    EXPECT_TRUE(pc.disks->FindDisks(out, kVendor, 0x1218));  // nothing new, but not empty
    EXPECT_EQ(out.size(), 2u);
    std::vector<UsbDiskInfo> none;
    EXPECT_FALSE(pc.disks->FindDisks(none, kVendor, 0x1218));
}

TEST(OpenDisk, NothingBeforeTheFirstRefresh) {
    COpenDisk disks(std::make_unique<RecordedDiskSystem>(RecordedMachine{}));
    std::vector<UsbDiskInfo> out;
    EXPECT_FALSE(disks.FindDisks(out, kVendor, kAnyDisk));
}

TEST(OpenDiskVolumeWalk, BadNameOrFailedQueryEndsTheWalkButKeepsWhatWasMet) {
    for (bool badName : {true, false}) {
        SCOPED_TRACE(badName ? "bad name" : "QueryDosDeviceW fails");
        Machine pc;
        RecordedVolume breaker = badName ? RecordedVolume{L"C:\\", {L"C:\\"}, 9} : RecordedVolume{Volume(9), {}, 9, 5};
        pc.m.volumes = {{Volume(1), {L"E:\\"}, 1}, breaker, {Volume(2), {L"F:\\"}, 2}};
        pc.m.disks = {{DiskPath(1), L"USB\\VID_04CC&PID_1213\\first", 1},
                      {DiskPath(2), L"USB\\VID_04CC&PID_1213\\after", 2}};
        std::string out = pc.Refresh();
        std::string line = badName ? "FindFirstVolumeW/FindNextVolumeW returned a bad path: C:\\\n"
                                   : "QueryDosDeviceW failed with error code 5\n";
        EXPECT_NE(out.find(line), std::string::npos) << out;
        std::vector<UsbDiskInfo> found = pc.Find(kVendor, kM2410);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_STREQ(found[0].szSerial, L"first");
        EXPECT_FALSE(pc.system->VolumeWalkOpen());
    }
}

TEST(OpenDiskVolumeWalk, NameWithoutTrailingBackslashIsBad) {
    Machine pc;
    pc.m.volumes = {{L"\\\\?\\Volume{1}", {L"E:\\"}, 1}};
    pc.m.disks = {{DiskPath(1), L"USB\\VID_04CC&PID_1213\\x", 1}};
    std::string out = pc.Refresh();
    EXPECT_NE(out.find("returned a bad path: \\\\?\\Volume{1}\n"), std::string::npos) << out;
    EXPECT_TRUE(pc.Find(kVendor, kAnyDisk).empty());
}

TEST(OpenDiskVolumeWalk, FailedStartGivesNoDisksAndAskedForNone) {
    Machine pc;
    pc.m.firstVolumeError = 21;
    pc.m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"S");
    std::string out = pc.Refresh();
    EXPECT_EQ(out, "FindFirstVolumeW failed with error code 21\n");
    EXPECT_TRUE(pc.Find(kVendor, kAnyDisk).empty());
    EXPECT_EQ(pc.system->InterfacesAsked(), 0u);
}

TEST(OpenDiskVolumeWalk, OtherEndOfWalkErrorIsReportedAndQuietEndIsNot) {
    Machine quiet;
    quiet.m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"S");
    EXPECT_EQ(quiet.Refresh().find("failed"), std::string::npos);

    Machine broken;
    broken.m.volumeWalkEndError = 6;
    broken.m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"S");
    std::string out = broken.Refresh();
    EXPECT_NE(out.find("FindNextVolumeW failed with error code 6\n"), std::string::npos) << out;
    EXPECT_EQ(broken.Find(kVendor, kM2410).size(), 1u);
}

TEST(OpenDiskVolumeWalk, MountPathsLongListsAndFolders) {
    Machine pc;
    std::vector<std::wstring> many;
    for (int i = 0; i < 40; ++i) many.push_back(L"C:\\mnt\\mount-point-number-" + std::to_wstring(i) + L"\\");
    std::wstring tooLong = L"C:\\" + std::wstring(300, L'd') + L"\\";
    pc.m.volumes = {{Volume(1), many, 1},  // list longer than the first 261-character buffer
                    {Volume(2), {L"Z:\\tmp\\terminal disk\\"}, 2},
                    {Volume(3), {tooLong}, 3}};
    pc.m.disks = {{DiskPath(1), L"USB\\VID_04CC&PID_1213\\many", 1},
                  {DiskPath(2), L"USB\\VID_04CC&PID_1213\\folder", 2},
                  {DiskPath(3), L"USB\\VID_04CC&PID_1213\\long", 3}};
    pc.Refresh();
    std::vector<UsbDiskInfo> found = pc.Find(kVendor, kM2410);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_STREQ(found[0].volume.szDrivePath, L"C:\\mnt\\mount-point-number-0\\");
    EXPECT_STREQ(found[1].volume.szDrivePath, L"Z:\\tmp\\terminal disk\\");
    EXPECT_STREQ(found[2].volume.szDrivePath, L"");
}

TEST(OpenDiskInterfaces, EveryInterfaceIsExaminedAndUnreadableOnesSkipped) {
    Machine pc;
    for (int i = 0; i < 14; ++i)  // fixed disks and card-reader slots first
        pc.m.disks.push_back({DiskPath(100 + i), L"USBSTOR\\SLOT" + std::to_wstring(i), kNoDiskNumber});
    pc.m.disks[3].unreadable = true;
    pc.m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"twelfth-and-later");
    pc.m.AddUsbDisk(L"F:\\", kVendor, kM2410, L"sixteenth");
    std::string out = pc.Refresh();
    std::vector<UsbDiskInfo> found = pc.Find(kVendor, kM2410);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_STREQ(found[0].szSerial, L"twelfth-and-later");
    EXPECT_STREQ(found[1].szSerial, L"sixteenth");
    EXPECT_EQ(out.find("SLOT3\n"), std::string::npos);  // unreadable: not reported
    EXPECT_NE(out.find("SLOT13\n"), std::string::npos);
    EXPECT_EQ(pc.system->InterfacesAsked(), 17u);  // 16 interfaces and the end
}

TEST(OpenDiskInterfaces, NoInterfaceListGivesNoDisks) {
    Machine pc;
    pc.m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"S");
    pc.m.diskInterfacesUnavailable = true;
    pc.Refresh();
    EXPECT_TRUE(pc.Find(kVendor, kAnyDisk).empty());
}

// The upgrade worker reads the list while the window rebuilds it after a
// volume change: every read must see one whole list.
TEST(OpenDiskConcurrency, FindDisksDuringRefreshSeesWholeLists) {
    RecordedMachine m;
    for (int i = 0; i < 6; ++i) m.AddUsbDisk(L"E:\\", kVendor, kM2410, L"S" + std::to_wstring(i));
    COpenDisk disks(std::make_unique<RecordedDiskSystem>(m));
    testing::internal::CaptureStdout();
    disks.Refresh();
    std::atomic<bool> done{false};
    std::thread refresher([&] {
        for (int i = 0; i < 200; ++i) disks.Refresh();
        done = true;
    });
    size_t reads = 0, torn = 0;
    while (!done || reads == 0) {
        std::vector<UsbDiskInfo> out;
        disks.FindDisks(out, kVendor, kM2410);
        if (out.size() != 6 || std::wstring(out[5].szSerial) != L"S5") ++torn;
        ++reads;
    }
    refresher.join();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(torn, 0u) << "of " << reads << " reads";
}

}  // namespace
