#include "cli/UpgradeRecords.h"

#include "app/RunRecord.h"
#include "app/UpgradeLog.h"
#include "QuillonVersion.h"

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
