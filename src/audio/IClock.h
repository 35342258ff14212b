#pragma once
// IClock: the millisecond clock that device, recorder and playback logic read
// instead of the system's. Times are 32-bit and wrap like the multimedia clock
// they replace, so compare them by difference, never by order.
//
// Threading: NowMs may be called from any thread (the capture thread too) and
// must not block, allocate or lock.

#include <cstdint>

namespace tavril {

class IClock {
public:
    virtual ~IClock() = default;
    virtual uint32_t NowMs() const = 0;
};

} // namespace tavril
