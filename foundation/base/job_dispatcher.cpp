// The process-wide job dispatcher: the queue, posting, pumping, cancelling and stopping.
#include "foundation/base/job_dispatcher.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <vector>

#include "foundation/base/job_dispatcher_state.h"
#include "foundation/base/process_values.h"
#include "zel/time.h"

namespace {

// What a thread may run: the main thread never takes "not on the main
// thread" jobs, every other thread never takes "main thread only" jobs.
std::uint32_t CallingThreadMask()
{
    return IsMainThread() ? JobNeverOnMainThread : JobMainThreadOnly;
}

bool IsAllowed(std::uint32_t flags, std::uint32_t mask)
{
    return (flags & mask) == 0;
}

}  // namespace

void JobStatus::Finish(bool failedFlag)
{
    // The poster's bytes live on its stack: done goes last, and nothing may
    // touch them once it is set.
    if (failedFlag)
        failed.store(1);
    done.store(1);
}

void DropJobRecord(const JobRecord& record)
{
    record.job->Dropped(record.argument);
    delete record.job;
    if (record.group != nullptr)
        record.group->SignalDropped();
    if (record.status != nullptr)
        record.status->Finish(true);
}

JobDispatcher& JobDispatcher::Instance()
{
    static JobDispatcher dispatcher;
    return dispatcher;
}

JobDispatcher::JobDispatcher() : state_(std::make_unique<State>())
{
    state_->owner = this;
}

JobDispatcher::~JobDispatcher()
{
    Stop();
    std::deque<JobRecord> remaining;
    {
        std::lock_guard<std::mutex> hold(state_->queueLock);
        remaining.swap(state_->queue);
    }
    for (const JobRecord& record : remaining)
        DropJobRecord(record);
}

bool JobDispatcher::Post(std::uint32_t flags, intptr_t argument, JobCompletionGroup* group, TCXCallbackBase* job)
{
    if (job == nullptr)
        return false;
    JobRecord record{job, argument, group, flags, nullptr};
    const bool asynchronous = (flags & JobAsynchronous) != 0;
    if (!asynchronous && IsAllowed(flags, CallingThreadMask())) {
        GuardedJobCall(argument, job);
        delete job;
        return true;
    }
    JobStatus status;
    if (!asynchronous)
        record.status = &status;
    bool queued = false;
    {
        std::lock_guard<std::mutex> hold(state_->queueLock);
        // After Stop nothing runs queued jobs: refuse at once rather than
        // queue a job that never runs and leave its poster waiting forever.
        // Tested under the lock, under which Stop drops the waited-for jobs.
        if (!state_->stopped.load()) {
            state_->queue.push_back(record);
            queued = true;
        }
    }
    if (!queued) {
        DropJobRecord(record);
        return false;
    }

    if ((flags & JobMainThreadOnly) != 0)
        state_->WakeMainThread();
    else
        state_->EnsureWorker();

    if (asynchronous)
        return true;
    // Polled rather than signalled, as the product does; the benchmark
    // shows what it costs.
    while (status.done.load() == 0)
        Zel::Time::Delay(1);
    return status.failed.load() == 0;
}

int JobDispatcher::RunPending(std::uint32_t extraMask)
{
    State& state = *state_;
    if (state.stopped.load())
        return 0;
    const bool onMainThread = IsMainThread();
    const std::uint32_t mask = extraMask | CallingThreadMask();
    if (onMainThread) {
        state.mainThreadPending.store(false);
        state.mainThreadEvent.Reset();
    }

    JobRecord taken{};
    bool passedOver = false;
    int queuedCount = 0;
    {
        std::lock_guard<std::mutex> hold(state.queueLock);
        queuedCount = static_cast<int>(state.queue.size());
        if (queuedCount == 0)
            state.workerWake.Reset();
        for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
            if (!IsAllowed(it->flags, mask)) {
                passedOver = true;
                continue;
            }
            taken = *it;
            state.queue.erase(it);
            state.runningKeys.push_back(taken.argument);
            break;
        }
    }
    if (onMainThread && passedOver)
        state.EnsureWorker();
    if (taken.job == nullptr)
        return 0;

    GuardedJobCall(taken.argument, taken.job);
    delete taken.job;
    if (taken.status != nullptr)
        taken.status->Finish(false);
    {
        std::lock_guard<std::mutex> hold(state.queueLock);
        auto running = std::find(state.runningKeys.begin(), state.runningKeys.end(), taken.argument);
        if (running != state.runningKeys.end())
            state.runningKeys.erase(running);
    }
    state.queueEvent.Pulse();
    return queuedCount - 1;
}

bool JobDispatcher::HasPending() const
{
    std::lock_guard<std::mutex> hold(state_->queueLock);
    return !state_->queue.empty();
}

void JobDispatcher::CancelJobs(intptr_t key, bool wait)
{
    State& state = *state_;
    std::vector<JobRecord> cancelled;
    {
        std::lock_guard<std::mutex> hold(state.queueLock);
        auto matches = [key](const JobRecord& record) { return record.argument == key; };
        std::copy_if(state.queue.begin(), state.queue.end(), std::back_inserter(cancelled), matches);
        state.queue.erase(std::remove_if(state.queue.begin(), state.queue.end(), matches), state.queue.end());
    }
    // Outside the lock: a dropped job's hook may post again.
    for (const JobRecord& record : cancelled)
        DropJobRecord(record);
    if (!wait)
        return;
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(state.queueLock);
            if (std::find(state.runningKeys.begin(), state.runningKeys.end(), key) == state.runningKeys.end())
                return;
        }
        state.queueEvent.Wait(10);
    }
}

void JobDispatcher::Stop()
{
    State& state = *state_;
    std::vector<JobRecord> waited;
    {
        std::lock_guard<std::mutex> hold(state.queueLock);
        state.stopped.store(true);
        // Nothing runs queued jobs any more: a poster waiting for one would
        // wait forever, so its job fails now.
        auto waitedFor = [](const JobRecord& record) { return record.status != nullptr; };
        std::copy_if(state.queue.begin(), state.queue.end(), std::back_inserter(waited), waitedFor);
        state.queue.erase(std::remove_if(state.queue.begin(), state.queue.end(), waitedFor), state.queue.end());
    }
    for (const JobRecord& record : waited)
        DropJobRecord(record);
    state.StopWorkers();
}

bool JobDispatcher::IsStopped() const
{
    return state_->stopped.load();
}

bool JobDispatcher::WaitForMainThreadJobs(std::uint32_t milliseconds)
{
    return state_->mainThreadEvent.Wait(static_cast<int>(milliseconds));
}

void JobDispatcher::SetMainThreadWakeHandler(WakeHandler handler)
{
    state_->wakeHandler.store(handler);
}

std::uint32_t JobDispatcher::GetMainThreadWakeCount() const
{
    return state_->wakeCount.load();
}

bool WaitForMainThreadJobs(std::uint32_t milliseconds)
{
    return JobDispatcher::Instance().WaitForMainThreadJobs(milliseconds);
}

void JobDispatcher::State::WakeMainThread()
{
    if (!mainThreadPending.exchange(true)) {
        wakeCount.fetch_add(1);
        WakeHandler handler = wakeHandler.load();
        if (handler != nullptr)
            handler(MainThreadJobMessage);
    }
    mainThreadEvent.Set();
}

bool JobDispatcher::State::HasWorkerJobQueued()
{
    std::lock_guard<std::mutex> hold(queueLock);
    return std::any_of(queue.begin(), queue.end(),
                       [](const JobRecord& record) { return IsAllowed(record.flags, JobMainThreadOnly); });
}
