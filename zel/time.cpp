// Engine clock and sleeping on CLOCK_MONOTONIC.
#include "zel/time.h"

#include <sched.h>
#include <time.h>

#include "platform/process.h"

namespace Zel {

uint64_t Time::Ms()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

double Time::GetSeconds()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void Time::Delay(int ms)
{
    // Callers compute delays that can go negative (the data lock sleeps n/10).
    if (ms <= 0) {
        sched_yield();
        return;
    }
    Platform::SleepMilliseconds(ms);
}

}  // namespace Zel
