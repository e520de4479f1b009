#pragma once
// The upgrade log's record of every delivery of a batch, as the window
// leaves one per run: the operator's model, the variant that stayed, the
// target, the pack's name, size and MD5 (read once per batch, with the
// check), every step, the result and how long it took. Appends from the delivering threads; a
// log that cannot be written changes nothing.
#include <mutex>
#include <string>
#include <vector>

#include "app/UpgradeRecord.h"
#include "cli/Batch.h"

class DeliveryLog {
public:
    explicit DeliveryLog(const BatchPlan& plan) : m_plan(plan) {}
    void Append(const DeliveryReport& report);
    // A record of every target the rollout stopped before ("not started"),
    // so the log tells which terminals still wait for the pack.
    void AppendNotStarted(const BatchOutcome& check, const std::vector<TargetStatus>& rows);

private:
    const BatchPlan& m_plan;
    std::mutex m_appendLock;  // one writer at a time, so a rotation never races an append
};
