// Zel::WEvent: manual/automatic reset events with Pulse.
#include "zel/wevent.h"

#include <chrono>

namespace Zel {

void WEvent::Set()
{
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = true;
    if (manualReset_) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

void WEvent::Reset()
{
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = false;
}

void WEvent::Pulse()
{
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = false;
    if (waiters_ == 0)
        return;
    ++generation_;
    pulseTokens_ = manualReset_ ? waiters_ : 1;
    changed_.notify_all();
}

bool WEvent::IsSet() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return set_;
}

// With the lock held: true when this waiter may go (consuming what lets it).
bool WEvent::TakeLocked(uint64_t generation)
{
    if (set_) {
        if (!manualReset_)
            set_ = false;
        return true;
    }
    if (generation != generation_ && pulseTokens_ > 0) {
        --pulseTokens_;
        return true;
    }
    return false;
}

bool WEvent::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(mutex_);
    uint64_t generation = generation_;
    if (TakeLocked(generation))
        return true;
    if (timeoutMs == 0)
        return false;
    ++waiters_;
    bool woken;
    auto ready = [&] {
        if (TakeLocked(generation))
            return true;
        generation = generation_;  // a pulse used up by others: wait for the next
        return false;
    };
    if (timeoutMs < 0) {
        changed_.wait(guard, ready);
        woken = true;
    } else {
        woken = changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready);
    }
    --waiters_;
    if (waiters_ == 0)
        pulseTokens_ = 0;
    return woken;
}

}  // namespace Zel
