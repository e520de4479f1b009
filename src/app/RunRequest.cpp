#include "app/RunRequest.h"

#include "app/UpgradeSelection.h"
#include "device/DiskIdentity.h"


RunRequest MakeRunRequest(const UpgradeSelection& selection) {
    RunRequest r;
    r.modelIndex = selection.modelIndex;
    r.modelName = selection.modelName;
    r.connection = selection.connectionMode;
    r.packKind = selection.packKind;
    r.packPath = selection.packPath;
    UsbDiskInfo disk{};
    if ((r.haveDisk = selection.SelectedDisk(&disk))) {
        r.diskPath = disk.volume.szDrivePath;
        r.diskIdentity = DiskIdentityOf(disk);
    }
    r.terminalAddress = selection.terminalAddress;
    r.ftpPort = selection.ftpPort;
    r.ftpUser = selection.ftpUser;
    r.ftpPassword = selection.ftpPassword;
    return r;
}

void ApplyRunOutcome(UpgradeSelection& selection, RunOutcome&& outcome) {
    selection.modelIndex = outcome.modelIndex;
    selection.modelName = outcome.modelName;
    if (!outcome.diskPath.empty()) selection.selectedDiskPath = outcome.diskPath;
}
