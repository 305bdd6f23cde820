// Lockable objects: the SyncObject base, the recursive CriticalSection and the scoped SingleLock.
#pragma once

#include <mutex>

namespace Zel {

class SyncObject {
public:
    virtual ~SyncObject() = default;
    // timeoutMs: -1 waits for ever, 0 only tries. True when locked.
    virtual bool Lock(int timeoutMs = -1) = 0;
    virtual void Unlock() = 0;
};

// Recursive in-process lock.
class CriticalSection : public SyncObject {
public:
    bool Lock(int timeoutMs = -1) override;
    void Unlock() override { mutex_.unlock(); }
    bool TryLock() { return mutex_.try_lock(); }

private:
    std::recursive_timed_mutex mutex_;
};

// Holds a SyncObject for a scope; unlocks on destruction when it locked.
class SingleLock {
public:
    explicit SingleLock(SyncObject* object, bool lockNow = false) : object_(object)
    {
        if (lockNow)
            Lock();
    }
    ~SingleLock() { Unlock(); }
    SingleLock(const SingleLock&) = delete;
    SingleLock& operator=(const SingleLock&) = delete;

    bool Lock(int timeoutMs = -1)
    {
        if (!object_ || locked_)
            return locked_;
        locked_ = object_->Lock(timeoutMs);
        return locked_;
    }
    void Unlock()
    {
        if (!locked_)
            return;
        locked_ = false;
        object_->Unlock();
    }
    bool IsLocked() const { return locked_; }

private:
    SyncObject* object_;
    bool locked_ = false;
};

}  // namespace Zel
