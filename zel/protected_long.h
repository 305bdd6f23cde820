// Atomic counter whose increment and decrement return the new count.
#pragma once

#include <atomic>

namespace Zel {

class ProtectedLong {
public:
    explicit ProtectedLong(long value = 0) : value_(value) {}
    ProtectedLong(const ProtectedLong&) = delete;
    ProtectedLong& operator=(const ProtectedLong&) = delete;

    long Increment() { return value_.fetch_add(1, std::memory_order_acq_rel) + 1; }
    long Decrement() { return value_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    long Get() const { return value_.load(std::memory_order_acquire); }
    void Set(long value) { value_.store(value, std::memory_order_release); }
    // Returns the value before the exchange.
    long Exchange(long value) { return value_.exchange(value, std::memory_order_acq_rel); }

    long operator++() { return Increment(); }
    long operator--() { return Decrement(); }
    operator long() const { return Get(); }

private:
    std::atomic<long> value_;
};

}  // namespace Zel
