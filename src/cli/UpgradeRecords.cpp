#include "cli/UpgradeRecords.h"

#include "app/RunRecord.h"
#include "app/UpgradeLog.h"
#include "QuillonVersion.h"
#include "platform/File.h"

void UpgradeRecords::Append(const DeliveryReport& report) {
    UpgradeRecord record = StartRunRecord(report.request, QUILLON_VERSION_TEXT);
    record.modelName = m_plan.modelName;  // the operator's choice; a variant goes in its own field
    record.utcTime = report.startedAt;
    record.target = report.request.connection == kConnectionEthernet ? report.request.terminalAddress
                                                                     : report.request.disk.volume.szDrivePath;
    FinishRunRecord(&record, report.outcome, report.reports);
    std::lock_guard<std::mutex> hold(m_appendLock);
    AppendUpgradeRecord(DefaultUpgradeLogPath(), record);
}

void UpgradeRecords::AppendNotStarted(const BatchOutcome& check, const std::vector<TargetStatus>& rows) {
    if (!check.checkAccepted) return;
    const uint64_t packSize = check.packSize;
    for (size_t i = 0; i < rows.size() && i < m_plan.targets.size(); ++i) {
        if (rows[i].state != TargetState::NotStarted) continue;
        const RunRequest request = MakeDeliveryRequest(m_plan, check, i);
        UpgradeRecord record = StartRunRecord(request, QUILLON_VERSION_TEXT);
        record.modelName = m_plan.modelName;
        record.packSize = packSize;
        record.packMd5 = check.packMd5;
        record.resultName = "not started";
        record.finalText = rows[i].finalText;
        std::lock_guard<std::mutex> hold(m_appendLock);
        AppendUpgradeRecord(DefaultUpgradeLogPath(), record);
    }
}
