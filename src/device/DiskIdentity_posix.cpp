#include "device/DiskIdentity.h"
#include "device/SysfsDisks_posix.h"
#include "platform/Text.h"

std::wstring DiskIdentityAt(const std::wstring& mountPath) {
    // The portable code's paths use backslashes; the mount table slashes.
    std::wstring path = mountPath;
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return SysfsDiskIdentityAt(platform::WideToUtf8(path), SysfsPathsFromEnvironment());
}
