// Small reads shared by the mesh file readers: chunk heads checked for their tag and version, peeks and arrays from the memory file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mesh/indexed_mesh_definition.h"
#include "zel/jirf.h"
#include "zel/memory_file.h"
#include "zel/mesh_file_support.h"

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

// The rest of a chunk head whose tag was peeked: returns the chunk end.
inline int64_t ReadSizeAndVersion(Zel::MemoryFile& file, int32_t& version, bool* versionRead = nullptr)
{
    int32_t size = 0;
    file.Read(size);
    int64_t end = static_cast<int64_t>(file.Position()) + size;
    bool read = file.Read(version);
    if (versionRead)
        *versionRead = read;
    return end;
}

// A bone's record in either file kind's bone list: padded name, padded
// parent name, position and a 3 x 3 orientation matrix.
template <class Bone>
void ReadBoneRecord(Zel::MemoryFile& file, int64_t end, Bone& bone)
{
    Zel::MeshFileSupport::ReadPaddedString(file, end, bone.name);
    Zel::MeshFileSupport::ReadPaddedString(file, end, bone.parent);
    ReadArray(file, bone.position, 3);
    file.ReadBytes(bone.orientation, 36);
}

}  // namespace MeshChunkReads
