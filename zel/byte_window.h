// Internal to zel: copying out of a byte window with a read position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Zel {

// Copies up to count bytes of data[position, length) to destination and
// advances position; returns the bytes copied.
inline size_t CopyFromWindow(void* destination, const uint8_t* data, size_t length, size_t& position, size_t count)
{
    if (!destination || !data || position >= length)
        return 0;
    size_t available = length - position;
    if (count > available)
        count = available;
    memcpy(destination, data + position, count);
    position += count;
    return count;
}

}  // namespace Zel
