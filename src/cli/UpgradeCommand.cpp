#include "cli/UpgradeCommand.h"

#include "cli/Batch.h"
#include "cli/BatchText.h"
#include "cli/DeliveryFactory.h"
#include "cli/LiveDisplay.h"
#include "cli/ModelDisks.h"
#include "cli/UpgradeRecords.h"
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

int RunUpgradeCommand(const CliOptions& options, ConsoleOutput& out, ConsoleOutput& err) {
    BatchPlan plan;
    plan.modelIndex = options.modelIndex;
    plan.modelName = options.modelName;
    plan.kind = options.kind;
    plan.packPath = Absolute(options.packPath);
    plan.connection = options.connection;
    plan.jobs = options.jobs;
    // The site's trust file always applies; --trusted-key adds keys to it.
    plan.trust = ReadSiteTrust(SiteTrustFiles());
    for (const std::wstring& key : options.trustedKeys) {
        std::string problem;
        if (!AddTrustedKey(&plan.trust, key, &problem))
            return Usage(err, L"--trusted-key " + key + L": " + platform::Utf8ToWide(problem));
    }
    plan.rollout = options.rollout;
    plan.doneLogPath = DefaultUpgradeLogPath();

    // What the operator sees as the target, and what the run works with.
    std::vector<std::wstring> shown;
    if (options.connection == kConnectionEthernet) {
        shown = plan.targets = options.targets;
    } else {
        std::vector<UsbTarget> disks;
        for (size_t i = 0; i < options.targets.size(); ++i) {
            shown.push_back(options.targets[i]);
            disks.push_back(ResolveUsbTarget(options.targets[i], options.origins[i]));
            disks.back().identity = DiskIdentityAt(disks.back().path);
        }
        if (options.discoverDisks) {
            const std::vector<UsbDiskInfo> found = FindModelDisks(options.modelIndex);
            for (const UsbDiskInfo& disk : found) {
                const std::wstring drive = disk.volume.szDrivePath;
                if (drive.empty()) continue;
                shown.push_back(drive);
                disks.push_back(ResolveUsbTarget(drive, L"--usb (found " + drive + L")"));
                disks.back().identity = DiskIdentityOf(disk);
            }
            if (disks.empty()) return Usage(err, L"no disk of " + options.modelName + L" is mounted");
        }
        const std::wstring twice = FindDiskGivenTwice(disks);
        if (!twice.empty()) return Usage(err, twice);
        for (const UsbTarget& disk : disks) {
            plan.targets.push_back(disk.path);
            plan.diskIds.push_back(disk.identity);
        }
    }

    StatusTable table(shown);
    for (size_t i = 0; i < options.labels.size() && i < shown.size(); ++i)
        table.SetLabel(i, options.labels[i].name, options.labels[i].site);
    std::unique_ptr<LiveDisplay> display;
    if (!options.json) {
        display = std::make_unique<LiveDisplay>(out, table);
        table.SetListener([&display](size_t index) { display->Changed(index); });
    }
    const std::unique_ptr<IDeliveryFactory> factory = MakePlatformDeliveryFactory(options.rollout.maxRate);
    UpgradeRecords records(plan);
    BatchOutcome outcome =
        RunBatch(plan, *factory, table, [&records](const DeliveryReport& report) { records.Append(report); });
    if (display) display->Finish();
    records.AppendNotStarted(outcome, table.Snapshot());
    if (!outcome.ready) return Usage(err, L"cannot make a working folder under " + platform::TempDirectory());

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
