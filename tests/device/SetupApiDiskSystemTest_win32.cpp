// The machine's own volume and disk queries. Wine has volumes but no USB
// disks, so this checks the real calls end to end without a terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/OpenDisk.h"
#include "device/SetupApiDiskSystem.h"

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

}  // namespace
