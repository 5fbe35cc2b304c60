#include "core/StartupTrace.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Zero when tracing is off; else the moment the times count from.
long long traceOrigin()
{
    static const long long origin = [] {
        const char* value = std::getenv("HALVORN_STARTUP_TRACE");
        if (!value)
            return 0LL;
        char* end = nullptr;
        const long long launched = std::strtoll(value, &end, 10);
        const long long now = monotonicNs();
        // A launch time from the future or from long ago is not ours.
        if (end != value && launched > 0 && launched <= now && now - launched < 60000000000LL)
            return launched;
        return now;
    }();
    return origin;
}

} // namespace

void TraceStartupStep(const char* step)
{
    const long long origin = traceOrigin();
    if (origin == 0)
        return;
    std::fprintf(stderr, "[startup] %8.2f ms  %s\n", double(monotonicNs() - origin) / 1e6, step);
    std::fflush(stderr);
}
