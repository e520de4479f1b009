#pragma once
// A progress sink in front of another: every report goes on to the inner
// sink unchanged, and is also kept so that the run's upgrade record can be
// filled afterwards (its steps and how long it took; how the run ended is
// the run's outcome). The worker reports while the UI thread may read; a
// lock guards what is kept, and the inner sink is called outside it.
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "app/ProgressSink.h"
#include "app/UpgradeRecord.h"

class RecordingProgressSink : public IProgressSink {
public:
    explicit RecordingProgressSink(IProgressSink& inner);

    void SetProgress(double fraction, const std::wstring& message) override;
    void CloseAfterDelay() override;        // an ending report
    void ShowResult(bool success) override;  // an ending report
    void CloseOnEnter() override;

    // Fills steps and seconds of `record`; leaves every other field alone.
    //   seconds: from the first report to the ending report (to this call
    //            when there was none yet); 0 without any report.
    void FillRecord(UpgradeRecord* record) const;

    std::vector<UpgradeStep> Steps() const;
    bool Ended() const;  // an ending report came

private:
    using Clock = std::chrono::steady_clock;
    void Mark(Clock::time_point now);  // under the lock

    IProgressSink& m_inner;
    mutable std::mutex m_lock;
    std::vector<UpgradeStep> m_steps;
    bool m_ended = false;
    bool m_started = false;
    Clock::time_point m_first, m_end;
};
