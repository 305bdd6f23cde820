// CriticalSection: recursive lock with an optional time-out.
#include <chrono>

#include "zel/sync_object.h"

namespace Zel {

bool CriticalSection::Lock(int timeoutMs)
{
    if (timeoutMs < 0) {
        mutex_.lock();
        return true;
    }
    if (timeoutMs == 0)
        return mutex_.try_lock();
    return mutex_.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

}  // namespace Zel
