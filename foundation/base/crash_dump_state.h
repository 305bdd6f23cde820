// The process-wide flags that the dump writer, the console-control handler and the command host share.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// All start at zero. The atomics are lock-free, so the fault handler may read
// and set them.
struct CrashHandlerState {
    // 0 while the command host runs, 1 after it ended; the value that ends a
    // console handler's wait.
    std::atomic<std::int32_t> mode{0};
    std::atomic<bool> installed{false};
    std::atomic<bool> closeRequested{false};
    // Set by the first dump; later crashes write nothing.
    std::atomic<bool> firstCrash{false};
    // The console-control handler is switched on by InstallCrashHandlers and
    // never off again (it decides from the mode flag).
    std::atomic<bool> consoleHandlerAdded{false};

    // A console handler that waits for the host to end sleeps here; a change
    // of the mode flag wakes it before its 1000 ms step is over.
    std::mutex waitLock;
    std::condition_variable modeChanged;

    void SetMode(std::int32_t value)
    {
        {
            std::lock_guard<std::mutex> hold(waitLock);
            mode.store(value);
        }
        modeChanged.notify_all();
    }
};

CrashHandlerState& CrashHandlers();
