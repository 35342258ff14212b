#pragma once
// CPosixPriority: recording priority on Linux. Level 0 restores the nice value
// the process started with, 1 lowers it by 10 (higher priority), 2 lowers it
// to -20 and asks round-robin real-time scheduling for the calling thread.
// Raising priority needs the right to (root, CAP_SYS_NICE or an rlimit);
// without it the level is refused with the system's reason.
// Threading: user-interface thread.

#include "IPriorityControl.h"

namespace tavril {

class CPosixPriority final : public IPriorityControl {
public:
    CPosixPriority();
    int ApplyPriorityLevel(int level, std::string& whyNot) override;

private:
    int m_baseNice;
};

} // namespace tavril
