#include "cli/UpgradeRecords.h"

#include "app/RunRecord.h"
#include "app/UpgradeLog.h"
#include "QuillonVersion.h"

void UpgradeRecords::Append(const DeliveryReport& report) {
    std::call_once(m_packRead, [&]() {
        RunFileSystem files;
        m_base = StartRunRecord(report.request, files, QUILLON_VERSION_TEXT);
        m_base.modelName = m_plan.modelName;  // the operator's choice; a variant goes in its own field
    });
    UpgradeRecord record = m_base;
    record.utcTime = report.startedAt;
    record.target = report.request.connection == kConnectionEthernet ? report.request.terminalAddress
                                                                     : report.request.disk.volume.szDrivePath;
    FinishRunRecord(&record, report.outcome, report.reports);
    std::lock_guard<std::mutex> hold(m_appendLock);
    AppendUpgradeRecord(DefaultUpgradeLogPath(), record);
}
