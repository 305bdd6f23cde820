// Objects shared between threads by an atomic reference count, and the counted pointer to them.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

// Base of thread-shared counted objects (soup chunks, data blocks...). A new
// object starts with one reference, owned by its creator; the release that
// brings the count to zero deletes it through the virtual destructor.
class ReferenceCountMP {
public:
    ReferenceCountMP() = default;
    ReferenceCountMP(const ReferenceCountMP&) = delete;
    ReferenceCountMP& operator=(const ReferenceCountMP&) = delete;
    virtual ~ReferenceCountMP() = default;

    // Returns the new count.
    int32_t AddRef() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }

    // True when this call deleted the object; false while references remain.
    bool Release()
    {
        if (count_.fetch_sub(1, std::memory_order_acq_rel) != 1)
            return false;
        delete this;
        return true;
    }

    int32_t ReferenceCount() const { return count_.load(std::memory_order_acquire); }

private:
    std::atomic<int32_t> count_{1};
};

// Holds one reference to a ReferenceCountMP object (or nothing). Copying adds
// a reference; destruction and reassignment release the one held.
template <class T>
class ReferenceCountMPPtr {
public:
    ReferenceCountMPPtr() = default;
    ReferenceCountMPPtr(std::nullptr_t) {}

    // Takes over the caller's reference (a freshly created object's first one).
    static ReferenceCountMPPtr Adopt(T* object)
    {
        ReferenceCountMPPtr ptr;
        ptr.object_ = object;
        return ptr;
    }
    // Adds a reference of its own.
    static ReferenceCountMPPtr Share(T* object)
    {
        if (object != nullptr)
            object->AddRef();
        return Adopt(object);
    }

    ReferenceCountMPPtr(const ReferenceCountMPPtr& other) : object_(other.object_)
    {
        if (object_ != nullptr)
            object_->AddRef();
    }
    ReferenceCountMPPtr(ReferenceCountMPPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ReferenceCountMPPtr& operator=(ReferenceCountMPPtr other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ReferenceCountMPPtr() { Reset(); }

    void Reset()
    {
        T* object = std::exchange(object_, nullptr);
        if (object != nullptr)
            object->Release();
    }
    // Gives up the reference without releasing it.
    T* Detach() { return std::exchange(object_, nullptr); }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    bool operator==(const ReferenceCountMPPtr& other) const { return object_ == other.object_; }

private:
    T* object_ = nullptr;
};
