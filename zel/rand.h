// Engine random generator: one process-wide, thread-safe stream.
#pragma once

#include <cstdint>

namespace Zel {

class Rand {
public:
    // Seeds from the clock and the process id.
    static void Randomise();
    static void Seed(uint64_t seed);
    // Uniform in [low, high], both ends included; low > high swaps them.
    static int NextInt(int low, int high);
    // Uniform in [0, 1).
    static double NextDouble();
};

}  // namespace Zel
