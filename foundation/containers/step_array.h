// Growable arrays whose capacity grows in fixed steps: CharArray, CharBuffer, SimpleArray, ScalarArray.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// {items, capacity, count} of trivially copyable elements; the capacity is
// always a multiple of Step. Allocation failure leaves the array unchanged
// and makes the growing operation return false.
template <class T, int32_t Step>
class StepArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memcpy");
    static_assert(Step > 0, "a step of at least one element");

public:
    StepArray() = default;
    StepArray(const StepArray& other) { Append(other.items_, other.count_); }
    StepArray& operator=(const StepArray& other)
    {
        if (this != &other) {
            count_ = 0;
            Append(other.items_, other.count_);
        }
        return *this;
    }
    ~StepArray()
    {
        count_ = 0;
        std::free(items_);
    }

    // Grows the capacity to at least n, rounded up to a multiple of Step (new
    // storage, the elements copied, the old storage freed); nothing when the
    // capacity already suffices.
    bool Reserve(int32_t n)
    {
        if (n <= capacity_)
            return true;
        int64_t rounded = (int64_t(n) + Step - 1) / Step * Step;
        if (rounded > INT32_MAX)
            return false;
        T* grown = static_cast<T*>(std::malloc(size_t(rounded) * sizeof(T)));
        if (grown == nullptr)
            return false;
        if (count_ > 0)
            std::memcpy(grown, items_, size_t(count_) * sizeof(T));
        std::free(items_);
        items_ = grown;
        capacity_ = int32_t(rounded);
        return true;
    }

    bool PushBack(const T& value)
    {
        if (count_ == INT32_MAX || !Reserve(count_ + 1))
            return false;
        items_[count_++] = value;
        return true;
    }

    bool Append(const T* values, int32_t n)
    {
        if (n <= 0)
            return true;
        if (int64_t(count_) + n > INT32_MAX || !Reserve(count_ + n))
            return false;
        std::memcpy(items_ + count_, values, size_t(n) * sizeof(T));
        count_ += n;
        return true;
    }

    void Clear() { count_ = 0; }

    T* Data() { return items_; }
    const T* Data() const { return items_; }
    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }
    bool IsEmpty() const { return count_ == 0; }
    T& operator[](int32_t i) { return items_[i]; }
    const T& operator[](int32_t i) const { return items_[i]; }
    T* begin() { return items_; }
    T* end() { return items_ + count_; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + count_; }

private:
    T* items_ = nullptr;
    int32_t capacity_ = 0;
    int32_t count_ = 0;
};

// 32-bit values growing by 10.
template <class T = int32_t>
using SimpleArray = StepArray<T, 10>;
// 32-bit values growing by 128.
template <class T = float>
using ScalarArray = StepArray<T, 128>;

// A growable byte text. Text() always holds a terminating zero after the bytes.
template <int32_t Step>
class ByteArray {
public:
    bool AppendChar(char c) { return Append(&c, 1); }
    // Room for the bytes and the terminating zero is made first, so a failed
    // growth appends nothing.
    bool Append(const char* data, int32_t length)
    {
        if (length < 0)
            return false;
        int64_t needed = int64_t(bytes_.Count()) + length + 1;
        if (needed > INT32_MAX || !bytes_.Reserve(int32_t(needed)))
            return false;
        bytes_.Append(data, length);
        bytes_.Data()[bytes_.Count()] = '\0';
        return true;
    }
    bool Append(const char* text) { return Append(text, int32_t(std::strlen(text))); }
    void Clear() { bytes_.Clear(); }

    const char* Data() const { return bytes_.Data(); }
    // Zero-terminated; an array that never held a byte gives "".
    const char* Text() const { return bytes_.Data() == nullptr ? "" : bytes_.Data(); }
    int32_t Length() const { return bytes_.Count(); }
    int32_t Capacity() const { return bytes_.Capacity(); }

private:
    StepArray<char, Step> bytes_;
};

// Large byte buffers grow in 4 KB steps, small ones in 128-byte steps.
using CharArray = ByteArray<4096>;
using CharBuffer = ByteArray<128>;
