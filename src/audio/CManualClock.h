#pragma once
// CManualClock: a clock that moves only when told to, for tests and for
// stepping timed logic deterministically. Threading: any thread may read it
// while one thread sets or advances it.

#include "IClock.h"

#include <atomic>

namespace tavril {

class CManualClock final : public IClock {
public:
    explicit CManualClock(uint32_t startMs = 0) : m_nowMs(startMs) {}
    uint32_t NowMs() const override { return m_nowMs.load(std::memory_order_acquire); }
    void SetMs(uint32_t nowMs) { m_nowMs.store(nowMs, std::memory_order_release); }
    void AdvanceMs(uint32_t deltaMs) { m_nowMs.fetch_add(deltaMs, std::memory_order_acq_rel); }

private:
    std::atomic<uint32_t> m_nowMs;
};

} // namespace tavril
