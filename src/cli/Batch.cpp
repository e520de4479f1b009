#include "cli/Batch.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <system_error>
#include <thread>

#include "app/RecordingProgressSink.h"
#include "app/RunTexts.h"
#include "app/UpgradeRecord.h"
#include "app/UpgradePackCheck.h"
#include "app/UpgradeRun.h"
#include "cli/DoneLog.h"
#include "cli/DryRun.h"
#include "cli/RetryPolicy.h"
#include "cli/TableProgressSink.h"
#include "platform/ScratchFolder.h"
#include "platform/Environment.h"
#include "platform/File.h"

namespace {

// What every delivery of one batch shares.
struct BatchContext {
    const BatchPlan& plan;
    const BatchOutcome& check;
    IDeliveryFactory& factory;
    StatusTable& table;
    const DeliveryDone& done;
};

// One delivery, tried again while it fails to connect and retries are
// left; the row finishes with the last attempt. True on success.
bool Deliver(const BatchContext& batch, size_t index, const std::wstring& workFolder) {
    const BatchPlan& plan = batch.plan;
    StatusTable& table = batch.table;
    const auto start = std::chrono::steady_clock::now();
    const RetryPolicy retry(plan.rollout.retries);
    RunRequest request = MakeDeliveryRequest(plan, batch.check, index);
    for (int attempt = 1;; ++attempt) {
        if (attempt > 1) std::this_thread::sleep_for(std::chrono::duration<double>(retry.PauseBefore(attempt)));
        table.CountAttempt(index);
        DeliveryServices connections =
            batch.factory.Make([&table, index](uint64_t sent, uint64_t total) { table.ReportBytes(index, sent, total); });
        TableProgressSink sink(table, index);
        RecordingProgressSink reports(sink);
        const std::string startedAt = platform::UtcTimeText();
        platform::MakeDirectory(workFolder);
        CUpgradeRun run(request, {reports, *connections.ftp, *connections.start, *connections.files}, workFolder);
        run.Run();
        const RunOutcome& outcome = run.Outcome();
        const bool again = retry.ShouldRetry(outcome, attempt);
        if (!again) {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            table.Finish(index, outcome.result, outcome.finalText, seconds);
        }
        if (batch.done) batch.done({index, request, outcome, reports, startedAt});
        if (!again) return outcome.result == UpgradeResult::Success;
    }
}

class NoProgress : public IProgressSink {
public:
    void SetProgress(double, const std::wstring&) override {}
    void CloseAfterDelay() override {}
    void ShowResult(bool) override {}
    void CloseOnEnter() override {}
};

void AbortDelivery(const BatchContext& batch, size_t index) {
    const BatchOutcome& check = batch.check;
    try {
        batch.table.Finish(index, UpgradeResult::Failure, runtext::kRunAborted, 0.0);
        if (!batch.done || batch.plan.rollout.dryRun) return;
        const RunRequest request = MakeDeliveryRequest(batch.plan, check, index);
        RunOutcome outcome;
        outcome.result = UpgradeResult::Failure;
        outcome.finalText = runtext::kRunAborted;
        outcome.modelIndex = check.modelIndex;
        outcome.modelName = check.modelName;
        outcome.packMd5 = check.packMd5;
        outcome.packSize = check.packSize;
        NoProgress none;
        RecordingProgressSink reports(none);
        batch.done({index, request, outcome, reports, platform::UtcTimeText()});
    } catch (...) {
        // Out of memory even for the record: the table row is all there is.
    }
}

bool Probe(const BatchContext& batch, size_t index) {
    batch.table.SetState(index, TargetState::Probed);
    batch.table.CountAttempt(index);
    DeliveryServices connections = batch.factory.Make(nullptr);
    return ProbeTarget(MakeDeliveryRequest(batch.plan, batch.check, index), connections, batch.table, index);
}

// The targets to deliver to, in order; those the upgrade log holds as done
// with this pack are marked so.
std::vector<size_t> TargetsToDeliver(const BatchPlan& plan, const BatchOutcome& check, StatusTable& table) {
    std::set<DoneKey> done;
    if (plan.rollout.skipDone) done = ReadDoneTargets(plan.doneLogPath, check.packMd5);
    std::vector<size_t> order;
    for (size_t i = 0; i < plan.targets.size(); ++i) {
        // A USB disk is known by its identity: one without is always delivered.
        const std::wstring key = plan.connection == kConnectionEthernet
                                     ? plan.targets[i]
                                     : (i < plan.diskIds.size() ? plan.diskIds[i] : std::wstring());
        if (!key.empty() && done.count({ConnectionName(plan.connection), key}))
            table.Skip(i, TargetState::AlreadyDone, UpgradeResult::Success, kAlreadyDoneText);
        else
            order.push_back(i);
    }
    return order;
}

}  // namespace

const wchar_t kNotStartedText[] = L"not started";
const wchar_t kAlreadyDoneText[] = L"already done";

RunRequest MakeDeliveryRequest(const BatchPlan& plan, const BatchOutcome& check, size_t index) {
    const std::wstring& target = plan.targets[index];
    RunRequest r;
    r.modelIndex = check.modelIndex;
    r.modelName = check.modelName;
    r.connection = plan.connection;
    r.packKind = plan.kind;
    r.packPath = plan.packPath;
    r.checkedPack = check.pack;
    r.signerKeyId = check.signerKeyId;
    r.signerComment = check.signerComment;
    if (plan.connection == kConnectionEthernet) {
        r.terminalAddress = target;
        r.ftpPort = 21;
        const DeviceModel* row = FindRunModel(check.modelIndex);
        if (row && row->login.user) {
            r.ftpUser = row->login.user;
            r.ftpPassword = row->login.password;
        }
    } else {
        r.haveDisk = true;
        r.diskPath = target;
        if (index < plan.diskIds.size()) r.diskIdentity = plan.diskIds[index];
    }
    return r;
}

BatchOutcome RunBatch(const BatchPlan& plan, IDeliveryFactory& factory, StatusTable& table,
                      const DeliveryDone& done) {
    BatchOutcome outcome;
    platform::ScratchFolder folder;
    if (!folder.Create(L"quillon-")) return outcome;
    outcome.ready = true;

    // One read of the pack for the whole batch: every delivery gets this
    // copy, checked once, and its digests.
    std::string problem;
    std::shared_ptr<const PackSnapshot> pack =
        PackSnapshot::Take(plan.packPath, folder.Path() + L"\\pack.snapshot", &problem);
    PackCheckResult check =
        pack ? CheckUpgradePack(*pack, folder.Path() + L"\\temp", {plan.modelIndex, plan.modelName, plan.kind, &plan.trust})
             : UnreadablePack(problem, plan.modelIndex, plan.modelName);
    platform::RemoveTree(folder.Path() + L"\\temp");
    outcome.modelIndex = check.modelIndex;
    outcome.modelName = check.modelName;
    outcome.signerKeyId = check.signerKeyId;
    outcome.signerComment = check.signerComment;
    if (!check.Accepted()) {
        outcome.checkText = check.message;
        return outcome;
    }
    outcome.checkAccepted = true;
    outcome.pack = pack;
    outcome.packMd5 = pack->Md5();
    outcome.packSize = pack->Size();

    // A dry run reaches every target; waves only gate real deliveries.
    const bool dryRun = plan.rollout.dryRun;
    std::vector<size_t> order = TargetsToDeliver(plan, outcome, table);
    const size_t count = order.size();
    WaveGate gate(std::move(order), dryRun ? 0 : plan.rollout.canary, dryRun ? MaxFail{} : plan.rollout.maxFail);
    const BatchContext batch{plan, outcome, factory, table, done};
    auto worker = [&]() {
        for (size_t i; gate.Next(&i);) {
            bool success = false;
            try {
                success = dryRun ? Probe(batch, i) : Deliver(batch, i, folder.Path() + L"\\d" + std::to_wstring(i + 1));
            } catch (...) {
                // A delivery the program itself could not carry on (no memory,
                // no connection object) fails alone; the batch goes on.
                AbortDelivery(batch, i);
            }
            gate.Finished(i, success);
        }
    };
    const size_t threads = std::min<size_t>(std::max(plan.jobs, 1), count);
    std::vector<std::thread> pool;
    try {
        for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
    } catch (const std::system_error&) {
        // No more threads from the system: the ones started take every target.
    }
    if (pool.empty()) worker();
    for (std::thread& t : pool) t.join();
    for (size_t i : gate.NotStarted()) table.Skip(i, TargetState::NotStarted, UpgradeResult::Refused, kNotStartedText);
    outcome.stopped = gate.Stopped();
    // The copy goes with its folder: nothing is delivered after the batch.
    outcome.pack.reset();
    pack.reset();
    return outcome;
}

int BatchExitCode(const BatchOutcome& outcome, const std::vector<TargetStatus>& rows) {
    if (!outcome.ready || !outcome.checkAccepted) return 2;
    for (const TargetStatus& row : rows)
        if (!row.finished || row.result != UpgradeResult::Success) return 1;
    return 0;
}
