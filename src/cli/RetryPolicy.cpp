#include "cli/RetryPolicy.h"

#include <algorithm>

#include "app/RunTexts.h"

namespace {
constexpr double kLongestPauseSeconds = 30.0;
}

bool RetryPolicy::ShouldRetry(const RunOutcome& outcome, int attempts) const {
    // The run reports this text only when the FTP login did not succeed,
    // before anything is sent.
    return attempts <= m_retries && outcome.result != UpgradeResult::Success &&
           outcome.finalText == runtext::kConnectFailed;
}

double RetryPolicy::PauseBefore(int attempt) const {
    double pause = m_firstPause;
    for (int k = 2; k < attempt && pause < kLongestPauseSeconds; ++k) pause *= 2;
    return std::min(pause, kLongestPauseSeconds);
}
