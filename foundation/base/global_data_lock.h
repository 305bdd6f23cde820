// The process-wide shared/exclusive data lock, re-entrant per thread, whose main-thread wait keeps jobs moving.
#pragma once

#include <cstdint>
#include <memory>

// Thread ids as the process values hand them out (CurrentThreadId).
using DataLockThreadId = long;

// What the main thread's long wait asks of the wait screen: show it after
// the first 15 s, redraw it after every further 15 s, hide it once when the
// lock is granted.
enum class DataLockWaitScreenStep { Show, Redraw, Hide };
using DataLockWaitScreenHook = void (*)(DataLockWaitScreenStep step);

class GlobalDataLock {
public:
    // The process's lock (static life; never destroyed, so threads still
    // running during static destruction may use it).
    static GlobalDataLock& Instance();

    GlobalDataLock();
    ~GlobalDataLock();
    GlobalDataLock(const GlobalDataLock&) = delete;
    GlobalDataLock& operator=(const GlobalDataLock&) = delete;

    // Waits until the lock is held; always true. The id is the calling
    // thread's own. A thread that holds the lock only shared must not ask
    // for it exclusively: that wait never ends.
    bool Acquire(DataLockThreadId id, bool exclusive);
    // True when the lock was granted at once.
    bool TryAcquire(DataLockThreadId id, bool exclusive);
    // True when this release made the lock free. A release by a thread that
    // holds no hold is ignored (false) with a diagnostic line.
    bool Release(DataLockThreadId id);

    // For diagnostics and tests.
    int GetHoldCount() const;
    bool IsExclusive() const;
    int GetWaitingExclusiveCount() const;
    int CountHoldsOf(DataLockThreadId id) const;

    // The wait screen belongs to a higher layer; it registers itself here.
    void SetWaitScreenHook(DataLockWaitScreenHook hook);
    // The millisecond clock of the main thread's 15-s steps (Zel::Time::Ms
    // unless a test replaces it).
    using Clock = std::uint64_t (*)();
    void SetClock(Clock clock);

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Holds the process lock for a scope, taken and released by the calling thread.
class GlobalDataLockHold {
public:
    explicit GlobalDataLockHold(bool exclusive);
    ~GlobalDataLockHold();
    GlobalDataLockHold(const GlobalDataLockHold&) = delete;
    GlobalDataLockHold& operator=(const GlobalDataLockHold&) = delete;

private:
    DataLockThreadId id_;
};

// On the main thread: drops the engine's unused cached resources and
// collects unreferenced interned strings. On another thread it only marks
// the work pending; the next main-thread tick does it
// (ReleaseUnusedCachesIfPending).
void ReleaseUnusedCaches();
// The main-loop tick's half: does the work when another thread asked for it.
// True when it ran.
bool ReleaseUnusedCachesIfPending();
bool IsCacheReleasePending();
