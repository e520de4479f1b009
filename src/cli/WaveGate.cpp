#include "cli/WaveGate.h"

#include <algorithm>

const char* WaveStopName(WaveStop stop) {
    switch (stop) {
    case WaveStop::Canary: return "canary";
    case WaveStop::MaxFail: return "max-fail";
    case WaveStop::None: break;
    }
    return nullptr;
}

WaveGate::WaveGate(std::vector<size_t> order, size_t canary, MaxFail maxFail)
    : m_order(std::move(order)), m_canary(std::min(canary, m_order.size())), m_maxFail(maxFail) {
    size_t size = 0;
    for (size_t index : m_order) size = std::max(size, index + 1);
    m_isCanary.assign(size, false);
    for (size_t k = 0; k < m_canary; ++k) m_isCanary[m_order[k]] = true;
}

bool WaveGate::BudgetSpent() const {
    if (!m_maxFail.set || m_failed == 0) return false;
    if (m_maxFail.percent) return m_failed * 100 >= static_cast<size_t>(m_maxFail.value) * m_finished;
    return m_failed >= m_maxFail.value;
}

bool WaveGate::Next(size_t* index) {
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
        if (m_stop != WaveStop::None || m_next >= m_order.size()) return false;
        if (m_next >= m_canary && m_canaryFinished < m_canary) {
            m_changed.wait(hold);
            continue;
        }
        if (m_canary > 0 && m_next == m_canary && m_canaryFailed > 0) {
            m_stop = WaveStop::Canary;
            break;
        }
        if (BudgetSpent()) {
            m_stop = WaveStop::MaxFail;
            break;
        }
        *index = m_order[m_next++];
        return true;
    }
    hold.unlock();
    m_changed.notify_all();
    return false;
}

void WaveGate::Finished(size_t index, bool success) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        ++m_finished;
        if (!success) ++m_failed;
        if (index < m_isCanary.size() && m_isCanary[index]) {
            ++m_canaryFinished;
            if (!success) ++m_canaryFailed;
        }
    }
    m_changed.notify_all();
}

WaveStop WaveGate::Stopped() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stop;
}

std::vector<size_t> WaveGate::NotStarted() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return std::vector<size_t>(m_order.begin() + static_cast<std::ptrdiff_t>(m_next), m_order.end());
}
