#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <memory>

#include "app/DeviceModel.h"
#include "cli/ModelDisks.h"
#include "device/DiskRecording.h"
#include "device/OpenDisk.h"
#include "platform/Text.h"

namespace {
// Disk discovery writes diagnostic lines to standard output, which here
// carries the program's own output: they go to NUL while it runs.
class SilencedStandardOutput {
public:
    SilencedStandardOutput() {
        std::fflush(stdout);
        m_saved = _dup(1);
        const int nul = _open("NUL", _O_WRONLY);
        if (m_saved >= 0 && nul >= 0) m_silenced = _dup2(nul, 1) == 0;
        if (nul >= 0) _close(nul);
    }
    ~SilencedStandardOutput() {
        std::fflush(stdout);
        if (m_silenced) _dup2(m_saved, 1);
        if (m_saved >= 0) _close(m_saved);
    }
    SilencedStandardOutput(const SilencedStandardOutput&) = delete;
    SilencedStandardOutput& operator=(const SilencedStandardOutput&) = delete;

private:
    int m_saved = -1;
    bool m_silenced = false;
};
}  // namespace

std::vector<UsbDiskInfo> FindModelDisks(int modelIndex) {
    std::vector<UsbDiskInfo> disks;
    const DeviceModel* model = FindDeviceModel(modelIndex);
    if (!model) return disks;
    const std::wstring variable = platform::Utf8ToWide(kDiskRecordingVariable);
    wchar_t path[1024];
    const DWORD n = ::GetEnvironmentVariableW(variable.c_str(), path, 1024);
    auto discovery = n > 0 && n < 1024 ? std::make_unique<COpenDisk>(MakeRecordingFileDiskSystem(path))
                                       : std::make_unique<COpenDisk>();
    {
        SilencedStandardOutput silence;
        discovery->Refresh();
    }
    discovery->FindDisks(disks, kTerminalVendorId, model->productId);
    return disks;
}
