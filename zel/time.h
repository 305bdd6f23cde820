// Engine clock (monotonic) and sleeping.
#pragma once

#include <cstdint>

namespace Zel {

class Time {
public:
    // Milliseconds of the monotonic clock; only differences mean anything.
    static uint64_t Ms();
    // Seconds of the monotonic clock, as a double.
    static double GetSeconds();
    // Sleeps ms milliseconds; negative counts as 0 (a yield).
    static void Delay(int ms);
};

}  // namespace Zel
