// Inner state of the job dispatcher, shared by its queue and worker halves.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/base/job_dispatcher.h"
#include "zel/thread.h"
#include "zel/wevent.h"

// The poster's {done, failed} bytes of a synchronous job.
struct JobStatus {
    std::atomic<std::uint8_t> done{0};
    std::atomic<std::uint8_t> failed{0};

    void Finish(bool failedFlag);
};

struct JobRecord {
    TCXCallbackBase* job = nullptr;  // owned by the dispatcher once queued
    intptr_t argument = 0;           // also the cancel key
    JobCompletionGroup* group = nullptr;
    std::uint32_t flags = 0;
    JobStatus* status = nullptr;  // null for an asynchronous job
};

// Tells the job and its group, fails its waiting poster and deletes it.
void DropJobRecord(const JobRecord& record);

struct JobWorker {
    std::unique_ptr<Zel::Thread> thread;
    JobDispatcher::State* state = nullptr;
    std::atomic<bool> ended{false};
};

struct JobDispatcher::State {
    // The queue lock guards the queue, the running keys and the stop flag's
    // transitions.
    std::mutex queueLock;
    std::deque<JobRecord> queue;
    std::vector<intptr_t> runningKeys;
    Zel::WEvent queueEvent{true, false};  // pulsed each time a job finishes
    std::atomic<bool> stopped{false};

    // The worker lock guards the worker set, the idle count, the live count
    // and the time stamp.
    std::mutex workerLock;
    std::vector<std::unique_ptr<JobWorker>> workers;
    int idleWorkers = 0;
    int workerPriority = 0;
    // Workers that have not decided to end; a worker that timed out still
    // sits in the set until it is reaped.
    int liveWorkers = 0;
    double lastWorkerChange = 0;  // Zel::Time seconds
    std::atomic<std::uint32_t> idleTimeoutMs{30000};
    Zel::WEvent workerWake{false, false};

    std::atomic<bool> mainThreadPending{false};
    Zel::WEvent mainThreadEvent{true, false};
    std::atomic<JobDispatcher::WakeHandler> wakeHandler{nullptr};
    std::atomic<std::uint32_t> wakeCount{0};

    void WakeMainThread();
    bool HasWorkerJobQueued();

    void EnsureWorker();
    std::size_t EnsureWorkers(std::size_t count);
    void StopWorkers();
    void WorkerMain(JobWorker* worker);

    JobDispatcher* owner = nullptr;

private:
    void StartWorker();
    void ReapEndedWorkers();
    void MarkIdleCountChanged();
};
