// OverlappedResourceSystem: the worker, oldest-first taking, and finishing on the requester's thread.
#include "mesh/overlapped_resource_system.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {

std::atomic<OverlappedResourceSystem*> gSystem{nullptr};

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

OverlappedResource::OverlappedResource() : creationTime(Seconds()) {}

Overlapped::~Overlapped()
{
    Cancel();
}

bool Overlapped::IsComplete()
{
    if (request) {
        int32_t state = request->system ? request->system->StateOf(request) : request->state;
        if (state == OverlappedResource::Idle || state == OverlappedResource::Complete_) {
            delete request;
            request = nullptr;
        }
    }
    return request == nullptr;
}

void Overlapped::Cancel()
{
    if (!request)
        return;
    if (request->system)
        request->system->FinishCancelled(request);
    delete request;
    request = nullptr;
}

OverlappedResourceSystem::OverlappedResourceSystem()
{
    worker_ = std::thread([this] { WorkerLoop(); });
    gSystem = this;
}

OverlappedResourceSystem::~OverlappedResourceSystem()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
    // Requests belong to their handles: they are dropped from the queue, not deleted.
    for (OverlappedResource* request : queue_)
        request->state = OverlappedResource::Idle;
    queue_.clear();
    OverlappedResourceSystem* self = this;
    gSystem.compare_exchange_strong(self, nullptr);
}

OverlappedResourceSystem* OverlappedResourceSystem::Global()
{
    return gSystem;
}

void OverlappedResourceSystem::QueueCallback(Overlapped& handle, const char* name, void* user,
                                             OverlappedResourceCallback::Callback run,
                                             OverlappedResourceCallback::Callback complete)
{
    auto* request = new OverlappedResourceCallback(user, std::move(run), std::move(complete));
    if (name)
        request->name = name;
    QueueRequest(handle, request);
}

void OverlappedResourceSystem::QueueRequest(Overlapped& handle, OverlappedResource* request)
{
    handle.request = request;
    request->handle = &handle;
    request->system = this;
    Enqueue(request);
}

bool OverlappedResourceSystem::Enqueue(OverlappedResource* request)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.size() >= kMaxQueued || request->state == OverlappedResource::Queued)
            return false;
        request->state = OverlappedResource::Queued;
        queue_.push_back(request);
    }
    changed_.notify_all();
    return true;
}

int32_t OverlappedResourceSystem::StateOf(const OverlappedResource* request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return request->state;
}

size_t OverlappedResourceSystem::QueuedCount()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

void OverlappedResourceSystem::Pause(bool paused)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        paused_ = paused;
    }
    changed_.notify_all();
}

OverlappedResource* OverlappedResourceSystem::TakeNextLocked()
{
    if (queue_.empty())
        return nullptr;
    // Priority is age: the oldest request runs first whatever the queuing order.
    auto oldest = std::min_element(queue_.begin(), queue_.end(),
                                   [](const auto* a, const auto* b) { return a->creationTime < b->creationTime; });
    OverlappedResource* request = *oldest;
    queue_.erase(oldest);
    request->priority = static_cast<float>(Seconds() - request->creationTime);
    request->state = OverlappedResource::Running;
    current_ = request;
    return request;
}

void OverlappedResourceSystem::Process(OverlappedResource* request, std::unique_lock<std::mutex>& lock)
{
    lock.unlock();
    bool ran = request->Run();
    lock.lock();
    if (ran && request->state == OverlappedResource::Running) {
        request->state = OverlappedResource::Ran;
        completed_.push_back(request);
    } else if (!ran) {
        request->state = OverlappedResource::Idle;
    }
    current_ = nullptr;
    changed_.notify_all();
}

void OverlappedResourceSystem::WorkerLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        changed_.wait(lock, [this] { return stop_ || (!paused_ && !queue_.empty()); });
        if (stop_)
            break;
        if (OverlappedResource* request = TakeNextLocked())
            Process(request, lock);
    }
}

void OverlappedResourceSystem::RunNextNow()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (OverlappedResource* request = TakeNextLocked())
        Process(request, lock);
}

bool OverlappedResourceSystem::RemoveFromQueueLocked(OverlappedResource* request)
{
    auto found = std::find(queue_.begin(), queue_.end(), request);
    if (found == queue_.end())
        return false;
    queue_.erase(found);
    return true;
}

bool OverlappedResourceSystem::FinishCancelled(OverlappedResource* request)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        request->cancel = true;
    }
    return Finish(request);
}

bool OverlappedResourceSystem::Finish(OverlappedResource* request)
{
    std::lock_guard<std::mutex> finishing(finishMutex_);
    std::unique_lock<std::mutex> lock(mutex_);
    if (request->state == OverlappedResource::Queued && RemoveFromQueueLocked(request))
        request->state = OverlappedResource::TakenOut;
    // The worker is running it: wait for its end.
    changed_.wait(lock, [&] { return current_ != request; });
    if (request->state == OverlappedResource::Complete_)
        return true;
    if (request->state == OverlappedResource::Ran) {
        completed_.erase(std::remove(completed_.begin(), completed_.end(), request), completed_.end());
        lock.unlock();
        bool complete = request->Complete();
        lock.lock();
        request->state = complete ? OverlappedResource::Complete_ : OverlappedResource::Idle;
        return complete;
    }
    if (request->cancel)
        request->state = OverlappedResource::Idle;
    if (request->state == OverlappedResource::Idle)
        return false;
    // Taken out of the queue: the waiting requester does the work itself.
    lock.unlock();
    bool ran = request->Run();
    bool complete = ran && request->Complete();
    lock.lock();
    request->state = complete ? OverlappedResource::Complete_ : OverlappedResource::Idle;
    return complete;
}
