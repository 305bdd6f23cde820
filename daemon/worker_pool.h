// Threads that run requests, each with its own connection to the index.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class KADStoreConnection;

// Threads start on demand up to a cap and then stay; a job gets the running
// thread's own index connection (null when the index cannot be opened).
class KADWorkerPool {
public:
    using Job = std::function<void(KADStoreConnection* store)>;

    KADWorkerPool(std::string indexPath, int maxThreads);
    ~KADWorkerPool();
    KADWorkerPool(const KADWorkerPool&) = delete;
    KADWorkerPool& operator=(const KADWorkerPool&) = delete;

    // Never blocks: beyond the cap, jobs wait in the queue.
    void Post(Job job);
    // Runs what is queued, then ends every thread. Later posts are dropped.
    void Stop();

private:
    // One per thread, owned by the pool so that a wake-up never reaches a
    // thread that has already ended.
    struct Slot {
        std::condition_variable wake;
        bool signalled = false;
    };

    void WorkerLoop(Slot& slot);
    // Called and returns with the lock held.
    void SpinForNextJob(std::unique_lock<std::mutex>& hold);

    std::string indexPath;
    int maxThreads;
    std::mutex lock;
    std::deque<Job> queue;
    std::vector<std::thread> threads;
    std::vector<std::unique_ptr<Slot>> slots;
    // Idle threads, the most recently idle last: that one is woken first,
    // because a thread that slept longest wakes slowest (its processor may
    // be in a deep idle state) and requests are latency-bound.
    std::vector<Slot*> idle;
    // Threads that have just finished a job and look for the next one for a
    // moment before they sleep (see WorkerLoop); a post then wakes nobody.
    int spinning = 0;
    std::atomic<int> queued{0};
    bool stopping = false;
};
