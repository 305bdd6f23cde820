// The job dispatcher's worker threads: started on demand, ended after 30 s without work.
#include <algorithm>

#include "foundation/base/crash_guard.h"
#include "foundation/base/job_dispatcher_state.h"
#include "zel/time.h"

namespace {

// A new worker starts while others are busy only when nothing has started
// or gone idle for this long (seconds).
constexpr double WorkerStartInterval = 5.0;

std::uint32_t WorkerEntry(void* parameter)
{
    // A fault in a job is caught by the crash guard only on a thread with
    // its own alternate signal stack.
    InstallThreadAltStack();
    auto* worker = static_cast<JobWorker*>(parameter);
    worker->state->WorkerMain(worker);
    return 0;
}

}  // namespace

void JobDispatcher::State::EnsureWorker()
{
    {
        std::lock_guard<std::mutex> hold(workerLock);
        ReapEndedWorkers();
        const bool overdue = Zel::Time::GetSeconds() - lastWorkerChange > WorkerStartInterval;
        if (idleWorkers == 0 && (liveWorkers == 0 || overdue))
            StartWorker();
    }
    workerWake.Set();
}

std::size_t JobDispatcher::State::EnsureWorkers(std::size_t count)
{
    std::size_t live = 0;
    {
        std::lock_guard<std::mutex> hold(workerLock);
        ReapEndedWorkers();
        while (static_cast<std::size_t>(liveWorkers) < count && !stopped.load()) {
            const int before = liveWorkers;
            StartWorker();
            // A thread the system refuses is not retried in a loop.
            if (liveWorkers == before)
                break;
        }
        live = static_cast<std::size_t>(liveWorkers);
    }
    return live;
}

void JobDispatcher::State::StartWorker()
{
    if (stopped.load())
        return;
    lastWorkerChange = Zel::Time::GetSeconds();
    auto worker = std::make_unique<JobWorker>();
    worker->state = this;
    worker->thread = std::make_unique<Zel::Thread>(&WorkerEntry, worker.get(), false);
    worker->thread->SetPriority(workerPriority);
    if (!worker->thread->Resume())
        return;
    workers.push_back(std::move(worker));
    ++liveWorkers;
}

void JobDispatcher::State::ReapEndedWorkers()
{
    // Deleting an ended thread object waits for its last instructions.
    auto ended = [](const std::unique_ptr<JobWorker>& worker) { return worker->ended.load(); };
    workers.erase(std::remove_if(workers.begin(), workers.end(), ended), workers.end());
}

void JobDispatcher::State::MarkIdleCountChanged()
{
    if (idleWorkers != 0)
        lastWorkerChange = Zel::Time::GetSeconds();
}

void JobDispatcher::State::WorkerMain(JobWorker* worker)
{
    for (;;) {
        while (owner->RunPending(0) != 0) {}
        {
            std::lock_guard<std::mutex> hold(workerLock);
            ++idleWorkers;
            MarkIdleCountChanged();
        }
        const bool woken = workerWake.Wait(static_cast<int>(idleTimeoutMs.load()));
        std::lock_guard<std::mutex> hold(workerLock);
        --idleWorkers;
        MarkIdleCountChanged();
        // A job queued just as the wait ran out saw this worker idle and
        // started none: the worker stays for it instead of stranding it.
        const bool idleTooLong = !woken && !HasWorkerJobQueued();
        if (stopped.load() || idleTooLong) {
            // Under the worker lock, so no EnsureWorker counts this worker
            // as live once it has decided to end.
            --liveWorkers;
            worker->ended.store(true);
            return;
        }
    }
}

void JobDispatcher::State::StopWorkers()
{
    const int self = Zel::Thread::GetCurrentId();
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(workerLock);
            ReapEndedWorkers();
            // A job that stops the dispatcher cannot wait for its own worker.
            auto others = std::count_if(workers.begin(), workers.end(),
                                        [&](const auto& worker) { return worker->thread->GetId() != self; });
            if (others == 0)
                return;
        }
        workerWake.Set();
        Zel::Time::Delay(10);
    }
}

void JobDispatcher::SetWorkerIdleTimeout(std::uint32_t milliseconds)
{
    state_->idleTimeoutMs.store(milliseconds);
}

std::size_t JobDispatcher::EnsureWorkers(std::size_t count)
{
    return state_->EnsureWorkers(count);
}

std::size_t JobDispatcher::GetWorkerCount() const
{
    std::lock_guard<std::mutex> hold(state_->workerLock);
    return static_cast<std::size_t>(state_->liveWorkers);
}
