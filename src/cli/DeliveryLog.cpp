#include "cli/DeliveryLog.h"

#include "app/RunRecord.h"
#include "app/UpgradeLog.h"
#include "QuillonVersion.h"
#include "platform/File.h"

void DeliveryLog::Append(const DeliveryReport& report) {
    const UpgradeRecord record =
        MakeRunRecord(report.request, report.outcome, report.reports, QUILLON_VERSION_TEXT, report.startedAt);
    std::lock_guard<std::mutex> hold(m_appendLock);
    AppendUpgradeRecord(DefaultUpgradeLogPath(), record);
}

void DeliveryLog::AppendNotStarted(const BatchOutcome& check, const std::vector<TargetStatus>& rows) {
    if (!check.checkAccepted) return;
    const uint64_t packSize = check.packSize;
    for (size_t i = 0; i < rows.size() && i < m_plan.targets.size(); ++i) {
        if (rows[i].state != TargetState::NotStarted) continue;
        const RunRequest request = MakeDeliveryRequest(m_plan, check, i);
        UpgradeRecord record = StartRunRecord(request, QUILLON_VERSION_TEXT);
        if (check.modelIndex >= kModelCount) record.variantName = check.modelName;
        record.packSize = packSize;
        record.packMd5 = check.packMd5;
        record.resultName = "not started";
        record.finalText = rows[i].finalText;
        std::lock_guard<std::mutex> hold(m_appendLock);
        AppendUpgradeRecord(DefaultUpgradeLogPath(), record);
    }
}
