// The process clock and the monotonic clock behind SecondsClock.
#include "foundation/base/seconds_clock.h"

#include <time.h>

#include "foundation/base/process_values.h"

namespace {

class ApplicationClockReader : public SecondsClock {
public:
    double Now() override { return ApplicationClock.load(); }
};

class MonotonicClockReader : public SecondsClock {
public:
    double Now() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
};

}  // namespace

SecondsClock& ApplicationSecondsClock()
{
    static ApplicationClockReader clock;
    return clock;
}

SecondsClock& MonotonicSecondsClock()
{
    static MonotonicClockReader clock;
    return clock;
}
