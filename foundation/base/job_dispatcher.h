// The process-wide job dispatcher: runs jobs on worker threads or on the main thread when it pumps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "foundation/base/tcx_callback.h"
#include "zel/wevent.h"

// Flag bits of a posted job. A job may run on a thread when its flags and
// the thread's mask have no bit in common: the main thread's mask holds
// JobNeverOnMainThread, every other thread's holds JobMainThreadOnly, and a
// pump may add bits (the data-lock wait adds JobNotFromLockWait). Other bits
// (validation posts with 2) mean nothing to the dispatcher.
enum JobFlag : std::uint32_t {
    JobMainThreadOnly = 1,
    JobNotFromLockWait = 4,
    JobAsynchronous = 8,
    JobNeverOnMainThread = 16,
};

// The thread message that wakes the main thread when its first job arrives.
constexpr std::uint32_t MainThreadJobMessage = 0xDC4;

// Optional, owned by the poster. Dropping a job of the group unrun
// (cancelled, stopped, swept at exit) decrements the count, clears the flag
// and sets the event.
class JobCompletionGroup {
public:
    explicit JobCompletionGroup(int count = 0, bool flag = true) : count_(count), flag_(flag) {}

    int GetCount() const;
    bool GetFlag() const;
    Zel::WEvent& GetEvent() { return event_; }

    // The dispatcher's side: a job of the group was dropped unrun.
    void SignalDropped();

private:
    mutable std::mutex lock_;
    int count_;
    bool flag_;
    Zel::WEvent event_{true, false};
};

class JobDispatcher {
public:
    // The process's dispatcher; it lives until static destruction, which
    // fails every queued job and stops the workers.
    static JobDispatcher& Instance();

    JobDispatcher();
    ~JobDispatcher();
    JobDispatcher(const JobDispatcher&) = delete;
    JobDispatcher& operator=(const JobDispatcher&) = delete;

    // Takes ownership of the job. A synchronous job that the calling thread
    // may run runs at once; otherwise it is queued and, unless asynchronous,
    // the caller polls every 1 ms until a thread has run it. Returns true
    // when the job ran or was queued asynchronously, false when it was
    // dropped: cancelled, or posted after Stop (a job that would have to
    // be queued is then dropped at once; one the caller may run still runs).
    bool Post(std::uint32_t flags, intptr_t argument, JobCompletionGroup* group, TCXCallbackBase* job);

    // Runs at most one queued job that the calling thread may run, with
    // extraMask added to the thread's mask. Returns the number of other
    // jobs that were queued when it looked, 0 when it ran none.
    int RunPending(std::uint32_t extraMask);

    bool HasPending() const;

    // Drops every queued job whose argument equals the key; their waiting
    // posters get false. With wait, then waits until no running job has
    // that key.
    void CancelJobs(intptr_t key, bool wait);

    // Sets the stop flag and waits for every worker to end. Queued
    // synchronous jobs are dropped (their posters would wait forever);
    // queued asynchronous jobs stay until CancelJobs or exit.
    void Stop();
    bool IsStopped() const;

    // Waits up to that long for the main-thread job event; true when set.
    bool WaitForMainThreadJobs(std::uint32_t milliseconds);

    // How the main thread receives MainThreadJobMessage: the handler is
    // called (on the posting thread) each time the message is posted.
    using WakeHandler = void (*)(std::uint32_t message);
    void SetMainThreadWakeHandler(WakeHandler handler);
    // The number of wake messages posted so far.
    std::uint32_t GetMainThreadWakeCount() const;

    // Workers end after this long without work (30000 ms).
    void SetWorkerIdleTimeout(std::uint32_t milliseconds);
    std::size_t GetWorkerCount() const;
    // For a batch that knows it is about to post count independent jobs:
    // starts workers at once until count are live, instead of one per 5 s
    // as posting alone does. Returns the number of live workers.
    std::size_t EnsureWorkers(std::size_t count);

    struct State;

private:
    std::unique_ptr<State> state_;
};

// The process dispatcher's main-thread wait: up to that long for the
// main-thread job event.
bool WaitForMainThreadJobs(std::uint32_t milliseconds);

// Runs a job under the crash guard when CrashGuardEnabled is set and no
// debugger is attached (a fault or exception then ends the process with
// -100), directly otherwise. Returns the job's result.
int GuardedJobCall(intptr_t argument, TCXCallbackBase* job);
