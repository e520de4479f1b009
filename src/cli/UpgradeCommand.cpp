#include "cli/UpgradeCommand.h"

#include "cli/Batch.h"
#include "cli/BatchText.h"
#include "cli/DeliveryFactory.h"
#include "cli/LiveDisplay.h"
#include "cli/ModelDisks.h"
#include "cli/DeliveryLog.h"
#include "cli/UsbTargets.h"
#include "device/DiskIdentity.h"
#include "app/UpgradeLog.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "signature/SiteTrust.h"

namespace {

std::wstring Absolute(const std::wstring& path) {
    std::wstring absolute;
    return platform::FullPath(path, &absolute) ? absolute : path;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

int Usage(ConsoleOutput& err, const std::wstring& text) {
    err.Write("quillon: " + platform::WideToUtf8(text) + "\n");
    return 2;
}

}  // namespace

namespace {

// The site's trust file, and the keys --trusted-key adds to it; false with
// the usage error when a key cannot be read.
bool ReadTrust(const CliOptions& options, TrustedKeys* trust, std::wstring* error) {
    *trust = ReadSiteTrust(SiteTrustFiles());
    for (const std::wstring& key : options.trustedKeys) {
        std::string problem;
        if (!AddTrustedKey(trust, key, &problem)) {
            *error = L"--trusted-key " + key + L": " + platform::Utf8ToWide(problem);
            return false;
        }
    }
    return true;
}

// The USB targets as the system resolves them (the model's disks too, for
// --usb without a path), with their identities; false with the usage error
// when there is none or one disk is given twice. `shown` gets what the
// operator sees of each.
bool ResolveUsbTargets(const CliOptions& options, BatchPlan* plan, std::vector<std::wstring>* shown,
                       std::wstring* error) {
    std::vector<UsbTarget> disks;
    for (size_t i = 0; i < options.targets.size(); ++i) {
        shown->push_back(options.targets[i]);
        disks.push_back(ResolveUsbTarget(options.targets[i], options.origins[i]));
        disks.back().identity = DiskIdentityAt(disks.back().path);
    }
    if (options.discoverDisks) {
        for (const UsbDiskInfo& disk : FindModelDisks(options.modelIndex)) {
            const std::wstring drive = disk.volume.szDrivePath;
            if (drive.empty()) continue;
            shown->push_back(drive);
            disks.push_back(ResolveUsbTarget(drive, L"--usb (found " + drive + L")"));
            disks.back().identity = DiskIdentityOf(disk);
        }
        if (disks.empty()) {
            *error = L"no disk of " + options.modelName + L" is mounted";
            return false;
        }
    }
    *error = FindDiskGivenTwice(disks);
    if (!error->empty()) return false;
    plan->targets.clear();
    for (const UsbTarget& disk : disks) {
        plan->targets.push_back(disk.path);
        plan->diskIds.push_back(disk.identity);
    }
    return true;
}

// The batch with the live lines (unless --json), each delivery's record
// appended as it ends and the not-started ones after.
BatchOutcome RunWithRecords(const CliOptions& options, const BatchPlan& plan, StatusTable& table,
                            ConsoleOutput& out) {
    std::unique_ptr<LiveDisplay> display;
    if (!options.json) {
        display = std::make_unique<LiveDisplay>(out, table);
        table.SetListener([&display](size_t index) { display->Changed(index); });
    }
    const std::unique_ptr<IDeliveryFactory> factory = MakePlatformDeliveryFactory(options.rollout.maxRate);
    DeliveryLog records(plan);
    BatchOutcome outcome =
        RunBatch(plan, *factory, table, [&records](const DeliveryReport& report) { records.Append(report); });
    if (display) display->Finish();
    records.AppendNotStarted(outcome, table.Snapshot());
    return outcome;
}

// The JSON document, the check's refusal or the result table; the exit status.
int ReportBatch(const CliOptions& options, const BatchPlan& plan, const BatchOutcome& outcome,
                const StatusTable& table, ConsoleOutput& out) {
    BatchSummary summary;
    summary.modelName = options.modelName;
    summary.kind = options.kind;
    summary.packName = FileNameOf(plan.packPath);
    summary.outcome = outcome;
    summary.dryRun = options.rollout.dryRun;
    if (outcome.checkAccepted) summary.rows = table.Snapshot();
    summary.exitCode = BatchExitCode(outcome, summary.rows);
    if (options.json)
        out.Write(FormatBatchJson(summary));
    else if (!outcome.checkAccepted)
        out.Write(platform::WideToUtf8(outcome.checkText) + "\n");
    else
        out.Write(FormatResultTable(summary.rows));
    return summary.exitCode;
}

}  // namespace

int RunUpgradeCommand(const CliOptions& options, ConsoleOutput& out, ConsoleOutput& err) {
    BatchPlan plan;
    static_cast<DeliveryOrder&>(plan) = options;
    plan.packPath = Absolute(options.packPath);
    plan.doneLogPath = DefaultUpgradeLogPath();
    std::wstring error;
    if (!ReadTrust(options, &plan.trust, &error)) return Usage(err, error);

    // What the operator sees as the target, and what the run works with.
    std::vector<std::wstring> shown;
    if (options.connection == kConnectionEthernet)
        shown = options.targets;
    else if (!ResolveUsbTargets(options, &plan, &shown, &error))
        return Usage(err, error);

    StatusTable table(shown);
    for (size_t i = 0; i < options.labels.size() && i < shown.size(); ++i)
        table.SetLabel(i, options.labels[i].name, options.labels[i].site);
    const BatchOutcome outcome = RunWithRecords(options, plan, table, out);
    if (!outcome.ready) return Usage(err, L"cannot make a working folder under " + platform::TempDirectory());
    return ReportBatch(options, plan, outcome, table, out);
}
