// KVAxisBoxTreeArray: the axis box tree's build arrays, with the large ones in reserved address space and large pages.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// A large build touches tens of bytes per triangle once and frees them:
// making fresh 4 KB pages, and copying arrays as they grow, not the work
// itself, is then most of its time. An array stays on the heap while small;
// past 256 KB it moves once into address space reserved for its limit (no
// page exists until written, and it never moves again) and asks for 2 MB
// pages there (the system may refuse; nothing else changes).
template <class T>
class KVAxisBoxTreeArray {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved as bytes");

public:
    // limit: the most items the array will ever hold.
    explicit KVAxisBoxTreeArray(size_t limit = SIZE_MAX / sizeof(T) / 2) : limit_(limit) {}
    ~KVAxisBoxTreeArray() { Release(); }
    KVAxisBoxTreeArray(const KVAxisBoxTreeArray&) = delete;
    KVAxisBoxTreeArray& operator=(const KVAxisBoxTreeArray&) = delete;

    // Holds exactly size unset items, its new limit; false without the memory.
    bool Allocate(size_t size)
    {
        Release();
        limit_ = size;
        return Resize(size);
    }
    // Room for capacity items, the count unchanged; false without the memory.
    bool Reserve(size_t capacity) { return capacity <= capacity_ || Grow(capacity); }
    bool PushBack(const T& item)
    {
        if (size_ == capacity_ && !Grow(capacity_ < 512 ? 1024 : capacity_ * 2))
            return false;
        items_[size_++] = item;
        return true;
    }
    // New items are left unset.
    bool Resize(size_t size)
    {
        if (!Reserve(size))
            return false;
        size_ = size;
        return true;
    }

    T* Data() { return items_; }
    const T* Data() const { return items_; }
    T& operator[](size_t i) { return items_[i]; }
    const T& operator[](size_t i) const { return items_[i]; }
    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + size_; }

private:
    static constexpr size_t kLargePage = size_t{2} << 20;
    static constexpr size_t kLargeFrom = size_t{256} << 10;

    bool Grow(size_t capacity)
    {
        if (capacity > limit_)
            capacity = limit_;
        if (capacity <= capacity_ || capacity > SIZE_MAX / sizeof(T) / 2)
            return false;
        if (capacity * sizeof(T) >= kLargeFrom && Map())
            return true;
        if (mapped_)
            return false;
        void* grown = std::realloc(items_, capacity * sizeof(T));
        if (!grown)
            return false;
        items_ = static_cast<T*>(grown);
        capacity_ = capacity;
        return true;
    }
    // Moves the items into a reservation for the limit, aligned to large pages.
    bool Map()
    {
        size_t bytes = (limit_ * sizeof(T) + kLargePage - 1) / kLargePage * kLargePage;
        void* region = mmap(nullptr, bytes + kLargePage, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (region == MAP_FAILED)
            return false;
        auto start = reinterpret_cast<uintptr_t>(region);
        uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
        if (aligned > start)
            munmap(region, aligned - start);
        if (aligned + bytes < start + bytes + kLargePage)
            munmap(reinterpret_cast<void*>(aligned + bytes), start + kLargePage - aligned);
        madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
        T* items = reinterpret_cast<T*>(aligned);
        if (size_ > 0)
            std::memcpy(items, items_, size_ * sizeof(T));
        std::free(items_);
        items_ = items;
        mapped_ = bytes;
        capacity_ = limit_;
        return true;
    }
    void Release()
    {
        if (mapped_)
            munmap(items_, mapped_);
        else
            std::free(items_);
        items_ = nullptr;
        size_ = capacity_ = mapped_ = 0;
    }

    size_t limit_;
    T* items_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t mapped_ = 0;
};
