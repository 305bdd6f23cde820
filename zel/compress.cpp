// Compress block helpers: run a compressor's stream operations over memory blocks.
#include "zel/compress.h"

namespace Zel {

size_t Compress::CompressBlock(void* destination, size_t capacity, const void* source, size_t sourceLength, int level)
{
    if (!destination || (!source && sourceLength))
        return 0;
    MemoryIOSlave output(destination, capacity, 0);
    MemoryIOSlave input(source, sourceLength);
    if (!CompressStream(output, input, sourceLength, level))
        return 0;
    return static_cast<size_t>(output.Tell());
}

size_t Compress::DecompressBlock(void* destination, size_t capacity, const void* source, size_t sourceLength)
{
    if (!destination || !source)
        return 0;
    MemoryIOSlave output(destination, capacity, 0);
    MemoryIOSlave input(source, sourceLength);
    if (!DecompressStream(output, input, sourceLength))
        return 0;
    return static_cast<size_t>(output.Tell());
}

}  // namespace Zel
