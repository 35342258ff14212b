#include "CWorkerPool.h"

#include <algorithm>

namespace tavril {

CWorkerPool::CWorkerPool(int threads)
{
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 1; i < threads; ++i) m_workers.emplace_back([this] { WorkerLoop(); });
}

CWorkerPool::~CWorkerPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_workers) t.join();
}

// Takes indices until none are left. Indices are handed out under the lock:
// the bodies are long (a block of transforms), so the lock is not contended.
void CWorkerPool::Drain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_next < m_count) {
        const size_t i = m_next++;
        const std::function<void(size_t)>* body = m_body;
        lock.unlock();
        (*body)(i);
        lock.lock();
        if (++m_finished == m_count) m_done.notify_all();
    }
}

void CWorkerPool::WorkerLoop()
{
    unsigned seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
            seen = m_generation;
        }
        Drain();
    }
}

void CWorkerPool::ParallelFor(size_t count, const std::function<void(size_t)>& body)
{
    if (count == 0) return;
    std::lock_guard<std::mutex> call(m_callMutex);
    if (m_workers.empty() || count == 1) {
        for (size_t i = 0; i < count; ++i) body(i);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_body = &body;
        m_count = count;
        m_next = 0;
        m_finished = 0;
        ++m_generation;
    }
    m_wake.notify_all();
    Drain();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [&] { return m_finished == m_count; });
    m_body = nullptr;
    m_count = 0;
}

} // namespace tavril
