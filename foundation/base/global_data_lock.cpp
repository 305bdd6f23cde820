// The process-wide shared/exclusive data lock, and the cache trimming that its main-thread wait does.
#include "foundation/base/global_data_lock.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <mutex>
#include <vector>

#include "foundation/base/job_dispatcher.h"
#include "foundation/base/logging.h"
#include "foundation/base/process_values.h"
#include "zel/pstring.h"
#include "zel/resource_system.h"
#include "zel/time.h"

namespace {

// The main thread's wait shows the wait screen and trims the caches after
// every this many milliseconds.
constexpr std::uint64_t WaitScreenInterval = 15000;
constexpr int FirstRetry = -100;
constexpr int LongestRetrySleepMs = 20;

std::uint64_t SteadyMilliseconds()
{
    return Zel::Time::Ms();
}

// Sleep before retry n: n/10 ms, so none for the first 110 attempts, then
// 1 ms more every 10 attempts, at most 20 ms.
void SleepBeforeRetry(int retry)
{
    Zel::Time::Delay(std::min(retry / 10, LongestRetrySleepMs));
}

std::atomic<bool> cacheReleasePending{false};

// The wait has no time-out by design; a debug build says when one drags on,
// since a shared holder asking for the lock exclusively waits forever.
void ReportLongWait([[maybe_unused]] DataLockThreadId id, [[maybe_unused]] bool exclusive,
                    [[maybe_unused]] std::uint64_t waitedMs)
{
#ifndef NDEBUG
    LogMessage("GlobalDataLock::Acquire> thread %ld has waited %llu ms for the %s lock", id,
               static_cast<unsigned long long>(waitedMs), exclusive ? "exclusive" : "shared");
#endif
}

void TrimEngineCaches();

}  // namespace

struct GlobalDataLock::State {
    // Guards every field; held only for one attempt's few updates.
    mutable std::mutex section;
    int holdCount = 0;
    bool exclusive = false;
    int waitingExclusive = 0;
    // One entry per hold, so a thread holding three times is listed thrice.
    std::vector<DataLockThreadId> owners;

    std::atomic<DataLockWaitScreenHook> waitScreenHook{nullptr};
    std::atomic<Clock> clock{&SteadyMilliseconds};

    bool IsOwner(DataLockThreadId id) const { return std::find(owners.begin(), owners.end(), id) != owners.end(); }
    bool IsSoleExclusiveOwner(DataLockThreadId id) const
    {
        return exclusive &&
               std::all_of(owners.begin(), owners.end(), [id](DataLockThreadId owner) { return owner == id; });
    }
    void ShowWaitScreen(DataLockWaitScreenStep step) const
    {
        DataLockWaitScreenHook hook = waitScreenHook.load();
        if (hook != nullptr)
            hook(step);
    }
};

GlobalDataLock& GlobalDataLock::Instance()
{
    // Never destroyed: worker threads may still take it while static
    // destructors run.
    static GlobalDataLock* lock = new GlobalDataLock();
    return *lock;
}

GlobalDataLock::GlobalDataLock() : state_(std::make_unique<State>()) {}

GlobalDataLock::~GlobalDataLock() = default;

bool GlobalDataLock::TryAcquire(DataLockThreadId id, bool exclusive)
{
    State& state = *state_;
    std::lock_guard<std::mutex> hold(state.section);
    if (state.holdCount > 0 && state.IsOwner(id)) {
        // Re-entry. A shared hold can never become exclusive, not even for
        // the sole owner.
        if (exclusive && !state.IsSoleExclusiveOwner(id))
            return false;
    } else if (state.holdCount > 0) {
        if (exclusive || state.exclusive || state.waitingExclusive > 0)
            return false;
    } else if (!exclusive && state.waitingExclusive > 0) {
        return false;
    }
    ++state.holdCount;
    if (exclusive)
        state.exclusive = true;
    state.owners.push_back(id);
    return true;
}

bool GlobalDataLock::Release(DataLockThreadId id)
{
    State& state = *state_;
    {
        std::lock_guard<std::mutex> hold(state.section);
        auto entry = std::find(state.owners.begin(), state.owners.end(), id);
        if (entry != state.owners.end()) {
            state.owners.erase(entry);
            --state.holdCount;
            if (state.holdCount > 0)
                return false;
            state.exclusive = false;
            return true;
        }
    }
    // Taking a hold away from another thread would let two writers in.
    LogMessage("GlobalDataLock::Release> thread %ld released a lock it does not hold", id);
    return false;
}

bool GlobalDataLock::Acquire(DataLockThreadId id, bool exclusive)
{
    if (TryAcquire(id, exclusive))
        return true;
    State& state = *state_;
    const bool onMainThread = IsMainThread();
    std::uint64_t stepStart = state.clock.load()();
    if (exclusive) {
        std::lock_guard<std::mutex> hold(state.section);
        // This wait would never end: the callers must not ask for it.
        assert(!(state.IsOwner(id) && !state.IsSoleExclusiveOwner(id)) && "shared hold asked for exclusively");
        ++state.waitingExclusive;
    }

    const std::uint64_t waitStart = stepStart;
    bool shown = false;
    for (int retry = FirstRetry;; ++retry) {
        SleepBeforeRetry(retry);
        const std::uint64_t now = state.clock.load()();
        if (now - stepStart > WaitScreenInterval) {
            stepStart = now;
            ReportLongWait(id, exclusive, now - waitStart);
            if (onMainThread) {
                state.ShowWaitScreen(shown ? DataLockWaitScreenStep::Redraw : DataLockWaitScreenStep::Show);
                shown = true;
                TrimEngineCaches();
            }
        }
        // Jobs flagged 4 must not run from inside this wait.
        if (onMainThread)
            JobDispatcher::Instance().RunPending(JobNotFromLockWait);
        if (TryAcquire(id, exclusive))
            break;
    }

    if (shown)
        state.ShowWaitScreen(DataLockWaitScreenStep::Hide);
    if (exclusive) {
        std::lock_guard<std::mutex> hold(state.section);
        --state.waitingExclusive;
    }
    return true;
}

int GlobalDataLock::GetHoldCount() const
{
    std::lock_guard<std::mutex> hold(state_->section);
    return state_->holdCount;
}

bool GlobalDataLock::IsExclusive() const
{
    std::lock_guard<std::mutex> hold(state_->section);
    return state_->exclusive;
}

int GlobalDataLock::GetWaitingExclusiveCount() const
{
    std::lock_guard<std::mutex> hold(state_->section);
    return state_->waitingExclusive;
}

int GlobalDataLock::CountHoldsOf(DataLockThreadId id) const
{
    std::lock_guard<std::mutex> hold(state_->section);
    return static_cast<int>(std::count(state_->owners.begin(), state_->owners.end(), id));
}

void GlobalDataLock::SetWaitScreenHook(DataLockWaitScreenHook hook)
{
    state_->waitScreenHook.store(hook);
}

void GlobalDataLock::SetClock(Clock clock)
{
    state_->clock.store(clock != nullptr ? clock : &SteadyMilliseconds);
}

GlobalDataLockHold::GlobalDataLockHold(bool exclusive) : id_(CurrentThreadId())
{
    GlobalDataLock::Instance().Acquire(id_, exclusive);
}

GlobalDataLockHold::~GlobalDataLockHold()
{
    GlobalDataLock::Instance().Release(id_);
}

void ReleaseUnusedCaches()
{
    if (!IsMainThread()) {
        // The engine caches belong to the main thread.
        cacheReleasePending.store(true);
        return;
    }
    cacheReleasePending.store(false);
    TrimEngineCaches();
}

bool ReleaseUnusedCachesIfPending()
{
    if (!IsMainThread() || !cacheReleasePending.exchange(false))
        return false;
    TrimEngineCaches();
    return true;
}

bool IsCacheReleasePending()
{
    return cacheReleasePending.load();
}

namespace {

void TrimEngineCaches()
{
    Zel::ResourceSystem* resources = GlobalResourceSystem.load();
    if (resources != nullptr)
        resources->DumpUnusedResourcesFromCache();
    Zel::PStringCache::CollectGarbage();
}

}  // namespace
