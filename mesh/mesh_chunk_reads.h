// Small reads shared by the mesh file readers: chunk heads checked for their tag and version, peeks and arrays from the memory file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mesh/indexed_mesh_definition.h"
#include "zel/jirf.h"
#include "zel/memory_file.h"

namespace MeshChunkReads {

// The reads of one chunk head from the memory file.
inline Zel::JIRFChunkHead ReadHead(Zel::MemoryFile& file, uint32_t tag)
{
    return Zel::JIRFReadChunkHead(file.Data(), file.Size(), file.PositionRef(), tag);
}

// Reads a chunk head that must carry tag (else 3) and a version from low to
// high (else 4); 0 with the head filled.
inline int ExpectHead(Zel::MemoryFile& file, uint32_t tag, int32_t low, int32_t high, Zel::JIRFChunkHead& head)
{
    head = ReadHead(file, tag);
    if (!head.tagRead || head.tag != tag)
        return MeshBadFormat;
    if (head.version < low || head.version > high)
        return MeshBadVersion;
    return MeshOk;
}

inline bool Peek(Zel::MemoryFile& file, uint32_t tag)
{
    return Zel::JIRFPeekChunk(file.Data(), file.Size(), file.PositionRef(), tag);
}

template <class T>
void ReadArray(Zel::MemoryFile& file, T* values, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        file.Read(values[i]);
}

}  // namespace MeshChunkReads
