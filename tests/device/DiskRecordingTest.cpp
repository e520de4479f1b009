// A recorded machine in a file: what the running program finds when the
// recording is named, and that rewriting the file changes what a refresh
// finds (the window tests plug and unplug disks this way).
#include <gtest/gtest.h>

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

}  // namespace
