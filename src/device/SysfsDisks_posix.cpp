#include "device/SysfsDisks_posix.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "device/DiskIdentity.h"
#include "platform/Text.h"

namespace {


bool ReadSmallFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r' || text->back() == ' '))
        text->pop_back();
    return true;
}

bool IsFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadHexId(const std::string& path, uint16_t* id) {
    std::string text;
    if (!ReadSmallFile(path, &text) || text.empty() || text.size() > 4) return false;
    unsigned value = 0;
    for (char c : text) {
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        value = value * 16 + static_cast<unsigned>(d);
    }
    *id = static_cast<uint16_t>(value);
    return true;
}

bool RealPath(const std::string& path, std::string* resolved) {
    char* r = realpath(path.c_str(), nullptr);
    if (!r) return false;
    *resolved = r;
    std::free(r);
    return true;
}

std::vector<std::string> ListNames(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

struct UsbIdentity {
    uint16_t vendor = 0, product = 0;
    std::string serial;
};

// The USB device above a block device: the nearest ancestor of its
// resolved "device" folder, below <root>/devices, that has idVendor and
// idProduct.
bool FindUsbAncestor(const std::string& devicesRoot, const std::string& deviceLink, UsbIdentity* id) {
    std::string dir;
    if (!RealPath(deviceLink, &dir)) return false;
    while (dir.size() > devicesRoot.size() && dir.compare(0, devicesRoot.size() + 1, devicesRoot + "/") == 0) {
        if (IsFile(dir + "/idVendor") && IsFile(dir + "/idProduct")) {
            if (!ReadHexId(dir + "/idVendor", &id->vendor) || !ReadHexId(dir + "/idProduct", &id->product))
                return false;
            if (!ReadSmallFile(dir + "/serial", &id->serial)) id->serial.clear();
            return true;
        }
        dir.erase(dir.rfind('/'));
    }
    return false;
}

// The dev folder beside the sysfs root: /dev for /sys.
std::string DevFolderBeside(std::string sysfsRoot) {
    while (sysfsRoot.size() > 1 && sysfsRoot.back() == '/') sysfsRoot.pop_back();
    const size_t slash = sysfsRoot.rfind('/');
    return (slash == std::string::npos ? std::string(".") : sysfsRoot.substr(0, slash)) + "/dev";
}

// The by-uuid name of block device `name` (sdb1), upper case; "" when no
// link points at it.
std::string VolumeIdOf(const std::string& name, const SysfsPaths& paths) {
    const std::string folder = DevFolderBeside(paths.sysfsRoot) + "/disk/by-uuid";
    for (const std::string& id : ListNames(folder)) {
        char target[PATH_MAX];
        const ssize_t n = readlink((folder + "/" + id).c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        std::string t(target, static_cast<size_t>(n));
        if (t.substr(t.rfind('/') + 1) != name) continue;
        for (char& c : t = id)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return t;
    }
    return "";
}

template <size_t N>
bool CopyField(const std::wstring& text, wchar_t (&field)[N]) {
    if (text.size() >= N) {
        field[0] = L'\0';
        return false;
    }
    std::copy(text.begin(), text.end(), field);
    field[text.size()] = L'\0';
    return true;
}

}  // namespace

std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<MountEntry> ParseMountTable(const std::string& text) {
    std::vector<MountEntry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, path;
        if (!(fields >> device >> path)) continue;
        entries.push_back({UnescapeMountField(device), UnescapeMountField(path)});
    }
    return entries;
}

bool FindSysfsUsbDisks(std::vector<UsbDiskInfo>& out, uint16_t vendorId, uint16_t productId,
                       const SysfsPaths& paths) {
    std::string root;
    std::string mountsText;
    if (RealPath(paths.sysfsRoot, &root) && ReadSmallFile(paths.mountsFile, &mountsText)) {
        const std::vector<MountEntry> mounts = ParseMountTable(mountsText);
        const std::string devicesRoot = root + "/devices";
        const std::string blockRoot = paths.sysfsRoot + "/block";
        for (const std::string& disk : ListNames(blockRoot)) {  // sorted: the stable order
            UsbIdentity id;
            if (!FindUsbAncestor(devicesRoot, blockRoot + "/" + disk + "/device", &id)) continue;
            if (productId != kAnyUsbDiskProductId && (id.vendor != vendorId || id.product != productId)) continue;

            // The disk and its partitions, as /dev names.
            std::vector<std::string> devices{"/dev/" + disk};
            for (const std::string& child : ListNames(blockRoot + "/" + disk))
                if (IsFile(blockRoot + "/" + disk + "/" + child + "/partition")) devices.push_back("/dev/" + child);
            const MountEntry* mount = nullptr;
            for (const MountEntry& m : mounts) {
                if (std::find(devices.begin(), devices.end(), m.device) != devices.end()) {
                    mount = &m;
                    break;
                }
            }
            if (!mount) continue;

            UsbDiskInfo record;
            std::memset(&record, 0, sizeof record);
            std::string drive = mount->path;
            if (drive.empty() || drive.back() != '/') drive += '/';
            CopyField(platform::Utf8ToWide(drive), record.volume.szDrivePath);
            CopyField(platform::Utf8ToWide(mount->device), record.volume.szVolumeName);
            record.volume.dwDiskNumber = kNoDiskNumber;
            const std::string device = mount->device.substr(mount->device.rfind('/') + 1);
            CopyField(platform::Utf8ToWide(VolumeIdOf(device, paths)), record.volume.szVolumeSerial);
            record.wVendorId = id.vendor;
            record.wProductId = id.product;
            CopyField(platform::Utf8ToWide(id.serial).substr(0, 255), record.szSerial);
            out.push_back(record);
        }
    }
    return !out.empty();
}

SysfsPaths SysfsPathsFromEnvironment() {
    SysfsPaths paths;
    if (const char* root = std::getenv("QUILLON_SYSFS_ROOT"); root && *root) paths.sysfsRoot = root;
    if (const char* mounts = std::getenv("QUILLON_MOUNTS"); mounts && *mounts) paths.mountsFile = mounts;
    return paths;
}

std::wstring SysfsDiskIdentityAt(const std::string& mountPath, const SysfsPaths& paths) {
    std::string mountsText;
    if (mountPath.empty() || !ReadSmallFile(paths.mountsFile, &mountsText)) return L"";
    std::string wanted;
    if (!RealPath(mountPath, &wanted)) wanted = mountPath;
    while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
    const std::vector<MountEntry> mounts = ParseMountTable(mountsText);
    const MountEntry* mount = nullptr;
    for (const MountEntry& m : mounts)
        if (m.path == wanted) mount = &m;
    if (!mount || mount->device.compare(0, 5, "/dev/") != 0) return L"";
    const std::string name = mount->device.substr(mount->device.rfind('/') + 1);

    UsbDiskInfo record;
    std::memset(&record, 0, sizeof record);
    std::string root;
    if (RealPath(paths.sysfsRoot, &root)) {
        const std::string blockRoot = paths.sysfsRoot + "/block";
        for (const std::string& disk : ListNames(blockRoot)) {
            if (disk != name && !IsFile(blockRoot + "/" + disk + "/" + name + "/partition")) continue;
            UsbIdentity id;
            if (FindUsbAncestor(root + "/devices", blockRoot + "/" + disk + "/device", &id)) {
                record.wVendorId = id.vendor;
                record.wProductId = id.product;
                CopyField(platform::Utf8ToWide(id.serial).substr(0, 255), record.szSerial);
            }
            break;
        }
    }
    CopyField(platform::Utf8ToWide(VolumeIdOf(name, paths)), record.volume.szVolumeSerial);
    return DiskIdentityOf(record);
}
