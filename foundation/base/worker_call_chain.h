// A chain of jobs run strictly one after another through the job dispatcher.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "foundation/base/tcx_callback.h"
#include "zel/wevent.h"

class JobDispatcher;

class KorvelWorkerCallChain {
public:
    KorvelWorkerCallChain();
    // Deletes the calls that never ran. The chain must not be running.
    ~KorvelWorkerCallChain();
    KorvelWorkerCallChain(const KorvelWorkerCallChain&) = delete;
    KorvelWorkerCallChain& operator=(const KorvelWorkerCallChain&) = delete;

    // Queues a call (taking ownership of the job); the chain always posts
    // it asynchronously, so flag 8 is added.
    void Append(TCXCallbackBase* job, std::uint32_t flags);

    // With calls queued: resets the done event, clears the failed flag, sets
    // busy, binds the process dispatcher and posts the first call.
    void Start();
    // Posts the front call, or with none left clears busy and sets done.
    void StartNext();

    // Runs the calling thread's pending jobs and waits for the done event
    // (10 ms at a time while no job ran), then resets it. Returns at once
    // when the chain is not running.
    void WaitUntilDone();

    bool IsBusy() const { return busy_.load(); }
    // Set when the dispatcher dropped or cancelled one of the chain's calls;
    // the calls after it never run.
    bool HasFailed() const { return failed_.load(); }
    bool IsDone() const;
    std::size_t GetQueuedCount() const;

    // Binds another dispatcher (tests); Start binds the process's one.
    void SetDispatcher(JobDispatcher* dispatcher) { dispatcher_ = dispatcher; }

    // The job that runs the front call (posted with the chain as argument).
    void OnCallDone(intptr_t argument);
    // The dispatcher dropped the posted step.
    void OnCallDropped();

private:
    struct Call {
        TCXCallbackBase* job;
        std::uint32_t flags;
    };

    void PostFront();

    std::atomic<bool> busy_{false};
    std::atomic<bool> failed_{false};
    mutable std::mutex lock_;
    std::deque<Call> calls_;
    // Manual reset, initially set.
    Zel::WEvent done_{true, true};
    JobDispatcher* dispatcher_ = nullptr;
};
