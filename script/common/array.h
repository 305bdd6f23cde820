// Growable array of plain records: room for N entries at the first append, doubling after.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "zel/alloc.h"

namespace Utils {

template <typename T, uint32_t N>
class Array {
public:
    // Nothing is allocated until the first append: a compiler keeps one of
    // these per function, and many stay empty.
    Array() = default;
    ~Array() { Zel::Alloc::Delete(items_); }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    // False when out of memory.
    bool Append(const T& item)
    {
        if (count_ == capacity_ && !Grow(capacity_ ? capacity_ * 2 : N))
            return false;
        items_[count_++] = item;
        return true;
    }
    void Clear() { count_ = 0; }
    uint32_t Count() const { return count_; }
    const T& operator[](uint32_t i) const { return items_[i]; }
    T& operator[](uint32_t i) { return items_[i]; }
    const T* Data() const { return items_; }

private:
    bool Grow(uint32_t capacity)
    {
        if (capacity == 0)
            return true;
        T* items = static_cast<T*>(Zel::Alloc::TryNew(capacity * sizeof(T)));
        if (items == nullptr)
            return false;
        if (count_ != 0)
            std::memcpy(static_cast<void*>(items), items_, count_ * sizeof(T));
        Zel::Alloc::Delete(items_);
        items_ = items;
        capacity_ = capacity;
        return true;
    }

    T* items_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};

}  // namespace Utils
