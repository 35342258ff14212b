#pragma once
// IPriorityControl: applies a scheduling priority level to the process while
// recording: 0 normal, 1 high, 2 high plus real-time scheduling for audio
// threads where the system permits. CPosixPriority is the real one.
// Threading: user-interface thread.

#include <string>

namespace tavril {

class IPriorityControl {
public:
    virtual ~IPriorityControl() = default;
    // Returns 1 when applied; 0 with the reason in `whyNot` when refused.
    virtual int ApplyPriorityLevel(int level, std::string& whyNot) = 0;
};

} // namespace tavril
