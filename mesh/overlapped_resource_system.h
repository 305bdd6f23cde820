// OverlappedResourceSystem: expensive resource work run oldest-first on one worker thread, polled or finished by the requester.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class Overlapped;
class OverlappedResourceSystem;

class OverlappedResource {
public:
    enum State : int32_t { Idle = 0, Queued = 1, Running = 2, Ran = 3, Complete_ = 4, TakenOut = 5 };
    OverlappedResource();
    virtual ~OverlappedResource() = default;
    virtual bool Run() { return true; }
    virtual bool Complete() { return true; }

    Overlapped* handle = nullptr;
    OverlappedResourceSystem* system = nullptr;
    std::string name = "unknown";
    float priority = 0;
    int32_t state = Idle;  // guarded by the system's lock once queued
    double creationTime = 0;
    bool cancel = false;
};

class OverlappedResourceCallback : public OverlappedResource {
public:
    using Callback = std::function<bool(void* user)>;
    OverlappedResourceCallback(void* user, Callback run, Callback complete)
        : user_(user), run_(std::move(run)), complete_(std::move(complete))
    {}
    bool Run() override { return run_ ? run_(user_) : true; }
    bool Complete() override { return complete_ ? complete_(user_) : true; }

private:
    void* user_;
    Callback run_;
    Callback complete_;
};

// The requester's handle: result is what the work fills.
class Overlapped {
public:
    Overlapped() = default;
    virtual ~Overlapped();
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    // Deletes a request that is idle or complete; true when none is held.
    bool IsComplete();
    // Finishes (cancelled) and deletes the held request.
    void Cancel();

    void* result = nullptr;
    OverlappedResource* request = nullptr;
};

class OverlappedResourceSystem {
public:
    static constexpr size_t kMaxQueued = 5000;

    // Starts the worker; the global pointer designates the newest system.
    OverlappedResourceSystem();
    virtual ~OverlappedResourceSystem();
    OverlappedResourceSystem(const OverlappedResourceSystem&) = delete;
    OverlappedResourceSystem& operator=(const OverlappedResourceSystem&) = delete;

    static OverlappedResourceSystem* Global();

    void QueueCallback(Overlapped& handle, const char* name, void* user, OverlappedResourceCallback::Callback run,
                       OverlappedResourceCallback::Callback complete);
    void QueueRequest(Overlapped& handle, OverlappedResource* request);
    // False when the queue is full or the request is already queued (it stays idle).
    bool Enqueue(OverlappedResource* request);
    // True when the request ends complete.
    bool Finish(OverlappedResource* request);
    bool FinishCancelled(OverlappedResource* request);
    // Runs the next (oldest) request on the calling thread.
    void RunNextNow();
    // Holds the worker before it takes the next request (tests order and waits).
    void Pause(bool paused);
    int32_t StateOf(const OverlappedResource* request);
    size_t QueuedCount();

private:
    void WorkerLoop();
    OverlappedResource* TakeNextLocked();
    void Process(OverlappedResource* request, std::unique_lock<std::mutex>& lock);
    bool RemoveFromQueueLocked(OverlappedResource* request);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<OverlappedResource*> queue_;
    std::deque<OverlappedResource*> completed_;
    OverlappedResource* current_ = nullptr;
    bool stop_ = false;
    bool paused_ = false;
    // Finishers are serialised; two finishers of one request meet here.
    std::mutex finishMutex_;
    std::thread worker_;
};
