// Threads that run requests, each with its own connection to the index.
#include "daemon/worker_pool.h"

#include "daemon/store_connection.h"

KadWorkerPool::KadWorkerPool(std::string indexPath, int maxThreads)
    : indexPath(std::move(indexPath)), maxThreads(maxThreads < 1 ? 1 : maxThreads)
{
}

KadWorkerPool::~KadWorkerPool()
{
    Stop();
}

void KadWorkerPool::Post(Job job)
{
    {
        std::lock_guard<std::mutex> hold(lock);
        if (stopping)
            return;
        queue.push_back(std::move(job));
        if (idleThreads == 0 && static_cast<int>(threads.size()) < maxThreads) {
            threads.emplace_back([this] { WorkerLoop(); });
            return;
        }
    }
    // Woken after the lock is released, so the worker does not wake only to
    // wait for it.
    wake.notify_one();
}

void KadWorkerPool::Stop()
{
    std::vector<std::thread> ending;
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        ending.swap(threads);
    }
    wake.notify_all();
    for (std::thread& thread : ending)
        thread.join();
}

void KadWorkerPool::WorkerLoop()
{
    KadStoreConnection store;
    bool tried = false;
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        ++idleThreads;
        wake.wait(hold, [this] { return stopping || !queue.empty(); });
        --idleThreads;
        if (queue.empty())
            return;
        Job job = std::move(queue.front());
        queue.pop_front();
        hold.unlock();
        if (!tried) {
            tried = true;
            store.Open(indexPath);
        }
        job(store.IsOpen() ? &store : nullptr);
        // The job's captures (a connection among them) go before the lock is
        // taken again.
        job = nullptr;
        hold.lock();
    }
}
