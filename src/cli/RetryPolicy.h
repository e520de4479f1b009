#pragma once
// Which failed deliveries are tried again, and after how long. Only a
// delivery that never connected is retried: nothing of the pack reached
// the terminal, so a second attempt changes nothing already there. One
// that failed after bytes went out is left to the end-state rule (its
// terminal holds no flag) and reported as it failed.
#include "app/RunRequest.h"

class RetryPolicy {
public:
    explicit RetryPolicy(int retries, double firstPauseSeconds = 1.0)
        : m_retries(retries), m_firstPause(firstPauseSeconds) {}

    // After `attempts` attempts, the last one ending in `outcome`.
    bool ShouldRetry(const RunOutcome& outcome, int attempts) const;
    // The pause before attempt `attempt` (2, 3, ...): 1 s, 2 s, 4 s, ...
    // doubling up to 30 s.
    double PauseBefore(int attempt) const;

private:
    int m_retries;
    double m_firstPause;
};
