#include "app/RunRecord.h"

#include "platform/Environment.h"

UpgradeRecord StartRunRecord(const RunRequest& request, RunFileSystem& files, const std::wstring& toolVersion) {
    UpgradeRecord record;
    record.utcTime = platform::UtcTimeText();
    record.toolVersion = toolVersion;
    record.pcName = platform::MachineName();
    record.modelName = request.modelName;
    record.connection = request.connection;
    record.target = request.connection == kConnectionEthernet
                        ? request.terminalAddress
                        : (request.haveDisk ? std::wstring(request.disk.volume.szDrivePath) : std::wstring());
    const size_t cut = request.packPath.find_last_of(L"\\/");
    record.packName = cut == std::wstring::npos ? request.packPath : request.packPath.substr(cut + 1);
    if (!files.FileSize(request.packPath, &record.packSize)) record.packSize = 0;
    if (!files.FileMD5(request.packPath, &record.packMd5)) record.packMd5.clear();
    return record;
}

void FinishRunRecord(UpgradeRecord* record, const RunOutcome& outcome, const RecordingProgressSink& reports) {
    if (outcome.modelIndex >= kModelCount) record->variantName = outcome.modelName;
    if (!outcome.diskPath.empty()) record->target = outcome.diskPath;
    reports.FillRecord(record);
}
