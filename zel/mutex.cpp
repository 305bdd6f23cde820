// Zel::Mutex: owned recursive lock; named ones also hold the cross-process lock.
#include "zel/mutex.h"

#include <chrono>

#include "platform/ipc.h"
#include "zel/time.h"

namespace Zel {

Mutex::Mutex(const char* name, bool initialOwner) : name_(name ? name : "")
{
    if (!name_.empty()) {
        named_ = std::make_unique<Platform::NamedLock>();
        // "Existed" as on Windows: another process has it open now. The lock
        // file itself stays in /dev/shm after its users end.
        bool firstUser = false;
        valid_ = named_->Open(name_, nullptr, &firstUser);
        alreadyExisted_ = valid_ && !firstUser;
    }
    if (valid_ && initialOwner && !alreadyExisted_)
        Lock(-1);
}

Mutex::~Mutex()
{
    // Whatever this object still holds goes with it; the file lock closes too.
    while (IsOwnedByCaller() && Release()) {}
}

bool Mutex::Lock(int timeoutMs)
{
    if (!valid_)
        return false;
    uint64_t start = Time::Ms();
    bool gotLocal = timeoutMs < 0 ? (local_.lock(), true)
                                  : (timeoutMs == 0 ? local_.try_lock()
                                                    : local_.try_lock_for(std::chrono::milliseconds(timeoutMs)));
    if (!gotLocal)
        return false;
    // Holding local_ means no other thread of ours changes depth_ now, so the
    // cross-process wait happens without the state lock.
    bool needNamed;
    {
        std::lock_guard<std::mutex> guard(stateMutex_);
        needNamed = depth_ == 0 && named_;
    }
    if (needNamed) {
        int left = -1;
        if (timeoutMs >= 0) {
            uint64_t spent = Time::Ms() - start;
            left = spent >= static_cast<uint64_t>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(spent);
        }
        if (!named_->Lock(left)) {
            local_.unlock();
            return false;
        }
    }
    std::lock_guard<std::mutex> guard(stateMutex_);
    owner_ = std::this_thread::get_id();
    ++depth_;
    return true;
}

bool Mutex::Release()
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id())
        return false;
    if (--depth_ == 0) {
        owner_ = std::thread::id();
        if (named_)
            named_->Unlock();
    }
    local_.unlock();
    return true;
}

bool Mutex::IsOwnedByCaller() const
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    return depth_ > 0 && owner_ == std::this_thread::get_id();
}

}  // namespace Zel
