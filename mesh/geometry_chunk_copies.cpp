// Chunk copies the instances make: private copies, appended geometry and blend-index remapping.
#include "mesh/geometry_chunk_copies.h"

#include <cstring>

namespace {

void CopyStreams(Zel::GeometryChunk& from, Zel::GeometryChunk& to, uint32_t firstVertex)
{
    for (int item = 1; item < 32; ++item) {
        Zel::VertexStream source = from.GetItem(item);
        Zel::VertexStream target = to.GetItem(item);
        if (source && target && source.stride == target.stride)
            memcpy(target.data + size_t{firstVertex} * target.stride, source.data,
                   size_t{source.stride} * from.GetVertexCount());
    }
}

}  // namespace

Zel::GeometryChunk* CopyGeometryChunk(Zel::GeometryChunk& chunk, bool withMatrixSlots)
{
    auto* copy =
        new Zel::GeometryChunk(chunk.GetVertexCount(), chunk.GetFaceCount(), chunk.GetIndexCount(),
                               chunk.GetFaceNormalCount(), chunk.GetFlags(), chunk.GetItems(), chunk.GetHintValue());
    CopyStreams(chunk, *copy, 0);
    if (chunk.GetIndices())
        memcpy(copy->GetIndices(), chunk.GetIndices(), size_t{chunk.GetIndexCount()} * 2);
    if (chunk.GetFaceNormals())
        memcpy(copy->GetFaceNormals(), chunk.GetFaceNormals(), size_t{chunk.GetFaceNormalCount()} * 12);
    copy->SetFaceNeighborArray(chunk.GetFaceNeighbors());
    copy->SetVertexProgram(chunk.GetVertexProgram(0));
    copy->SetOpacity(chunk.GetOpacity());
    for (int bone : withMatrixSlots ? chunk.GetInfluenceMatrices() : std::vector<int>())
        copy->AddInfluenceMatrix(bone);
    return copy;
}

Zel::GeometryChunk* AppendGeometryChunk(Zel::GeometryChunk& target, Zel::GeometryChunk& source)
{
    // Only lists join without changing what either drew: a strip or fan
    // would bridge the two with faces of its own.
    if (Zel::GeometryTypeFromChunkFlags(target.GetFlags()) != Zel::GeometryList ||
        Zel::GeometryTypeFromChunkFlags(source.GetFlags()) != Zel::GeometryList ||
        target.GetItems() != source.GetItems())
        return nullptr;
    uint64_t vertices = uint64_t{target.GetVertexCount()} + source.GetVertexCount();
    if (vertices > 0x10000)
        return nullptr;
    // Face normals go with faces: kept only when both chunks have one per face.
    bool faceNormals = target.GetFaceNormalCount() == target.GetFaceCount() &&
                       source.GetFaceNormalCount() == source.GetFaceCount() && target.GetFaceNormals() &&
                       source.GetFaceNormals();
    uint32_t faces = target.GetFaceCount() + source.GetFaceCount();
    auto* joined =
        new Zel::GeometryChunk(static_cast<uint32_t>(vertices), faces, target.GetIndexCount() + source.GetIndexCount(),
                               faceNormals ? faces : 0, target.GetFlags(), target.GetItems(), target.GetHintValue());
    uint32_t n = target.GetVertexCount();
    CopyStreams(target, *joined, 0);
    CopyStreams(source, *joined, n);
    uint16_t* indices = joined->GetIndices();
    if (indices && target.GetIndices())
        memcpy(indices, target.GetIndices(), size_t{target.GetIndexCount()} * 2);
    for (uint32_t k = 0; indices && source.GetIndices() && k < source.GetIndexCount(); ++k)
        indices[target.GetIndexCount() + k] = static_cast<uint16_t>(source.GetIndices()[k] + n);
    if (faceNormals) {
        memcpy(joined->GetFaceNormals(), target.GetFaceNormals(), size_t{target.GetFaceCount()} * 12);
        memcpy(joined->GetFaceNormals() + size_t{target.GetFaceCount()} * 3, source.GetFaceNormals(),
               size_t{source.GetFaceCount()} * 12);
    }
    // The appended faces' neighbours are not known in the joined chunk.
    if (!target.GetFaceNeighbors().empty()) {
        auto neighbours = target.GetFaceNeighbors();
        neighbours.resize(faces, {-1, -1, -1});
        joined->SetFaceNeighborArray(std::move(neighbours));
    }
    joined->SetVertexProgram(target.GetVertexProgram(0));
    joined->SetOpacity(target.GetOpacity());
    for (int bone : target.GetInfluenceMatrices())
        joined->AddInfluenceMatrix(bone);
    return joined;
}

bool RemapBlendIndices(uint32_t first, Zel::GeometryChunk& chunk, const std::vector<int>& slotMap)
{
    Zel::VertexStream blend = chunk.GetItem(Zel::ItemBlendIndices);
    if (!blend || first >= chunk.GetVertexCount())
        return false;
    size_t slots = chunk.GetInfluenceMatrices().size();
    for (uint32_t v = first; v < chunk.GetVertexCount(); ++v) {
        uint8_t* bytes = blend.data + size_t{v} * blend.stride;
        for (int k = 0; k < 4; ++k) {
            size_t slot = bytes[k] / 3u;
            // A byte the map cannot answer is as out of range as one past the
            // chunk's slots: the map is the source's, which may hold fewer.
            if (slot >= slots || slot >= slotMap.size() || slotMap[slot] < 0)
                break;
            bytes[k] = static_cast<uint8_t>(slotMap[slot] * 3);
        }
    }
    return true;
}
