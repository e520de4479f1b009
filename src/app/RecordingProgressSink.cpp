#include "app/RecordingProgressSink.h"

namespace {
constexpr wchar_t kSuccessBanner[] = L"请重启设备完成升级！";
constexpr wchar_t kFailureBanner[] = L"升级失败！";
}  // namespace

RecordingProgressSink::RecordingProgressSink(IProgressSink& inner) : m_inner(inner) {}

void RecordingProgressSink::Mark(Clock::time_point now) {
    if (!m_started) {
        m_started = true;
        m_first = now;
    }
}

void RecordingProgressSink::SetProgress(double fraction, const std::wstring& message) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        Mark(Clock::now());
        m_steps.push_back({fraction, message});
    }
    m_inner.SetProgress(fraction, message);
}

void RecordingProgressSink::CloseAfterDelay() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        Mark(m_end = Clock::now());
        m_ended = true;
        m_result = UpgradeResult::Refused;
        m_stepsBeforeEnd = m_steps.size();
    }
    m_inner.CloseAfterDelay();
}

void RecordingProgressSink::ShowResult(bool success) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        Mark(m_end = Clock::now());
        m_ended = true;
        m_result = success ? UpgradeResult::Success : UpgradeResult::Failure;
        m_stepsBeforeEnd = m_steps.size();
    }
    m_inner.ShowResult(success);
}

void RecordingProgressSink::WaitForEnter() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        Mark(Clock::now());
    }
    m_inner.WaitForEnter();
}

void RecordingProgressSink::FillRecord(UpgradeRecord* record) const {
    std::lock_guard<std::mutex> hold(m_lock);
    record->steps = m_steps;
    record->result = m_ended ? m_result : UpgradeResult::Failure;
    if (record->result == UpgradeResult::Success) {
        record->finalText = kSuccessBanner;
    } else {
        // The reason: the run reports it as the step right before the ending.
        size_t upTo = m_ended ? m_stepsBeforeEnd : m_steps.size();
        record->finalText = upTo > 0 ? m_steps[upTo - 1].text : std::wstring();
        if (record->finalText.empty() && record->result == UpgradeResult::Failure) record->finalText = kFailureBanner;
    }
    if (!m_started) {
        record->seconds = 0.0;
    } else {
        Clock::time_point end = m_ended ? m_end : Clock::now();
        record->seconds = std::chrono::duration<double>(end - m_first).count();
    }
}

std::vector<UpgradeStep> RecordingProgressSink::Steps() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_steps;
}

bool RecordingProgressSink::Ended() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_ended;
}

UpgradeResult RecordingProgressSink::Result() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_ended ? m_result : UpgradeResult::Failure;
}
