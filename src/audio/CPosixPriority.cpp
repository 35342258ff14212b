#include "CPosixPriority.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

namespace tavril {

CPosixPriority::CPosixPriority()
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    m_baseNice = errno ? 0 : nice;
}

int CPosixPriority::ApplyPriorityLevel(int level, std::string& whyNot)
{
    const int nice = level <= 0 ? m_baseNice : level == 1 ? std::max(-20, m_baseNice - 10) : -20;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0) {
        whyNot = std::strerror(errno);
        return 0;
    }
    sched_param param{};
    int policy = SCHED_OTHER;
    if (level >= 2) {
        policy = SCHED_RR;
        param.sched_priority = sched_get_priority_min(SCHED_RR);
    }
    const int err = pthread_setschedparam(pthread_self(), policy, &param);
    if (err != 0 && level >= 2) {
        whyNot = std::strerror(err);
        return 0;
    }
    return 1;
}

} // namespace tavril
