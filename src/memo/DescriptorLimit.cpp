#include "memo/DescriptorLimit.h"

#include "memo/MemoLimits.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

long RaiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    // An unlimited hard limit still leaves the kernel's own ceiling; a million is plenty.
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, rlim_t(1) << 20);
    if (limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = wanted;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return long(std::min<rlim_t>(limit.rlim_cur, rlim_t(1) << 20));
}

int ConnectionCap(long descriptorLimit, const MemoLimits& limits)
{
    // Half of what the reserve leaves: Qt and the libraries hold descriptors too.
    const long room = (descriptorLimit - limits.descriptorReserve) / 2;
    return int(std::clamp<long>(room, 1, limits.maxConnections));
}

bool NearDescriptorLimit(long limit, int headroom)
{
    // The kernel hands out the lowest free number, so it tells how full the table is.
    const int probe = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (probe < 0)
        return true;
    ::close(probe);
    return probe >= limit - headroom;
}
