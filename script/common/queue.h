// Ring buffer of pointers that grows by a fixed step and keeps its order.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "zel/alloc.h"

namespace Utils {

template <typename T, int Tag>
class Queue {
public:
    explicit Queue(uint32_t growthStep = 128) : step_(growthStep ? growthStep : 1) {}
    virtual ~Queue() { Free(); }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    // False when the queue is full and cannot grow.
    bool Append(T item)
    {
        if (count_ == capacity_ && !Grow())
            return false;
        items_[write_] = item;
        write_ = (write_ + 1) % capacity_;
        ++count_;
        return true;
    }
    // False when empty.
    bool Take(T* item)
    {
        if (count_ == 0)
            return false;
        *item = items_[read_];
        read_ = (read_ + 1) % capacity_;
        --count_;
        return true;
    }
    // The i-th oldest item (0 = next to be taken); i < Count().
    T At(uint32_t i) const { return items_[(read_ + i) % capacity_]; }
    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return capacity_; }

    void Free()
    {
        Zel::Alloc::Delete(items_);
        items_ = nullptr;
        capacity_ = count_ = read_ = write_ = 0;
    }

private:
    bool Grow()
    {
        uint32_t capacity = capacity_ + step_;
        T* items = static_cast<T*>(Zel::Alloc::TryNew(capacity * sizeof(T)));
        if (items == nullptr)
            return false;
        // Oldest first: from the read index to the end, then those before it.
        for (uint32_t i = 0; i < count_; ++i)
            items[i] = items_[(read_ + i) % capacity_];
        Zel::Alloc::Delete(items_);
        items_ = items;
        capacity_ = capacity;
        read_ = 0;
        write_ = count_ % capacity_;
        return true;
    }

    T* items_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t step_;
    uint32_t count_ = 0;
    uint32_t read_ = 0;
    uint32_t write_ = 0;
};

}  // namespace Utils
