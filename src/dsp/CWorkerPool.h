#pragma once
// CWorkerPool: a few threads that share out the indices of one loop
// (ParallelFor). The calling thread works along and the call returns when
// every index is done, so a loop over a pool gives the same results as the
// same loop on one thread whenever its bodies write to separate places.
//
// Owned by whoever computes (a sound window, one run of the command-line
// tool); one ParallelFor at a time per pool (calls from several threads are
// serialised). A pool of one thread runs the loop on the caller alone.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavril {

class CWorkerPool {
public:
    // threads <= 0: one per processor core.
    explicit CWorkerPool(int threads = 0);
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    int Threads() const { return static_cast<int>(m_workers.size()) + 1; }
    // Calls body(i) once for every i in 0 ... count-1, on any of the threads.
    void ParallelFor(size_t count, const std::function<void(size_t)>& body);

private:
    void WorkerLoop();
    void Drain();

    std::vector<std::thread> m_workers;
    std::mutex m_callMutex;  // one loop at a time
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    const std::function<void(size_t)>* m_body = nullptr;
    size_t m_count = 0;
    size_t m_next = 0;
    size_t m_finished = 0;
    unsigned m_generation = 0;
    bool m_stop = false;
};

} // namespace tavril
