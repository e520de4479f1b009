#include "app/RunRecord.h"

#include "platform/Environment.h"

UpgradeRecord StartRunRecord(const RunRequest& request, const std::wstring& toolVersion) {
    UpgradeRecord record;
    record.utcTime = platform::UtcTimeText();
    record.toolVersion = toolVersion;
    record.pcName = platform::MachineName();
    const DeviceModel* base = FindDeviceModel(BaseModelIndex(request.modelIndex));
    record.modelName = base ? base->name : request.modelName;
    record.connection = request.connection;
    record.target = request.connection == kConnectionEthernet
                        ? request.terminalAddress
                        : request.diskPath;
    record.diskId = request.diskIdentity;
    const size_t cut = request.packPath.find_last_of(L"\\/");
    record.packName = cut == std::wstring::npos ? request.packPath : request.packPath.substr(cut + 1);
    return record;
}

void FinishRunRecord(UpgradeRecord* record, const RunOutcome& outcome, const RecordingProgressSink& reports) {
    record->packSize = outcome.packSize;
    record->packMd5 = outcome.packMd5;
    record->signer = outcome.signerKeyId;
    record->signerComment = outcome.signerComment;
    if (outcome.modelIndex >= kModelCount) record->variantName = outcome.modelName;
    if (!outcome.diskPath.empty()) record->target = outcome.diskPath;
    record->result = outcome.result;
    record->finalText = outcome.finalText;
    reports.FillRecord(record);
}

UpgradeRecord MakeRunRecord(const RunRequest& request, const RunOutcome& outcome, const RecordingProgressSink& reports,
                            const std::wstring& toolVersion, const std::string& startedAt) {
    UpgradeRecord record = StartRunRecord(request, toolVersion);
    record.utcTime = startedAt;
    FinishRunRecord(&record, outcome, reports);
    return record;
}
