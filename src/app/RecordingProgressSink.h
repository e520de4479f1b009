#pragma once
// A progress sink in front of another: every report goes on to the inner
// sink unchanged, and is also kept so that the run's upgrade record can be
// filled afterwards (steps, how it ended, what the operator was told last,
// how long it took). The worker reports while the UI thread may read; a
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
    void CloseAfterDelay() override;        // ends as refused
    void ShowResult(bool success) override;  // ends as success or failure
    void WaitForEnter() override;

    // Fills steps, result, finalText and seconds of `record`; leaves every
    // other field alone.
    //   result:    the last ending report: CloseAfterDelay -> Refused,
    //              ShowResult(true) -> Success, ShowResult(false) -> Failure;
    //              Failure when the run reported no ending at all.
    //   finalText: Success -> "请重启设备完成升级！" (the banner's words);
    //              otherwise the text of the last step before the ending,
    //              where the run puts the reason ("拷贝升级包失败."); for
    //              Failure "升级失败！" when that text is empty or missing.
    //   seconds:   from the first report to the ending report (to this
    //              call when there was none yet); 0 without any report.
    void FillRecord(UpgradeRecord* record) const;

    std::vector<UpgradeStep> Steps() const;
    bool Ended() const;  // an ending report came
    UpgradeResult Result() const;

private:
    using Clock = std::chrono::steady_clock;
    void Mark(Clock::time_point now);  // under the lock

    IProgressSink& m_inner;
    mutable std::mutex m_lock;
    std::vector<UpgradeStep> m_steps;
    size_t m_stepsBeforeEnd = 0;  // steps reported up to the (last) ending
    bool m_ended = false;
    UpgradeResult m_result = UpgradeResult::Failure;
    bool m_started = false;
    Clock::time_point m_first, m_end;
};
