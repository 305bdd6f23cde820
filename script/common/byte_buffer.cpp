// Growable byte buffer of the script toolchain.
#include "script/common/byte_buffer.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "zel/alloc.h"

namespace Utils {

namespace {

uint8_t* Align4(void* raw)
{
    return reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(raw) + 3) & ~uintptr_t(3));
}

}  // namespace

bool ByteBuffer::Init(uint32_t growthStep)
{
    Free();
    step_ = growthStep;
    raw_ = Zel::Alloc::TryNew(size_t(step_) + 3);
    if (raw_ == nullptr) {
        flags_ |= kAllocationFailed;
        return false;
    }
    data_ = Align4(raw_);
    capacity_ = step_;
    return true;
}

void ByteBuffer::Prepare(uint32_t growthStep)
{
    Free();
    step_ = growthStep;
}

void ByteBuffer::Reset()
{
    uint32_t step = step_;
    Init(step);
}

void ByteBuffer::Free()
{
    Zel::Alloc::Delete(raw_);
    raw_ = nullptr;
    data_ = nullptr;
    flags_ = 0;
    step_ = 0;
    cursor_ = length_ = capacity_ = 0;
}

bool ByteBuffer::Reserve(size_t position)
{
    if (flags_ & kAllocationFailed)
        return false;
    if (data_ == nullptr && step_ == 0) {
        flags_ |= kAllocationFailed;
        return false;
    }
    if (position >= capacity_ || data_ == nullptr) {
        // Grow by at least doubling: code and image buffers reach megabytes, and
        // a fixed step would copy them over and over (quadratic appends).
        if (position > SIZE_MAX / 2 - step_) {
            flags_ |= kAllocationFailed;
            return false;
        }
        size_t capacity = position + step_;
        if (capacity < capacity_ * 2)
            capacity = capacity_ * 2;
        void* raw = Zel::Alloc::TryNew(capacity + 3);
        if (raw == nullptr) {
            flags_ |= kAllocationFailed;
            return false;
        }
        uint8_t* data = Align4(raw);
        if (length_ != 0)
            std::memcpy(data, data_, length_);
        Zel::Alloc::Delete(raw_);
        raw_ = raw;
        data_ = data;
        capacity_ = capacity;
    }
    if (length_ < position)
        length_ = position;
    return true;
}

void ByteBuffer::WriteBytes(const void* bytes, size_t length)
{
    if (length < capacity_ - cursor_ && flags_ == 0) {
        // Room enough: the common case of code emission, without the growth checks.
        if (length != 0)
            std::memcpy(data_ + cursor_, bytes, length);
        cursor_ += length;
        if (length_ < cursor_)
            length_ = cursor_;
        return;
    }
    if (!Reserve(cursor_ + length))
        return;
    // An empty list (the code of a native function) may have no bytes at all.
    if (length != 0)
        std::memcpy(data_ + cursor_, bytes, length);
    cursor_ += length;
}

void ByteBuffer::WriteU32(uint32_t value)
{
    uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    WriteBytes(bytes, 4);
}

void ByteBuffer::WriteU16(uint16_t value)
{
    uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
    WriteBytes(bytes, 2);
}

void ByteBuffer::WriteU8(uint8_t value)
{
    if (cursor_ + 1 < capacity_ && flags_ == 0) {
        data_[cursor_++] = value;
        if (length_ < cursor_)
            length_ = cursor_;
        return;
    }
    WriteBytes(&value, 1);
}

bool ByteBuffer::ReadU32(uint32_t* value)
{
    if (cursor_ + 4 > length_) {
        flags_ |= kReadPastEnd;
        return false;
    }
    const uint8_t* at = data_ + cursor_;
    *value = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
    cursor_ += 4;
    return true;
}

bool ByteBuffer::PatchU32(size_t position, uint32_t value)
{
    if (data_ == nullptr || position > length_ || length_ - position < 4) {
        flags_ |= kReadPastEnd;
        return false;
    }
    data_[position] = uint8_t(value);
    data_[position + 1] = uint8_t(value >> 8);
    data_[position + 2] = uint8_t(value >> 16);
    data_[position + 3] = uint8_t(value >> 24);
    return true;
}

bool ByteBuffer::Seek(size_t position)
{
    if (position > length_) {
        flags_ |= kReadPastEnd;
        return false;
    }
    cursor_ = position;
    return true;
}

}  // namespace Utils
