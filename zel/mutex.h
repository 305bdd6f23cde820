// Zel::Mutex: a recursive, owned lock with time-out; with a name it also excludes other processes.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "zel/sync_object.h"

namespace Platform {
class NamedLock;
}

namespace Zel {

// Without a name: a recursive timed mutex. With a name: the same, plus the
// cross-process lock of that name (Platform::NamedLock, released by the
// kernel when its holder dies). Ownership is per thread, as on Windows.
class Mutex : public SyncObject {
public:
    // initialOwner locks it at once (waiting for ever) unless the named lock
    // already existed: as on Windows, the request is then ignored.
    // AlreadyExisted tells whether another process has the named lock open.
    explicit Mutex(const char* name = nullptr, bool initialOwner = false);
    ~Mutex() override;

    // False when a named lock could not be opened.
    bool IsValid() const { return valid_; }
    bool AlreadyExisted() const { return alreadyExisted_; }
    const std::string& Name() const { return name_; }

    // -1 waits for ever; 0 only tries.
    bool Lock(int timeoutMs = -1) override;
    // Releases one level; false when the caller does not own it.
    bool Release();
    void Unlock() override { Release(); }
    bool IsOwnedByCaller() const;

private:
    std::string name_;
    std::unique_ptr<Platform::NamedLock> named_;
    std::recursive_timed_mutex local_;
    mutable std::mutex stateMutex_;
    std::thread::id owner_{};
    int depth_ = 0;
    bool valid_ = true;
    bool alreadyExisted_ = false;
};

}  // namespace Zel
