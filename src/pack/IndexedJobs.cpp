#include "pack/IndexedJobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr unsigned kMaxThreads = 4;

class JobQueue {
public:
    JobQueue(size_t count, const std::function<void(size_t)>& job) : m_count(count), m_job(job) {}

    void Work() {
        for (size_t i = m_next.fetch_add(1); i < m_count; i = m_next.fetch_add(1)) {
            try {
                m_job(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(m_failureLock);
                if (!m_failure) m_failure = std::current_exception();
                m_next.store(m_count);  // take no more jobs
            }
        }
    }

    std::exception_ptr Failure() const { return m_failure; }

private:
    const size_t m_count;
    const std::function<void(size_t)>& m_job;
    std::atomic<size_t> m_next{0};
    std::mutex m_failureLock;
    std::exception_ptr m_failure;
};

// Joins the helper threads however the calling thread leaves.
class Helpers {
public:
    ~Helpers() {
        for (std::thread& t : m_threads) t.join();
    }
    bool Start(JobQueue& queue) {
        try {
            m_threads.emplace_back([&queue] { queue.Work(); });
            return true;
        } catch (const std::system_error&) {
            return false;  // no thread to be had: the others do the work
        }
    }

private:
    std::vector<std::thread> m_threads;
};

}  // namespace

void RunIndexedJobs(size_t count, unsigned threads, const std::function<void(size_t)>& job) {
    JobQueue queue(count, job);
    {
        Helpers helpers;
        const size_t extra = std::min<size_t>(threads > 0 ? threads - 1 : 0, count > 0 ? count - 1 : 0);
        for (size_t i = 0; i < extra && helpers.Start(queue); ++i) {
        }
        queue.Work();
    }
    if (queue.Failure()) std::rethrow_exception(queue.Failure());
}

unsigned WorkerThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();  // 0 when unknown
    return std::clamp(cores, 1u, kMaxThreads);
}
