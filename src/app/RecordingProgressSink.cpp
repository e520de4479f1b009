#include "app/RecordingProgressSink.h"

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
    }
    m_inner.CloseAfterDelay();
}

void RecordingProgressSink::ShowResult(bool success) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        Mark(m_end = Clock::now());
        m_ended = true;
    }
    m_inner.ShowResult(success);
}

void RecordingProgressSink::CloseOnEnter() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        Mark(Clock::now());
    }
    m_inner.CloseOnEnter();
}

void RecordingProgressSink::FillRecord(UpgradeRecord* record) const {
    std::lock_guard<std::mutex> hold(m_lock);
    record->steps = m_steps;
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

