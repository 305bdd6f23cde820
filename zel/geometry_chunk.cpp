// Engine geometry chunk: per-item vertex streams and the flags word round trip.
#include "zel/geometry_chunk.h"

#include <algorithm>

namespace Zel {

uint32_t MakeGeometryChunkFlags(int geometryType)
{
    switch (geometryType) {
    case GeometryList:
        return 4;
    case GeometryStrip:
        return 8;
    case GeometryFan:
        return 16;
    case GeometryLines:
        return 1;
    case GeometryLineStrip:
        return 2;
    default:
        return 0;
    }
}

int GeometryTypeFromChunkFlags(uint32_t flags)
{
    switch (flags & 0x1F) {
    case 0:
        return GeometryPoints;
    case 1:
        return GeometryLines;
    case 2:
        return GeometryLineStrip;
    case 4:
        return GeometryList;
    case 8:
        return GeometryStrip;
    case 16:
        return GeometryFan;
    default:
        return -1;
    }
}

uint32_t GeometryChunk::ItemSize(int item)
{
    if (item == ItemPosition || item == ItemNormal || item == ItemTangent)
        return 12;
    if (item == ItemColour || item == ItemColour2 || item == ItemPackedWeights || item == ItemBlendIndices)
        return 4;
    if (item >= ItemWeights1 && item <= ItemWeights4)
        return 4u * static_cast<uint32_t>(item - ItemWeights1 + 1);
    if (item >= ItemTexCoord0 && item <= ItemTexCoord7)
        return 8;
    return 0;
}

GeometryChunk::GeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount,
                             uint32_t flags, uint32_t items, float hintValue)
    : vertexCount_(vertexCount),
      faceCount_(faceCount),
      indexCount_(indexCount),
      faceNormalCount_(faceNormalCount),
      flags_(flags),
      items_(0),
      hintValue_(hintValue)
{
    for (int item = 1; item < 32; ++item) {
        if ((items >> item & 1u) == 0 || ItemSize(item) == 0)
            continue;
        items_ |= 1u << item;
        streams_[static_cast<size_t>(item)].assign(size_t{vertexCount} * ItemSize(item), 0);
    }
    indices_.assign(indexCount, 0);
    faceNormals_.assign(size_t{faceNormalCount} * 3, 0.0f);
}

uint32_t GeometryChunk::GetVertexSize() const
{
    uint32_t size = 0;
    for (int item = 1; item < 32; ++item) {
        if (HasItem(item))
            size += ItemSize(item);
    }
    return size;
}

VertexStream GeometryChunk::GetItem(int item)
{
    if (!HasItem(item) || vertexCount_ == 0)
        return {};
    return {ItemSize(item), streams_[static_cast<size_t>(item)].data()};
}

int GeometryChunk::AddInfluenceMatrix(int bone)
{
    auto found = std::find(matrices_.begin(), matrices_.end(), bone);
    if (found != matrices_.end())
        return static_cast<int>(found - matrices_.begin());
    matrices_.push_back(bone);
    return static_cast<int>(matrices_.size() - 1);
}

bool GeometryChunk::InitializeBuffers(bool)
{
    buffersInitialized_ = true;
    return true;
}

}  // namespace Zel
