// Engine compression interface: stream operations implemented by a compressor, block helpers over memory.
#pragma once

#include <cstddef>

#include "zel/ioslave.h"

namespace Zel {

class Compress {
public:
    virtual ~Compress() = default;
    virtual bool CompressStream(IOSlave& output, IOSlave& input, size_t inputLength, int level) = 0;
    virtual bool DecompressStream(IOSlave& output, IOSlave& input, size_t inputLength) = 0;
    virtual bool Init() { return true; }
    virtual void ReleaseBuffers() {}

    // Compresses source into destination; the bytes written, 0 on failure.
    size_t CompressBlock(void* destination, size_t capacity, const void* source, size_t sourceLength, int level = 5);
    // Decompresses source into destination; the bytes produced, 0 on failure.
    size_t DecompressBlock(void* destination, size_t capacity, const void* source, size_t sourceLength);
};

}  // namespace Zel
