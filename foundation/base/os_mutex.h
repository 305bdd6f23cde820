// OS::Mutex, its scoped lock and OSException: the log writer's lock and the failures it reports.
#pragma once

#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

class OSException : public std::exception {
public:
    explicit OSException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    std::string Description() const { return message_; }

private:
    std::string message_;
};

namespace OS {

// A recursive lock whose release by a thread that does not hold it throws
// OSException("Failed to release the mutex") instead of being undefined.
class Mutex {
public:
    void Lock();
    void Unlock();

private:
    std::recursive_mutex lock_;
    // Written only by the holder; read by any thread to refuse a wrong release.
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0;
};

class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~MutexLock() { mutex_.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& mutex_;
};

}  // namespace OS
