// The poster-owned completion group that hears about jobs dropped unrun.
#include "foundation/base/job_dispatcher.h"

int JobCompletionGroup::GetCount() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return count_;
}

bool JobCompletionGroup::GetFlag() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return flag_;
}

void JobCompletionGroup::SignalDropped()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        --count_;
        flag_ = false;
    }
    event_.Set();
}
