#include "cli/StatusTable.h"

StatusTable::StatusTable(const std::vector<std::wstring>& targets)
    : m_rows(targets.size()), m_transferStart(targets.size()) {
    for (size_t i = 0; i < targets.size(); ++i) m_rows[i].target = targets[i];
}

void StatusTable::Changed(size_t index) {
    if (m_listener) m_listener(index);
}

void StatusTable::AddStep(size_t index, double fraction, const std::wstring& text) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        TargetStatus& row = m_rows.at(index);
        row.steps.push_back({fraction, text});
        row.bytesSent = row.bytesTotal = 0;
        row.transferSeconds = 0.0;
    }
    Changed(index);
}

void StatusTable::ReportBytes(size_t index, uint64_t sent, uint64_t total) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        TargetStatus& row = m_rows.at(index);
        const Clock::time_point now = Clock::now();
        if (sent == 0 || row.bytesTotal != total || sent < row.bytesSent) m_transferStart[index] = now;
        row.bytesSent = sent;
        row.bytesTotal = total;
        row.transferSeconds = std::chrono::duration<double>(now - m_transferStart[index]).count();
    }
    Changed(index);
}

void StatusTable::Finish(size_t index, UpgradeResult result, const std::wstring& finalText, double seconds) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        TargetStatus& row = m_rows.at(index);
        row.finished = true;
        row.result = result;
        row.finalText = finalText;
        row.seconds = seconds;
        row.bytesSent = row.bytesTotal = 0;
    }
    Changed(index);
}

void StatusTable::SetLabel(size_t index, const std::wstring& name, const std::wstring& site) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_rows.at(index).name = name;
    m_rows.at(index).site = site;
}

void StatusTable::CountAttempt(size_t index) {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_rows.at(index).attempts;
}

void StatusTable::SetState(size_t index, TargetState state) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_rows.at(index).state = state;
}

void StatusTable::Skip(size_t index, TargetState state, UpgradeResult result, const std::wstring& text) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        TargetStatus& row = m_rows.at(index);
        row.state = state;
        row.finished = true;
        row.result = result;
        row.finalText = text;
    }
    Changed(index);
}

TargetStatus StatusTable::Row(size_t index) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_rows.at(index);
}

std::vector<TargetStatus> StatusTable::Snapshot() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_rows;
}
