#pragma once
// Runs jobs 0..count-1 on a few threads: the calling thread and up to
// `threads - 1` more, each taking the next undone index until none is left.
// Returns once every job has run. When no extra thread can be started, the
// calling thread does all the jobs. A job must not throw; if one does
// anyway, the first exception is rethrown on the calling thread after all
// threads have stopped.
#include <cstddef>
#include <functional>

void RunIndexedJobs(size_t count, unsigned threads, const std::function<void(size_t)>& job);

// Threads for work that is bound by the processor: one per core, at least
// one and at most four.
unsigned WorkerThreadCount();
