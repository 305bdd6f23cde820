// OS::Mutex: a recursive lock that knows its owner, so a wrong release is reported.
#include "foundation/base/os_mutex.h"

namespace OS {

void Mutex::Lock()
{
    lock_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++depth_;
}

void Mutex::Unlock()
{
    // Only the holder can see its own id here, so depth_ is then its to change.
    if (owner_.load(std::memory_order_relaxed) != std::this_thread::get_id() || depth_ == 0)
        throw OSException("Failed to release the mutex");
    if (--depth_ == 0)
        owner_.store(std::thread::id(), std::memory_order_relaxed);
    lock_.unlock();
}

}  // namespace OS
