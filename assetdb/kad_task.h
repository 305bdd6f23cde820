// KADTask and KADTaskThread: asset-database work with a results log of its own, a cancel request and a worker.
#pragma once

#include <atomic>
#include <cstdint>

#include "results/results_log.h"
#include "zel/path.h"
#include "zel/string.h"
#include "zel/sync_object.h"
#include "zel/thread.h"

class KADTaskThread;

// The log-and-state half of a task. The daemon's result lines for the task
// arrive in its log on the client's reader thread, under the log's own lock.
class KADTask : public ResultsLog {
public:
    KADTask() = default;
    // With a worker: asks it to stop, waits for it without a time limit and
    // deletes it; then the log goes.
    ~KADTask() override;

    // Hooks a derived task may give a body; in this class they do nothing.
    virtual void SetProgress(float /*progress*/) {}
    virtual void BeginStep() {}
    virtual void EndStep() {}
    virtual void AddText(const Zel::String& /*text*/) {}
    virtual void OnTaskFinished() {}
    virtual int IsInteractive() { return 0; }

    void RequestCancel() { cancelRequested = true; }
    bool IsCancelRequested() const { return cancelRequested.load(); }
    bool IsRunning() const { return running.load(); }
    void SetRunning(bool value) { running = value; }
    // Takes ownership of the worker.
    void SetWorker(KADTaskThread* thread) { worker = thread; }
    KADTaskThread* GetWorker() const { return worker; }

private:
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> running{false};
    KADTaskThread* worker = nullptr;
};

// The worker: an engine thread (created suspended) that can also run its work
// on the calling thread. Locking it waits for the thread to end. The engine
// thread is a member, not a base: its own virtual Run is its entry, which
// must stay the procedure below and not the task's work.
class KADTaskThread : public Zel::SyncObject {
public:
    KADTaskThread();
    ~KADTaskThread() override;
    KADTaskThread(const KADTaskThread&) = delete;
    KADTaskThread& operator=(const KADTaskThread&) = delete;

    // Records the caller's thread and the owner, clears the stop request and
    // runs the work here; returns Run's result. The owner's OnTaskFinished is
    // not called on this path.
    uint32_t RunOnCallingThread(KADTask* owner);
    // Starts the engine thread for the owner; the owner is told when the work ends.
    bool StartThread(KADTask* owner);
    // Asks a thread that has not started its work yet not to start it.
    void RequestStop() { stopRequested = true; }

    // Waits for the engine thread (when one was started); true once it ended.
    bool Lock(int timeoutMs = -1) override;
    void Unlock() override {}

    // False when the folder's file system cannot be asked or leaves the
    // caller less than 100 MiB.
    virtual bool HasFreeDiskSpace(const Zel::File::Path& folder);

    // The thread that runs the work, 0 when idle.
    int GetWorkingThreadId() const { return workingThreadId.load(); }
    KADTask* GetOwner() const { return owner; }

protected:
    // The work; empty in the base.
    virtual uint32_t Run() { return 0; }

private:
    static uint32_t ThreadProcedure(void* self);

    Zel::Thread engineThread;
    std::atomic<int> workingThreadId{0};
    std::atomic<bool> stopRequested{false};
    bool started = false;
    KADTask* owner = nullptr;
};

// Free space below which a task refuses to write (100 MiB).
constexpr uint64_t KADTaskMinimumFreeBytes = 104857600;
