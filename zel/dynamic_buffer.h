// Growable byte buffer with a read/write position: the body of every daemon request and reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Zel {

class DynamicBuffer {
public:
    // initialSize bytes are allocated at once (none when 0); the buffer then
    // grows by at least growBy bytes whenever a write passes the allocation.
    explicit DynamicBuffer(size_t initialSize = 0, size_t growBy = 512);
    ~DynamicBuffer();
    DynamicBuffer(const DynamicBuffer&) = delete;
    DynamicBuffer& operator=(const DynamicBuffer&) = delete;

    size_t GetPosition() const { return position_; }
    // Clamped to the allocated size.
    void SetPosition(size_t position);
    size_t GetAllocatedSize() const { return allocated_; }
    // Bytes of data held (the highest position written).
    size_t GetLength() const { return length_; }
    uint8_t* GetData() { return data_; }
    const uint8_t* GetData() const { return data_; }

    // Copies up to count bytes from the position (never past the data length)
    // and advances; returns the bytes copied.
    size_t Read(void* destination, size_t count);
    // Writes at the position, growing as needed (a gap left by a position past
    // the data is zero-filled); advances. Returns count, or 0 when memory ran out.
    // The common case, a write inside the allocation with no gap, is inline:
    // streams write one small field at a time.
    size_t Write(const void* source, size_t count)
    {
        if (count == 0 || source == nullptr || position_ > length_ || count > allocated_ - position_)
            return WriteGrowing(source, count);
        // A word, the most common field, as one move instead of a call.
        if (count == 4)
            memcpy(data_ + position_, source, 4);
        else
            memcpy(data_ + position_, source, count);
        position_ += count;
        if (position_ > length_)
            length_ = position_;
        return count;
    }
    // Empties the buffer: length and position 0 (the allocation stays).
    void Clean();
    // Grows the allocation by extra bytes; false when memory ran out.
    bool AddLength(size_t extra);
    // Makes the allocation at least size bytes; false when memory ran out.
    bool Reserve(size_t size);
    // Sets the data length (growing the allocation, zero-filling); the position
    // is clamped to it.
    bool SetLength(size_t length);

private:
    size_t WriteGrowing(const void* source, size_t count);

    uint8_t* data_ = nullptr;
    size_t allocated_ = 0;
    size_t length_ = 0;
    size_t position_ = 0;
    size_t growBy_ = 512;
};

}  // namespace Zel
