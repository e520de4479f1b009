#include "cli/UploadPacer.h"

#include <thread>

void UploadPacer::Pace(uint64_t sent) {
    if (m_rate == 0) return;
    if (sent == 0) {
        m_start = Clock::now();
        return;
    }
    const auto due = m_start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(static_cast<double>(sent) / static_cast<double>(m_rate)));
    std::this_thread::sleep_until(due);
}
