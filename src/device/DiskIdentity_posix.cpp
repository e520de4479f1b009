#include "device/DiskIdentity.h"
#include "device/SysfsDisks_posix.h"
#include "platform/Text.h"

std::wstring DiskIdentityAt(const std::wstring& mountPath) {
    return SysfsDiskIdentityAt(platform::WideToUtf8(mountPath), SysfsPathsFromEnvironment());
}
