// Threads that run requests, each with its own connection to the index.
#include "daemon/worker_pool.h"

#include <algorithm>
#include <chrono>

#include "daemon/store_connection.h"

namespace {
constexpr auto SpinTime = std::chrono::microseconds(50);
}

KADWorkerPool::KADWorkerPool(std::string indexPath, int maxThreads)
    : indexPath(std::move(indexPath)), maxThreads(maxThreads < 1 ? 1 : maxThreads)
{}

KADWorkerPool::~KADWorkerPool()
{
    Stop();
}

void KADWorkerPool::Post(Job job)
{
    Slot* woken = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (stopping)
            return;
        queue.push_back(std::move(job));
        queued.fetch_add(1);
        if (spinning > 0) {
            // A thread that has just finished a job takes it.
        } else if (!idle.empty()) {
            woken = idle.back();
            idle.pop_back();
            woken->signalled = true;
        } else if (static_cast<int>(threads.size()) < maxThreads) {
            slots.push_back(std::make_unique<Slot>());
            Slot& slot = *slots.back();
            threads.emplace_back([this, &slot] { WorkerLoop(slot); });
        }
    }
    // Woken after the lock is released, so the worker does not wake only to
    // wait for it. Slots live as long as the pool.
    if (woken != nullptr)
        woken->wake.notify_one();
}

void KADWorkerPool::Stop()
{
    std::vector<std::thread> ending;
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        ending.swap(threads);
        for (const auto& slot : slots)
            slot->wake.notify_all();
    }
    for (std::thread& thread : ending)
        thread.join();
}

void KADWorkerPool::SpinForNextJob(std::unique_lock<std::mutex>& hold)
{
    // A client waits for each reply before it sends its next request, so the
    // next job usually comes a loopback round trip after the last one ended.
    // Waking a sleeping thread costs far more than that on a loaded or
    // virtual machine, so a thread that has just finished looks for a moment
    // before it sleeps.
    ++spinning;
    hold.unlock();
    auto until = std::chrono::steady_clock::now() + SpinTime;
    while (queued.load(std::memory_order_acquire) == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    hold.lock();
    --spinning;
}

void KADWorkerPool::WorkerLoop(Slot& slot)
{
    KADStoreConnection store;
    bool tried = false;
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        if (queue.empty() && !stopping)
            SpinForNextJob(hold);
        while (queue.empty() && !stopping) {
            slot.signalled = false;
            idle.push_back(&slot);
            slot.wake.wait(hold, [this, &slot] { return slot.signalled || stopping; });
            if (!slot.signalled)
                idle.erase(std::remove(idle.begin(), idle.end(), &slot), idle.end());
        }
        // Queued jobs still run after Stop, so their replies go out.
        if (queue.empty())
            return;
        Job job = std::move(queue.front());
        queue.pop_front();
        queued.fetch_sub(1);
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
