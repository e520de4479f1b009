// USB disk discovery through sysfs and the mount table, on a recorded sysfs
// tree that the test builds in a temporary folder: folders, small attribute
// files and real symlinks laid out as the kernel lays them out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/DiskIdentity.h"
#include "device/SysfsDisks_posix.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct UsbIds {
    const char* vendor;
    const char* product;
    const char* serial;  // null: the device has no serial file
};

class RecordedSysfs {
public:
    RecordedSysfs() {
        std::string pattern = (fs::temp_directory_path() / "quillon-sysfs-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_folder = pattern;
        fs::create_directories(Root() / "block");
    }
    ~RecordedSysfs() {
        std::error_code ignored;
        if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
    }
    fs::path Root() const { return fs::path(m_folder) / "sys"; }
    std::string MountsFile() const { return m_folder + "/mounts"; }

    // A disk below `parent` (relative to /sys/devices). With `usb`, parent's
    // last part is the USB device (1-1) with its ids, and the disk hangs
    // below its mass-storage interface, as usb-storage puts it.
    void AddDisk(const std::string& parent, const UsbIds* usb, int host, const std::string& disk,
                 const std::vector<std::string>& partitions) {
        fs::path device = Root() / "devices" / parent;
        fs::path hostFolder = device;
        if (usb) {
            WriteText(device / "idVendor", std::string(usb->vendor) + "\n");
            WriteText(device / "idProduct", std::string(usb->product) + "\n");
            if (usb->serial) WriteText(device / "serial", std::string(usb->serial) + "\n");
            const std::string name = device.filename().string();
            hostFolder = device / (name + ":1.0");
            WriteText(hostFolder / "bInterfaceClass", "08\n");
        }
        const std::string h = std::to_string(host);
        const std::string scsi = h + ":0:0:0";
        fs::path scsiFolder = hostFolder / ("host" + h) / ("target" + h + ":0:0") / scsi;
        WriteText(scsiFolder / "vendor", "Terminal\n");
        fs::path blockFolder = scsiFolder / "block" / disk;
        WriteText(blockFolder / "size", "2048\n");
        WriteText(blockFolder / "dev", "8:0\n");
        for (const std::string& p : partitions) WriteText(blockFolder / p / "partition", "1\n");
        // /sys/block/sdb -> ../devices/.../block/sdb
        fs::create_directory_symlink(fs::relative(blockFolder, Root() / "block"), Root() / "block" / disk);
        // /sys/block/sdb/device -> ../../../<scsi device>
        fs::create_directory_symlink(fs::path("../../..") / scsi, blockFolder / "device");
    }

    void WriteMounts(const std::string& text) { WriteText(MountsFile(), text); }

    // dev/disk/by-uuid/<id> -> ../../<device>, beside the sysfs root, as udev links them.
    void AddVolumeId(const std::string& id, const std::string& device) {
        const fs::path folder = fs::path(m_folder) / "dev" / "disk" / "by-uuid";
        fs::create_directories(folder);
        fs::create_symlink(fs::path("../..") / device, folder / id);
    }

    SysfsPaths Paths() const { return SysfsPaths{Root().string(), MountsFile()}; }

private:
    std::string m_folder;
};

const UsbIds kTerminal1{"04cc", "1213", "5A6B7C"};
const UsbIds kTerminal2{"04CC", "1213", nullptr};
const UsbIds kOtherMaker{"0781", "5581", "4C530001"};
const UsbIds kTerminal3{"04cc", "1213", "UNMOUNTED"};

// The recorded machine: a SATA system disk (no USB parent), two terminal
// disks (one mounted on a partition under a path with a blank, one mounted
// whole), another maker's stick, and a terminal disk that is not mounted.
void RecordMachine(RecordedSysfs& sys) {
    sys.AddDisk("pci0000:00/0000:00:14.0/usb1/1-4", &kOtherMaker, 8, "sdd", {"sdd1"});
    sys.AddDisk("pci0000:00/0000:00:14.0/usb2/2-1", &kTerminal2, 7, "sdc", {});
    sys.AddDisk("pci0000:00/0000:00:14.0/usb1/1-1", &kTerminal1, 6, "sdb", {"sdb1"});
    sys.AddDisk("pci0000:00/0000:00:14.0/usb1/1-2", &kTerminal3, 9, "sde", {"sde1"});
    sys.AddDisk("pci0000:00/0000:00:17.0/ata1", nullptr, 0, "sda", {"sda1", "sda2"});
    sys.WriteMounts(
        "sysfs /sys sysfs rw,nosuid,nodev,noexec,relatime 0 0\n"
        "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
        "/dev/sda2 / ext4 rw,relatime 0 0\n"
        "/dev/sda1 /boot/efi vfat rw,relatime 0 0\n"
        "tmpfs /run tmpfs rw,nosuid,nodev,size=1630080k,mode=755 0 0\n"
        "/dev/sdd1 /media/op/SANDISK vfat rw,nosuid,nodev,relatime 0 0\n"
        "/dev/sdb1 /media/op/TERMINAL\\040DISK vfat rw,nosuid,nodev,relatime,uid=1000 0 0\n"
        "/dev/sdb1 /mnt/second-mount vfat rw 0 0\n"
        "/dev/sdc /mnt/term2 vfat rw,relatime 0 0\n"
        "/dev/sde11 /mnt/not-sde vfat rw 0 0\n");
    sys.AddVolumeId("1a2b-3c4d", "sdc");  // the terminal disk without a USB serial
    sys.AddVolumeId("5E6F-7081", "sdb1");
    sys.AddVolumeId("0fa1b2c3-9d8e-4f70-a1b2-c3d4e5f60718", "sda2");
    sys.AddVolumeId("4E21-0000", "sdb");  // the whole disk, not the mounted partition
}

TEST(SysfsDisks, TerminalDisksThatAreMountedInDeviceNameOrder) {
    RecordedSysfs sys;
    RecordMachine(sys);
    std::vector<UsbDiskInfo> disks;
    ASSERT_TRUE(FindSysfsUsbDisks(disks, 0x04CC, 0x1213, sys.Paths()));
    ASSERT_EQ(disks.size(), 2u);

    EXPECT_STREQ(disks[0].volume.szDrivePath, L"/media/op/TERMINAL DISK/");  // first line of the table
    EXPECT_STREQ(disks[0].volume.szVolumeName, L"/dev/sdb1");
    EXPECT_EQ(disks[0].volume.dwDiskNumber, kNoDiskNumber);
    EXPECT_EQ(disks[0].wVendorId, 0x04CC);
    EXPECT_EQ(disks[0].wProductId, 0x1213);
    EXPECT_STREQ(disks[0].szSerial, L"5A6B7C");
    EXPECT_STREQ(disks[0].volume.szVolumeSerial, L"5E6F-7081");

    EXPECT_STREQ(disks[1].volume.szDrivePath, L"/mnt/term2/");
    EXPECT_STREQ(disks[1].volume.szVolumeName, L"/dev/sdc");
    EXPECT_EQ(disks[1].wVendorId, 0x04CC);
    EXPECT_EQ(disks[1].wProductId, 0x1213);
    EXPECT_STREQ(disks[1].szSerial, L"");  // no serial file
    EXPECT_STREQ(disks[1].volume.szVolumeSerial, L"1A2B-3C4D");
}

TEST(SysfsDisks, AnyDiskProductOtherIdsAndAppending) {
    RecordedSysfs sys;
    RecordMachine(sys);

    // 0x121D: every mounted USB disk whatever its ids; never the SATA disk.
    std::vector<UsbDiskInfo> any;
    ASSERT_TRUE(FindSysfsUsbDisks(any, 0x1234, 0x121D, sys.Paths()));
    ASSERT_EQ(any.size(), 3u);
    EXPECT_STREQ(any[0].volume.szVolumeName, L"/dev/sdb1");
    EXPECT_STREQ(any[1].volume.szVolumeName, L"/dev/sdc");
    EXPECT_STREQ(any[2].volume.szDrivePath, L"/media/op/SANDISK/");
    EXPECT_EQ(any[2].wVendorId, 0x0781);
    EXPECT_EQ(any[2].wProductId, 0x5581);
    EXPECT_STREQ(any[2].szSerial, L"4C530001");

    std::vector<UsbDiskInfo> none;
    EXPECT_FALSE(FindSysfsUsbDisks(none, 0x04CC, 0x1214, sys.Paths()));
    EXPECT_FALSE(FindSysfsUsbDisks(none, 0x0781, 0x1213, sys.Paths()));
    EXPECT_TRUE(none.empty());

    // Appends, as COpenDisk::FindDisks does.
    std::vector<UsbDiskInfo> out(1);
    std::memset(out.data(), 0, sizeof(UsbDiskInfo));
    EXPECT_TRUE(FindSysfsUsbDisks(out, 0x0781, 0x5581, sys.Paths()));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_STREQ(out[1].volume.szVolumeName, L"/dev/sdd1");

    // The terminal disk that is not mounted appears once it is.
    sys.WriteMounts("/dev/sde1 /media/op/T3 vfat rw 0 0\n");
    std::vector<UsbDiskInfo> later;
    ASSERT_TRUE(FindSysfsUsbDisks(later, 0x04CC, 0x1213, sys.Paths()));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_STREQ(later[0].szSerial, L"UNMOUNTED");
    EXPECT_STREQ(later[0].volume.szDrivePath, L"/media/op/T3/");

    // No tree or no table: no disks.
    EXPECT_FALSE(FindSysfsUsbDisks(none, 0x04CC, 0x121D, SysfsPaths{sys.Root().string() + "/none", sys.MountsFile()}));
    EXPECT_FALSE(FindSysfsUsbDisks(none, 0x04CC, 0x121D, SysfsPaths{sys.Root().string(), sys.MountsFile() + ".x"}));
}

// A disk given by its mount path: the USB serial, else the volume id; a
// folder inside a disk, a file system without a device and an unknown path
// have none.
TEST(SysfsDisks, DiskIdentityAtAMountPath) {
    RecordedSysfs sys;
    RecordMachine(sys);
    sys.AddDisk("pci0000:00/0000:00:14.0/usb1/1-3", &kTerminal2, 10, "sdf", {"sdf1"});  // no serial, no id
    sys.WriteMounts(
        "/dev/sda2 / ext4 rw,relatime 0 0\n"
        "tmpfs /run tmpfs rw,nosuid,nodev 0 0\n"
        "/dev/sdb1 /media/op/TERMINAL\\040DISK vfat rw 0 0\n"
        "/dev/sdb1 /mnt/second-mount vfat rw 0 0\n"
        "/dev/sdd1 /mnt/term2 vfat rw 0 0\n"
        "/dev/sdc /mnt/term2 vfat rw 0 0\n"  // mounted over the stick: this one is seen
        "/dev/sdf1 /mnt/bare vfat rw 0 0\n");
    const std::pair<const char*, const wchar_t*> rows[] = {
        {"/media/op/TERMINAL DISK", L"usb 04CC:1213 5A6B7C"},
        {"/media/op/TERMINAL DISK/", L"usb 04CC:1213 5A6B7C"},
        {"/mnt/second-mount", L"usb 04CC:1213 5A6B7C"},
        {"/mnt/term2", L"volume 1A2B-3C4D"},
        {"/", L"volume 0FA1B2C3-9D8E-4F70-A1B2-C3D4E5F60718"},
        {"/mnt/bare", L""},
        {"/media/op/TERMINAL DISK/sub", L""},
        {"/run", L""},
        {"/media/op", L""},
        {"", L""},
    };
    for (const auto& [path, identity] : rows) EXPECT_EQ(SysfsDiskIdentityAt(path, sys.Paths()), identity) << path;

    // The program's own entry point reads the same tree from the environment.
    setenv("QUILLON_SYSFS_ROOT", sys.Root().c_str(), 1);
    setenv("QUILLON_MOUNTS", sys.MountsFile().c_str(), 1);
    EXPECT_EQ(DiskIdentityAt(L"/mnt/second-mount/"), L"usb 04CC:1213 5A6B7C");
    unsetenv("QUILLON_SYSFS_ROOT");
    unsetenv("QUILLON_MOUNTS");
}

TEST(SysfsDisks, MountTableEscapes) {
    EXPECT_EQ(UnescapeMountField("/media/a\\040b\\011c\\134d\\012"), "/media/a b\tc\\d\n");
    EXPECT_EQ(UnescapeMountField("\\04"), "\\04");       // too short: kept
    EXPECT_EQ(UnescapeMountField("a\\x41\\999"), "a\\x41\\999");  // not octal: kept
    std::vector<MountEntry> m = ParseMountTable("/dev/sdb1 /mnt/x\\040y vfat rw 0 0\n\nbroken\n/dev/sdc /z ext4 rw 0 0");
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].device, "/dev/sdb1");
    EXPECT_EQ(m[0].path, "/mnt/x y");
    EXPECT_EQ(m[1].path, "/z");
}

}  // namespace
