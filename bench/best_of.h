// The timing rule of the self-timed benchmarks: the best of a few runs, in
// seconds, so that one descheduled run does not decide a ratio.
#pragma once

#include <algorithm>
#include <chrono>

namespace bench {

template <class Work>
double BestOf(Work work, int runs = 5)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace bench
