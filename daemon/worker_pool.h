// Threads that run requests, each with its own connection to the index.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class KadStoreConnection;

// Threads start on demand up to a cap and then stay; a job gets the running
// thread's own index connection (null when the index cannot be opened).
class KadWorkerPool {
public:
    using Job = std::function<void(KadStoreConnection* store)>;

    KadWorkerPool(std::string indexPath, int maxThreads);
    ~KadWorkerPool();
    KadWorkerPool(const KadWorkerPool&) = delete;
    KadWorkerPool& operator=(const KadWorkerPool&) = delete;

    // Never blocks: beyond the cap, jobs wait in the queue.
    void Post(Job job);
    // Runs what is queued, then ends every thread. Later posts are dropped.
    void Stop();

private:
    void WorkerLoop();

    std::string indexPath;
    int maxThreads;
    std::mutex lock;
    std::condition_variable wake;
    std::deque<Job> queue;
    std::vector<std::thread> threads;
    int idleThreads = 0;
    bool stopping = false;
};
