#pragma once
// Which delivery of a rollout starts next. The canary wave (the first N
// targets to deliver) runs alone; the rest start only when every canary
// succeeded. A failure budget (`--max-fail`) stops new deliveries once the
// failed share of the finished ones (or their count) reaches it; deliveries
// under way always finish. Worker threads share one gate.
#include <condition_variable>
#include <mutex>
#include <vector>

#include "cli/RolloutOptions.h"

enum class WaveStop { None, Canary, MaxFail };

// "canary", "max-fail" (nullptr for None).
const char* WaveStopName(WaveStop stop);

class WaveGate {
public:
    // `order`: the indexes to deliver, in the order given.
    WaveGate(std::vector<size_t> order, size_t canary, MaxFail maxFail);

    // Waits while the canary wave is still under way; then true with the
    // next index, or false when no more deliveries start.
    bool Next(size_t* index);
    void Finished(size_t index, bool success);

    WaveStop Stopped() const;
    // The indexes that were never handed out (after every worker returned).
    std::vector<size_t> NotStarted() const;

private:
    bool BudgetSpent() const;  // under the lock

    const std::vector<size_t> m_order;
    const size_t m_canary;
    const MaxFail m_maxFail;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    size_t m_next = 0;
    size_t m_finished = 0, m_failed = 0;
    size_t m_canaryFinished = 0, m_canaryFailed = 0;
    std::vector<bool> m_isCanary;  // by index
    WaveStop m_stop = WaveStop::None;
};
