#pragma once
// The PC's own volumes and disk interfaces (Windows): volume walk, mount
// paths, IOCTL_STORAGE_GET_DEVICE_NUMBER, SetupAPI and CM_Get_Parent.
#include <memory>

#include "device/DiskSystem.h"

std::unique_ptr<DiskSystem> CreateSetupApiDiskSystem();
