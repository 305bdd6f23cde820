// OS::Mutex: a recursive lock that knows its owner, so a wrong release is reported.
#include "foundation/base/os_mutex.h"

namespace OS {

void Mutex::Lock()
{
    lock_.lock();
    std::lock_guard<std::mutex> hold(ownerLock_);
    owner_ = std::this_thread::get_id();
    ++depth_;
}

void Mutex::Unlock()
{
    {
        std::lock_guard<std::mutex> hold(ownerLock_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id())
            throw OSException("Failed to release the mutex");
        if (--depth_ == 0)
            owner_ = std::thread::id();
    }
    lock_.unlock();
}

}  // namespace OS
