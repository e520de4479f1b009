#pragma once
// A batch: the pack checked once, then delivered to every target by its own
// run (CUpgradeRun) over its own connections, up to `jobs` at once.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DeviceModel.h"
#include "app/PackSnapshot.h"
#include "app/RunRequest.h"
#include "cli/DeliveryFactory.h"
#include "cli/DeliveryOrder.h"
#include "cli/StatusTable.h"
#include "signature/TrustedKeys.h"
#include "cli/WaveGate.h"

// The texts of targets whose delivery does not run.
extern const wchar_t kNotStartedText[];   // L"not started"
extern const wchar_t kAlreadyDoneText[];  // L"already done"

// The order as the batch carries it out: the pack's path absolute, USB
// targets resolved (absolute, with a trailing separator), and what the
// batch found before it starts.
struct BatchPlan : DeliveryOrder {
    // USB: each target disk's identity (DiskIdentityOf), empty for one that has none.
    std::vector<std::wstring> diskIds;
    TrustedKeys trust;  // keys one of which must have signed the pack; none: no signature needed
    std::wstring doneLogPath;  // the upgrade log `--skip-done` reads
};

struct BatchOutcome {
    bool ready = false;          // the private folder could be made
    bool checkAccepted = false;
    std::wstring checkText;      // the check's refusal text
    int modelIndex = 0;          // the model after the check (a variant pack moves it)
    std::wstring modelName;
    // The pack as it was checked, read once: every delivery copies or
    // uploads this and compares what arrived with its digest. Released
    // when the batch ends; its digests stay.
    std::shared_ptr<const PackSnapshot> pack;
    std::string packMd5;
    uint64_t packSize = 0;
    std::string signerKeyId;     // the trusted key that signed the pack, when keys are trusted
    std::string signerComment;   // that signature's trusted comment, verified with it
    WaveStop stopped = WaveStop::None;  // why targets were left "not started"
};

// The request of one delivery after an accepted check.
RunRequest MakeDeliveryRequest(const BatchPlan& plan, const BatchOutcome& check, size_t index);

class RecordingProgressSink;

// What a delivery came to, for its upgrade record.
struct DeliveryReport {
    size_t index;
    const RunRequest& request;
    const RunOutcome& outcome;
    const RecordingProgressSink& reports;
    std::string startedAt;  // UTC time text
};

// Called on the delivering thread when a delivery ended, its steps and
// result already in the table.
using DeliveryDone = std::function<void(const DeliveryReport& report)>;

// Runs the batch; the table (one row per target, in order) holds every
// delivery's steps and ending afterwards, and the state of those that did
// not run (already done, not started). A dry run only reaches each target.
// Nothing is delivered when the folder cannot be made or the check refuses
// the pack. `done` is called for every attempt of a delivery.
BatchOutcome RunBatch(const BatchPlan& plan, IDeliveryFactory& factory, StatusTable& table,
                      const DeliveryDone& done = nullptr);

// The exit status of a batch: 0 every target succeeded, 1 one did not,
// 2 nothing was delivered.
int BatchExitCode(const BatchOutcome& outcome, const std::vector<TargetStatus>& rows);
