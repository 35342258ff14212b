#pragma once
// IPriorityControl: applies a scheduling priority level while recording:
// 0 normal, 1 high, 2 high plus real-time scheduling for the capture threads
// where the system permits. CPosixPriority is the real one.
// Threading: ApplyPriorityLevel on the user-interface thread;
// ApplyToCaptureThread on a capture thread.

#include <string>

namespace tavril {

class IPriorityControl {
public:
    virtual ~IPriorityControl() = default;
    // Returns 1 when applied; 0 with the reason in `whyNot` when refused.
    virtual int ApplyPriorityLevel(int level, std::string& whyNot) = 0;
    // Gives the calling capture thread the scheduling of `level`; called
    // there once after each change of level. Must not allocate or lock; a
    // refusal leaves the thread as it was (ApplyPriorityLevel reports why).
    virtual void ApplyToCaptureThread(int level) noexcept { (void)level; }
};

} // namespace tavril
