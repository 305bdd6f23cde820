// Zel::DynamicBuffer: growable byte buffer with a position.
#include "zel/dynamic_buffer.h"

#include "zel/byte_window.h"

#include <cstdlib>
#include <cstring>

namespace Zel {

DynamicBuffer::DynamicBuffer(size_t initialSize, size_t growBy) : growBy_(growBy ? growBy : 512)
{
    if (initialSize)
        Reserve(initialSize);
}

DynamicBuffer::~DynamicBuffer()
{
    free(data_);
}

void DynamicBuffer::SetPosition(size_t position)
{
    position_ = position > allocated_ ? allocated_ : position;
}

size_t DynamicBuffer::Read(void* destination, size_t count)
{
    return CopyFromWindow(destination, data_, length_, position_, count);
}

bool DynamicBuffer::Reserve(size_t size)
{
    if (size <= allocated_)
        return true;
    // Not zero-filled: a reservation for a large write would touch every
    // page twice. Bytes past the length are zeroed when data reaches them.
    uint8_t* grown = static_cast<uint8_t*>(realloc(data_, size));
    if (!grown)
        return false;
    data_ = grown;
    allocated_ = size;
    return true;
}

bool DynamicBuffer::AddLength(size_t extra)
{
    if (extra > SIZE_MAX - allocated_)
        return false;
    return Reserve(allocated_ + extra);
}

size_t DynamicBuffer::WriteGrowing(const void* source, size_t count)
{
    if (count == 0)
        return 0;
    if (!source || count > SIZE_MAX - position_)
        return 0;
    size_t end = position_ + count;
    if (end > allocated_) {
        // Grow by at least the step, and at least geometrically, so long
        // sequences of small writes stay linear.
        size_t wanted = allocated_ + (growBy_ > allocated_ / 2 ? growBy_ : allocated_ / 2);
        if (wanted < end)
            wanted = end;
        if (!Reserve(wanted) && !Reserve(end))
            return 0;
    }
    // A position past the data leaves a gap that reads as zeros.
    if (position_ > length_)
        memset(data_ + length_, 0, position_ - length_);
    memcpy(data_ + position_, source, count);
    position_ = end;
    if (end > length_)
        length_ = end;
    return count;
}

void DynamicBuffer::Clean()
{
    length_ = 0;
    position_ = 0;
}

bool DynamicBuffer::SetLength(size_t length)
{
    if (!Reserve(length))
        return false;
    if (length > length_)
        memset(data_ + length_, 0, length - length_);
    length_ = length;
    if (position_ > length_)
        position_ = length_;
    return true;
}

}  // namespace Zel
