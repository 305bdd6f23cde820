// Test jobs that record where and whether they ran, for the dispatcher, chain and data-lock tests.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "foundation/base/process_values.h"
#include "foundation/base/tcx_callback.h"

struct JobTrace {
    std::atomic<int> runs{0};
    std::atomic<long> thread{0};
    std::atomic<intptr_t> argument{-1};
    std::atomic<bool> dropped{false};
    std::atomic<bool> destroyed{false};
};

// Records its run in a trace; an optional body runs inside the call.
class TraceJob : public TCXCallbackBase {
public:
    explicit TraceJob(JobTrace& trace, std::function<void()> body = {}) : trace_(trace), body_(std::move(body)) {}
    ~TraceJob() override { trace_.destroyed.store(true); }

    int Call(intptr_t argument) override
    {
        trace_.thread.store(CurrentThreadId());
        trace_.argument.store(argument);
        if (body_)
            body_();
        trace_.runs.fetch_add(1);
        return 7;
    }

    void Dropped(intptr_t) override { trace_.dropped.store(true); }

private:
    JobTrace& trace_;
    std::function<void()> body_;
};

// Spins (yielding) until the condition holds: the tests wait for a state,
// never for a time.
template <class Condition>
void WaitUntil(Condition condition)
{
    while (!condition())
        std::this_thread::yield();
}
