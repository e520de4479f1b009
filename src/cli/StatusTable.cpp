#include "cli/StatusTable.h"

StatusTable::StatusTable(const std::vector<std::wstring>& targets)
    : m_rows(targets.size()), m_transferStart(targets.size()) {
    for (size_t i = 0; i < targets.size(); ++i) m_rows[i].target = targets[i];
}

template <typename Edit>
void StatusTable::Update(size_t index, Edit edit) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        edit(m_rows.at(index));
    }
    if (m_listener) m_listener(index);  // outside the lock: the listener reads rows
}

void StatusTable::AddStep(size_t index, double fraction, const std::wstring& text) {
    Update(index, [&](TargetStatus& row) {
        row.steps.push_back({fraction, text});
        row.bytesSent = row.bytesTotal = 0;
        row.transferSeconds = 0.0;
    });
}

void StatusTable::ReportBytes(size_t index, uint64_t sent, uint64_t total) {
    Update(index, [&](TargetStatus& row) {
        const Clock::time_point now = Clock::now();
        if (sent == 0 || row.bytesTotal != total || sent < row.bytesSent) m_transferStart[index] = now;
        row.bytesSent = sent;
        row.bytesTotal = total;
        row.transferSeconds = std::chrono::duration<double>(now - m_transferStart[index]).count();
    });
}

void StatusTable::Finish(size_t index, UpgradeResult result, const std::wstring& finalText, double seconds) {
    Update(index, [&](TargetStatus& row) {
        row.finished = true;
        row.result = result;
        row.finalText = finalText;
        row.seconds = seconds;
        row.bytesSent = row.bytesTotal = 0;
    });
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
    Update(index, [&](TargetStatus& row) {
        row.state = state;
        row.finished = true;
        row.result = result;
        row.finalText = text;
    });
}

TargetStatus StatusTable::Row(size_t index) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_rows.at(index);
}

std::vector<TargetStatus> StatusTable::Snapshot() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_rows;
}
