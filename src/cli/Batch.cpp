#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

#include "app/RecordingProgressSink.h"
#include "app/UpgradePackCheck.h"
#include "app/UpgradeRun.h"
#include "pack/FileDigest.h"
#include "cli/TableProgressSink.h"
#include "platform/ScratchFolder.h"
#include "platform/Environment.h"
#include "platform/File.h"

namespace {

// The FTP login of models whose row has none (M2450): the one the window
// keeps from the models before it.
constexpr wchar_t kFallbackFtpUser[] = L"admin";

void Deliver(const BatchPlan& plan, const BatchOutcome& check, IDeliveryFactory& factory, StatusTable& table,
             size_t index, const std::wstring& workFolder, const DeliveryDone& done) {
    const auto start = std::chrono::steady_clock::now();
    RunRequest request = MakeDeliveryRequest(plan, check, plan.targets[index]);
    DeliveryConnections connections =
        factory.Make([&table, index](uint64_t sent, uint64_t total) { table.ReportBytes(index, sent, total); });
    TableProgressSink sink(table, index);
    RecordingProgressSink reports(sink);
    const std::string startedAt = platform::UtcTimeText();
    platform::MakeDirectory(workFolder);
    CUpgradeRun run(request, {reports, *connections.ftp, *connections.start, *connections.files}, workFolder);
    run.Run();
    const RunOutcome& outcome = run.Outcome();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    table.Finish(index, outcome.result, outcome.finalText, seconds);
    if (done) done({index, request, outcome, reports, startedAt});
}

}  // namespace

RunRequest MakeDeliveryRequest(const BatchPlan& plan, const BatchOutcome& check, const std::wstring& target) {
    RunRequest r;
    r.modelIndex = check.modelIndex;
    r.modelName = check.modelName;
    r.connection = plan.connection;
    r.packKind = plan.kind;
    r.packPath = plan.packPath;
    r.packChecked = true;
    r.packMd5 = check.packMd5;
    r.signerKeyId = check.signerKeyId;
    if (plan.connection == kConnectionEthernet) {
        r.terminalAddress = target;
        r.ftpPort = 21;
        const DeviceModel* row = FindRunModel(check.modelIndex);
        const bool ownLogin = row && row->login.user;
        r.ftpUser = ownLogin ? row->login.user : kFallbackFtpUser;
        r.ftpPassword = ownLogin ? row->login.password : kTerminalFtpPassword;
    } else {
        r.haveDisk = true;
        const size_t n = std::min(target.size(), std::size(r.disk.volume.szDrivePath) - 1);
        std::copy_n(target.begin(), n, r.disk.volume.szDrivePath);
        r.disk.volume.szDrivePath[n] = L'\0';
        r.disk.volume.dwDiskNumber = kNoDiskNumber;
    }
    return r;
}

BatchOutcome RunBatch(const BatchPlan& plan, IDeliveryFactory& factory, StatusTable& table,
                      const DeliveryDone& done) {
    BatchOutcome outcome;
    platform::ScratchFolder folder;
    if (!folder.Create(L"quillon-")) return outcome;
    outcome.ready = true;

    PackCheckResult check =
        CheckUpgradePack(plan.packPath, folder.Path() + L"\\temp", plan.modelIndex, plan.modelName, plan.kind, nullptr,
                         &plan.trust);
    platform::RemoveTree(folder.Path() + L"\\temp");
    outcome.modelIndex = check.modelIndex;
    outcome.modelName = check.modelName;
    outcome.signerKeyId = check.signerKeyId;
    if (!check.Accepted()) {
        outcome.checkText = check.message;
        return outcome;
    }
    outcome.checkAccepted = true;
    if (!FileMD5Hex(plan.packPath, &outcome.packMd5)) outcome.packMd5.clear();

    std::atomic<size_t> next{0};
    auto worker = [&]() {
        for (size_t i; (i = next++) < plan.targets.size();)
            Deliver(plan, outcome, factory, table, i, folder.Path() + L"\\d" + std::to_wstring(i + 1), done);
    };
    const size_t threads = std::min<size_t>(std::max(plan.jobs, 1), plan.targets.size());
    std::vector<std::thread> pool;
    try {
        for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
    } catch (const std::system_error&) {
        // No more threads from the system: the ones started take every target.
    }
    if (pool.empty()) worker();
    for (std::thread& t : pool) t.join();
    return outcome;
}

int BatchExitCode(const BatchOutcome& outcome, const std::vector<TargetStatus>& rows) {
    if (!outcome.ready || !outcome.checkAccepted) return 2;
    for (const TargetStatus& row : rows)
        if (!row.finished || row.result != UpgradeResult::Success) return 1;
    return 0;
}
