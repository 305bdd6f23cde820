// KorvelIndexedMeshDefinition: the "GEOM" block's head and arrays, which the indexed and the LOD readers share.
#include <cstring>

#include "mesh/indexed_mesh_definition.h"
#include "zel/memory_file.h"

namespace {

// Copies count records of size bytes into a stream, or skips them when the
// chunk has no such stream. The caller has checked that the bytes are there.
void CopyRecords(Zel::MemoryFile& file, Zel::VertexStream stream, uint32_t count, size_t size)
{
    const uint8_t* source = file.At();
    if (stream) {
        for (uint32_t v = 0; v < count; ++v)
            memcpy(stream.data + size_t{v} * stream.stride, source + size_t{v} * size, size);
    }
    file.Skip(size_t{count} * size);
}

}  // namespace

unsigned __int128 KorvelIndexedMeshDefinition::GeometryLayout::ArrayBytes() const
{
    const unsigned __int128 perVertex = RecordSize() + 12 + (hasColours ? 4 : 0) + (HasTangents() ? 12 : 0);
    return vertexCount * perVertex + indexCount * static_cast<unsigned __int128>(2) +
           faceNormalCount * static_cast<unsigned __int128>(12);
}

Zel::StandardChunkHint KorvelIndexedMeshDefinition::ReadGeometryHead(int32_t version, bool storesTexCoordSets,
                                                                     MeshResource* resource, GeometryLayout& layout)
{
    float hintValue = 0;
    file_.Read(layout.flags);
    if (version >= 201)
        file_.Read(layout.flags2);
    file_.Read(hintValue);
    file_.Read(layout.vertexCount);
    file_.Read(layout.faceCount);
    file_.Read(layout.indexCount);
    file_.Read(layout.faceNormalCount);
    if (storesTexCoordSets)
        file_.Read(layout.texCoordSets);
    Zel::StandardChunkHint hint(2, 0);
    PrepareHint(hint, resource);
    hint.texCoordSets = layout.texCoordSets;
    hint.hintValue = hintValue;
    if (version >= 102) {
        file_.Read(layout.weightsPerVertex);
        PrepareSkinning(hint, layout.weightsPerVertex, 4, hardwareBoneLimit_);
    }
    return hint;
}

int KorvelIndexedMeshDefinition::ReadGeometryArrays(Zel::GeometryChunk& chunk, const GeometryLayout& layout,
                                                    bool floatWeights, uint32_t defaultColour)
{
    const uint32_t vertexCount = layout.vertexCount;
    if (vertexCount > 0) {
        if (hardwareSkinning_ && layout.weightsPerVertex > 0 &&
            !InitialiseBlendData(chunk, layout.weightsPerVertex, floatWeights))
            return MeshMissingStream;
        Zel::VertexStream positions = chunk.GetItem(Zel::ItemPosition);
        if (!positions)
            return MeshMissingStream;
        const size_t record = static_cast<size_t>(layout.RecordSize());
        // The records are parsed in place.
        const uint8_t* records = file_.At();
        file_.Skip(size_t{vertexCount} * record);
        Zel::VertexStream colours = chunk.GetItem(Zel::ItemColour);
        // Sets past the eighth have no stream: their bytes are skipped.
        const uint32_t copiedSets = layout.texCoordSets < 8 ? layout.texCoordSets : 8;
        for (uint32_t v = 0; v < vertexCount; ++v) {
            const uint8_t* source = records + size_t{v} * record;
            memcpy(positions.data + size_t{v} * positions.stride, source, 12);
            if (colours)
                memcpy(colours.data + size_t{v} * colours.stride, &defaultColour, 4);
            for (uint32_t set = 0; set < copiedSets; ++set) {
                Zel::VertexStream uv = chunk.GetItem(Zel::ItemTexCoord0 + static_cast<int>(set));
                if (uv)
                    memcpy(uv.data + size_t{v} * uv.stride, source + 12 + 8 * size_t{set}, 8);
            }
        }
    }
    if (layout.indexCount > 0) {
        uint16_t* indices = chunk.GetIndices();
        if (!indices)
            return MeshMissingStream;
        file_.ReadBytes(indices, size_t{layout.indexCount} * 2);
        // An index past the vertices would be followed by every reader of the chunk.
        for (uint32_t k = 0; k < layout.indexCount; ++k) {
            if (indices[k] >= vertexCount)
                return MeshBadFormat;
        }
    }
    CopyRecords(file_, chunk.GetItem(Zel::ItemNormal), vertexCount, 12);
    if (layout.hasColours)
        CopyRecords(file_, chunk.GetItem(Zel::ItemColour), vertexCount, 4);
    if (layout.faceNormalCount > 0) {
        float* faceNormals = chunk.GetFaceNormals();
        if (!faceNormals)
            return MeshMissingStream;
        file_.ReadBytes(faceNormals, size_t{layout.faceNormalCount} * 12);
    }
    if (layout.HasTangents())
        CopyRecords(file_, chunk.GetItem(Zel::ItemTangent), vertexCount, 12);
    return MeshOk;
}
