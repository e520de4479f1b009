#include <cstdlib>

#include "app/DeviceModel.h"
#include "cli/ModelDisks.h"
#include "device/SysfsDisks_posix.h"

std::vector<UsbDiskInfo> FindModelDisks(int modelIndex) {
    std::vector<UsbDiskInfo> disks;
    const DeviceModel* model = FindDeviceModel(modelIndex);
    if (!model) return disks;
    SysfsPaths paths;
    if (const char* root = std::getenv("QUILLON_SYSFS_ROOT"); root && *root) paths.sysfsRoot = root;
    if (const char* mounts = std::getenv("QUILLON_MOUNTS"); mounts && *mounts) paths.mountsFile = mounts;
    FindSysfsUsbDisks(disks, kTerminalVendorId, model->productId, paths);
    return disks;
}
