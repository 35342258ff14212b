#pragma once
// CSteadyClock: the real clock, milliseconds of the monotonic system clock
// counted from the object's creation. Programs create one in main() and hand
// it to everything that needs time. Threading: any thread.

#include "IClock.h"

#include <chrono>

namespace tavril {

class CSteadyClock final : public IClock {
public:
    CSteadyClock() : m_origin(std::chrono::steady_clock::now()) {}
    uint32_t NowMs() const override
    {
        const auto elapsed = std::chrono::steady_clock::now() - m_origin;
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

private:
    std::chrono::steady_clock::time_point m_origin;
};

} // namespace tavril
