// The machine's own volume and disk queries. Wine has volumes but no USB
// disks, so this checks the real calls end to end without a terminal.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "device/DiskIdentity.h"
#include "device/OpenDisk.h"
#include "device/SetupApiDiskSystem.h"
#include "platform/Text.h"
#include "support/TempFolder.h"

namespace {

TEST(SetupApiDiskSystem, VolumeWalkGivesWellFormedNamesWithMountPaths) {
    std::unique_ptr<DiskSystem> system = CreateSetupApiDiskSystem();
    std::wstring name;
    ASSERT_EQ(system->FirstVolume(&name), 0u);
    size_t volumes = 0, mounted = 0;
    uint32_t error = 0;
    do {
        ++volumes;
        EXPECT_EQ(name.compare(0, 4, L"\\\\?\\"), 0);
        EXPECT_EQ(name.back(), L'\\');
        wchar_t paths[1024] = {};
        uint32_t needed = 0;
        if (system->VolumePathNames(name, paths, 1024, &needed) == 0 && paths[0]) ++mounted;
        error = system->NextVolume(&name);
    } while (error == 0 && volumes < 1000);
    system->CloseVolumeWalk();
    EXPECT_EQ(error, kErrorNoMoreFiles);
    EXPECT_GE(mounted, 1u);  // at least the system drive
}

TEST(SetupApiDiskSystem, RefreshOnThisMachineFindsNoTerminal) {
    COpenDisk disks;
    testing::internal::CaptureStdout();
    disks.Refresh();
    testing::internal::GetCapturedStdout();
    std::vector<UsbDiskInfo> out;
    EXPECT_FALSE(disks.FindDisks(out, 0x04CC, 0x1213));
}

// The command line's --usb PATH: with a recording named, only the recording
// counts; otherwise a folder is no disk and a volume root has its serial.
TEST(DiskIdentity, AtAPathFromTheRecordingOrTheVolumeRoot) {
    TempFolder folder;
    const std::wstring recording = folder / L"disks.txt";
    ASSERT_TRUE(WriteBytes(recording, "usb 04CC 1213 5A6B7C E:\\\nusb 04CC 1213 6&1A2B&0&1 0BAD-F00D " +
                                          platform::WideToUtf8(folder / L"stick\\") + "\n"));
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUILLON_DISK_RECORDING", recording.c_str()));
    EXPECT_EQ(DiskIdentityAt(L"e:"), L"usb 04CC:1213 5A6B7C");
    EXPECT_EQ(DiskIdentityAt(folder / L"stick"), L"volume 0BAD-F00D");
    EXPECT_EQ(DiskIdentityAt(folder.Path()), L"");
    EXPECT_EQ(DiskIdentityAt(L"C:\\"), L"");
    ASSERT_TRUE(SetEnvironmentVariableW(L"QUILLON_DISK_RECORDING", nullptr));

    EXPECT_EQ(DiskIdentityAt(folder.Path()), L"");
    const std::wstring system = DiskIdentityAt(L"C:\\");
    ASSERT_EQ(system.size(), 16u) << system;
    EXPECT_EQ(system.compare(0, 7, L"volume "), 0);
    EXPECT_EQ(system[11], L'-');
    EXPECT_EQ(DiskIdentityAt(L"c:"), system);
}

}  // namespace
