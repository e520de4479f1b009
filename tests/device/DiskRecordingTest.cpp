// A recorded machine in a file: what the running program finds when the
// recording is named, and that rewriting the file changes what a refresh
// finds (the window tests plug and unplug disks this way).
#include <gtest/gtest.h>

#include "device/DiskIdentity.h"
#include "device/DiskRecording.h"
#include "device/OpenDisk.h"
#include "platform/File.h"
#include "support/TempFolder.h"

namespace {

std::vector<std::wstring> DrivePaths(COpenDisk& disks, uint16_t product) {
    testing::internal::CaptureStdout();
    disks.Refresh();
    testing::internal::GetCapturedStdout();
    std::vector<UsbDiskInfo> found;
    disks.FindDisks(found, 0x04CC, product);
    std::vector<std::wstring> paths;
    for (const UsbDiskInfo& d : found) paths.push_back(d.volume.szDrivePath);
    return paths;
}

TEST(DiskRecording, ParsesDisksSkipsMalformedLinesAndIsReadAgainOnEveryRefresh) {
    int skipped = -1;
    RecordedMachine machine = ParseDiskRecording(
        "# comment\r\n\n"
        "usb 04CC 1213 5A6B7C E:\\\r\n"
        "usb 0781 5567 OTHER C:\\mount point\\stick\\\n"
        "usb 04CC 1213 NOSLASH F:\n"       // a mount path must end in a backslash
        "usb 04CG 1213 BADHEX G:\\\n"      // not hex
        "disk 04CC 1213 KIND H:\\\n",      // unknown kind
        &skipped);
    EXPECT_EQ(skipped, 3);
    ASSERT_EQ(machine.volumes.size(), 2u);
    EXPECT_EQ(machine.volumes[1].mountPaths, std::vector<std::wstring>{L"C:\\mount point\\stick\\"});
    EXPECT_EQ(machine.disks[0].parentId, L"USB\\VID_04CC&PID_1213\\5A6B7C");

    TempFolder folder;
    const std::wstring file = folder / L"disks.txt";
    ASSERT_TRUE(WriteBytes(file, "usb 04CC 1213 5A6B7C E:\\\n"));
    COpenDisk disks(MakeRecordingFileDiskSystem(file));
    EXPECT_EQ(DrivePaths(disks, 0x1213), std::vector<std::wstring>{L"E:\\"});
    ASSERT_TRUE(WriteBytes(file, ""));
    EXPECT_TRUE(DrivePaths(disks, 0x1213).empty()) << "the disk was unplugged";
    platform::RemoveFile(file);
    EXPECT_TRUE(DrivePaths(disks, 0x1213).empty()) << "no recording: no disks";
}

// Each row is the disk plugged in at the time: the same E:\ is another
// terminal when its USB serial, or (without one) its volume serial, differs.
TEST(DiskRecording, DisksAreIdentifiedBySerialOrVolumeSerialNotByPath) {
    struct Row {
        const char* recording;
        const wchar_t* path;  // as an operator might type it
        const wchar_t* identity;
    };
    const Row rows[] = {
        {"usb 04CC 1213 5a6b7c 1A2B-3C4D E:\\", L"E:\\", L"usb 04CC:1213 5A6B7C"},
        {"usb 04cc 1213 5A6B7D 1A2B-3C4D E:\\", L"e:", L"usb 04CC:1213 5A6B7D"},
        // No serial number: the system's made-up instance id does not count.
        {"usb 04CC 1213 6&2A3B4C5D&0&1 1a2b-3c4e E:\\", L"E:/", L"volume 1A2B-3C4E"},
        {"usb 04CC 1213 6&2A3B4C5D&0&1 E:\\", L"E:\\", L""},
        {"usb 0781 5567 SER 00FF-0001 C:\\Mount Point\\stick\\", L"c:\\mount point\\STICK", L"usb 0781:5567 SER"},
        {"usb 0781 5567 SER 00FF-0001 C:\\Mount Point\\stick\\", L"C:\\Mount Point\\", L""},  // not a disk
        {"usb 04CC 1213 5A6B7C E:\\", L"F:\\", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.recording);
        int skipped = -1;
        COpenDisk disks(std::make_unique<RecordedDiskSystem>(ParseDiskRecording(row.recording, &skipped)));
        EXPECT_EQ(skipped, 0);
        testing::internal::CaptureStdout();
        disks.Refresh();
        testing::internal::GetCapturedStdout();
        std::vector<UsbDiskInfo> found;
        ASSERT_TRUE(disks.FindDisks(found, 0, kAnyUsbDiskProductId));
        EXPECT_EQ(DiskIdentityAmong(found, row.path), row.identity);
    }

    // Discovery reads the volume serial; the mount path is never mistaken for one.
    RecordedMachine m = ParseDiskRecording("usb 04CC 1213 S 0000-0001 1A2B-3C4D \\\nusb 04CC 1213 S 1A2B-3C4D\n");
    ASSERT_EQ(m.volumes.size(), 1u);
    EXPECT_EQ(m.volumes[0].volumeSerial, 1u);
    EXPECT_EQ(m.volumes[0].mountPaths, std::vector<std::wstring>{L"1A2B-3C4D \\"});
    COpenDisk disks(std::make_unique<RecordedDiskSystem>(m));
    testing::internal::CaptureStdout();
    disks.Refresh();
    testing::internal::GetCapturedStdout();
    std::vector<UsbDiskInfo> found;
    ASSERT_TRUE(disks.FindDisks(found, 0x04CC, 0x1213));
    EXPECT_STREQ(found[0].volume.szVolumeSerial, L"0000-0001");
    EXPECT_EQ(DiskIdentityOf(found[0]), L"usb 04CC:1213 S");
}

}  // namespace
