#include <windows.h>

#include <memory>

#include "app/DeviceModel.h"
#include "cli/ModelDisks.h"
#include "device/DiskRecording.h"
#include "device/OpenDisk.h"
#include "platform/Text.h"

std::vector<UsbDiskInfo> FindModelDisks(int modelIndex) {
    std::vector<UsbDiskInfo> disks;
    const DeviceModel* model = FindDeviceModel(modelIndex);
    if (!model) return disks;
    const std::wstring variable = platform::Utf8ToWide(kDiskRecordingVariable);
    wchar_t path[1024];
    const DWORD n = ::GetEnvironmentVariableW(variable.c_str(), path, 1024);
    auto discovery = n > 0 && n < 1024 ? std::make_unique<COpenDisk>(MakeRecordingFileDiskSystem(path))
                                       : std::make_unique<COpenDisk>();
    discovery->SetDiagnostics(nullptr);  // standard output carries the program's own output
    discovery->Refresh();
    discovery->FindDisks(disks, kTerminalVendorId, model->productId);
    return disks;
}
