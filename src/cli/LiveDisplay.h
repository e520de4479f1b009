#pragma once
// The live lines of a batch, one per target. On a terminal the block of
// lines is redrawn in place (ANSI cursor-up and erase-line), transfers at
// most every 100 ms; otherwise every change that shows is its own line, a
// transfer's bytes once per tenth of the file, so a log stays readable.
// Deliveries report from their own threads; the display serialises them.
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "cli/ConsoleOutput.h"
#include "cli/StatusTable.h"

class LiveDisplay {
public:
    LiveDisplay(ConsoleOutput& out, const StatusTable& table);

    // A row changed (the status table's listener).
    void Changed(size_t index);
    // Draws the final state once more (terminal); afterwards nothing is drawn.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    void Redraw();  // under the lock

    ConsoleOutput& m_out;
    const StatusTable& m_table;
    const bool m_terminal;
    size_t m_targetWidth = 0;
    std::mutex m_lock;
    bool m_drawn = false;
    bool m_finished = false;
    Clock::time_point m_lastDraw;
    std::vector<size_t> m_stepCounts;     // terminal: steps already drawn, per row
    std::vector<std::string> m_lastKeys;  // plain: what each row's last line showed
};
