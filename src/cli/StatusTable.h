#pragma once
// What every delivery of a batch has reported so far, one row per target in
// the order given. Deliveries write from their own threads; the live display
// reads a snapshot. Every change calls the listener (outside the lock) with
// the row's index.
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/RunRequest.h"

struct StatusStep {
    double fraction = 0.0;
    std::wstring text;
};

// Whether a target's delivery ran, or why not.
enum class TargetState {
    Ran,          // delivered (or tried to): result and text are the run's
    NotStarted,   // the rollout stopped before it ("not started")
    AlreadyDone,  // the upgrade log holds a success of this pack ("already done")
    Probed,       // a dry run: reached ("would deliver") or the failure's text
};

struct TargetStatus {
    std::wstring target;
    std::wstring name, site;  // from an inventory, else empty
    TargetState state = TargetState::Ran;
    int attempts = 0;         // deliveries tried (retries count)
    std::vector<StatusStep> steps;
    // The current transfer (an upload or a disk copy); total 0 when none.
    uint64_t bytesSent = 0;
    uint64_t bytesTotal = 0;
    double transferSeconds = 0.0;  // since the transfer's first report
    bool finished = false;
    UpgradeResult result = UpgradeResult::Refused;
    std::wstring finalText;
    double seconds = 0.0;
};

class StatusTable {
public:
    using Listener = std::function<void(size_t index)>;

    explicit StatusTable(const std::vector<std::wstring>& targets);
    void SetListener(Listener listener) { m_listener = std::move(listener); }

    // A step of the run; ends the transfer shown before it.
    void AddStep(size_t index, double fraction, const std::wstring& text);
    // Bytes of the current transfer; a report of 0 bytes starts a new one.
    void ReportBytes(size_t index, uint64_t sent, uint64_t total);
    void Finish(size_t index, UpgradeResult result, const std::wstring& finalText, double seconds);
    void SetLabel(size_t index, const std::wstring& name, const std::wstring& site);
    void CountAttempt(size_t index);
    // A target whose delivery does not run: finished with `text` and no steps.
    void Skip(size_t index, TargetState state, UpgradeResult result, const std::wstring& text);
    void SetState(size_t index, TargetState state);

    size_t Size() const { return m_rows.size(); }
    TargetStatus Row(size_t index) const;
    std::vector<TargetStatus> Snapshot() const;

private:
    using Clock = std::chrono::steady_clock;
    // Edits one row under the lock, then tells the listener.
    template <typename Edit>
    void Update(size_t index, Edit edit);

    mutable std::mutex m_lock;
    std::vector<TargetStatus> m_rows;
    std::vector<Clock::time_point> m_transferStart;
    Listener m_listener;
};
