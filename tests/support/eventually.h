// Waits for a state another process or thread reaches without telling the test: the predicate, asked again until a bound.
#pragma once

#include <chrono>
#include <thread>

namespace KorvelTest {

// True once the predicate holds; false when it still does not after the
// bound, which only keeps a broken peer from hanging the test.
template <class Predicate>
bool Eventually(Predicate predicate, std::chrono::milliseconds bound = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        if (predicate())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return predicate();
}

}  // namespace KorvelTest
