#include "cli/LiveDisplay.h"

#include <algorithm>

#include "cli/BatchText.h"

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// What a plain line stands for: the step, and a transfer by the tenth of
// the file it reached.
std::string PlainKey(const TargetStatus& row) {
    std::string key = std::to_string(row.steps.size());
    if (ShowsTransfer(row)) key += "/" + std::to_string(row.bytesSent * 10 / row.bytesTotal);
    return key;
}
}  // namespace

LiveDisplay::LiveDisplay(ConsoleOutput& out, const StatusTable& table)
    : m_out(out), m_table(table), m_terminal(out.IsTerminal()), m_stepCounts(table.Size()),
      m_lastKeys(table.Size()) {
    for (const TargetStatus& row : table.Snapshot()) m_targetWidth = std::max(m_targetWidth, DisplayWidth(row.target));
}

void LiveDisplay::Changed(size_t index) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_finished) return;
    const TargetStatus row = m_table.Row(index);
    if (!m_terminal) {
        if (row.steps.empty() || row.finished) return;
        std::string key = PlainKey(row);
        if (key == m_lastKeys[index]) return;
        m_lastKeys[index] = key;
        m_out.Write(FormatLiveLine(row, m_targetWidth) + "\n");
        return;
    }
    const bool newStep = row.steps.size() != m_stepCounts[index];
    m_stepCounts[index] = row.steps.size();
    if (!newStep && m_drawn && Clock::now() - m_lastDraw < kRedrawInterval) return;
    Redraw();
}

void LiveDisplay::Finish() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_terminal && !m_finished) Redraw();
    m_finished = true;
}

void LiveDisplay::Redraw() {
    std::string text;
    if (m_drawn) text += "\x1b[" + std::to_string(m_table.Size()) + "A";
    for (const TargetStatus& row : m_table.Snapshot()) text += "\r\x1b[2K" + FormatLiveLine(row, m_targetWidth) + "\n";
    m_out.Write(text);
    m_drawn = true;
    m_lastDraw = Clock::now();
}
