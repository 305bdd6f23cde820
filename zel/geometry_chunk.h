// Engine geometry chunk: counts, flags, vertex items by number, indices, face normals, neighbours and bone matrices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/reference_count.h"

namespace Zel {

// Vertex items by the engine's number.
enum VertexItem : int {
    ItemPosition = 1,  // 3 floats
    ItemColour = 2,    // uint32
    ItemColour2 = 3,   // uint32
    ItemNormal = 4,    // 3 floats
    ItemWeights1 = 5,  // 1..4 floats: items 5..8
    ItemWeights4 = 8,
    ItemPackedWeights = 9,  // four bytes in one uint32
    ItemBlendIndices = 10,  // four bytes in one uint32
    ItemTexCoord0 = 15,     // 2 floats; sets 0..7 are items 15..22
    ItemTexCoord7 = 22,
    ItemTangent = 27,  // 3 floats
};

// Primitive kinds as the material sees them.
enum GeometryType : int {
    GeometryList = 0,
    GeometryStrip = 1,
    GeometryFan = 2,
    GeometryLines = 3,
    GeometryLineStrip = 4,
    GeometryPoints = 5
};

// The chunk flags word keeps the primitive kind in bits 0-4 (the file's
// encoding): list 4, strip 8, fan 16, lines 1, line strip 2, points 0.
uint32_t MakeGeometryChunkFlags(int geometryType);
// The geometry type of flags bits 0-4, or -1 for a value no kind has.
int GeometryTypeFromChunkFlags(uint32_t flags);

// What the creator of a chunk asks for (the options of a mesh and its file).
struct StandardChunkHint {
    int vertexUsage = 2;
    int indexUsage = 0;
    uint32_t flags = 1;   // bit 0 valid
    uint8_t options = 0;  // bit 0 software lighting, bit 1 dynamic, bit 2 shared
    float hintValue = 0.0f;
    uint32_t texCoordSets = 1;
    const void* database = nullptr;
    bool skinned = false;
    uint32_t weightLimit = 0;
    uint32_t matrixLimit = 0;
    bool floatWeights = false;
    bool softwareSkin = false;
    StandardChunkHint(int vertex = 2, int index = 0) : vertexUsage(vertex), indexUsage(index) {}
};

// A typed stream: stride in bytes and the first vertex's bytes; {0, null} when absent.
struct VertexStream {
    uint32_t stride = 0;
    uint8_t* data = nullptr;
    explicit operator bool() const { return data != nullptr; }
};

class GeometryChunk : public ReferenceCount {
public:
    // items: bit n set = vertex item n present. Arrays are made for the
    // counts given (an index array only when indexCount > 0, face normals only
    // when faceNormalCount > 0).
    GeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount,
                  uint32_t flags, uint32_t items, float hintValue = 0.0f);

    static uint32_t ItemSize(int item);
    uint32_t GetVertexCount() const { return vertexCount_; }
    uint32_t GetFaceCount() const { return faceCount_; }
    uint32_t GetIndexCount() const { return indexCount_; }
    uint32_t GetFaceNormalCount() const { return faceNormalCount_; }
    uint32_t GetFlags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    float GetHintValue() const { return hintValue_; }
    uint32_t GetItems() const { return items_; }
    bool HasItem(int item) const { return item > 0 && item < 32 && (items_ >> item & 1u) != 0; }
    // Bytes per vertex over every stream.
    uint32_t GetVertexSize() const;

    VertexStream GetItem(int item);
    uint16_t* GetIndices() { return indices_.empty() ? nullptr : indices_.data(); }
    float* GetFaceNormals() { return faceNormals_.empty() ? nullptr : faceNormals_.data(); }
    const std::vector<std::array<int32_t, 3>>& GetFaceNeighbors() const { return neighbors_; }
    void SetFaceNeighborArray(std::vector<std::array<int32_t, 3>> neighbors) { neighbors_ = std::move(neighbors); }

    // The chunk's matrix slot for a bone, added on first use.
    int AddInfluenceMatrix(int bone);
    const std::vector<int>& GetInfluenceMatrices() const { return matrices_; }

    // The chunk as the display would take it; nothing draws here.
    bool InitializeBuffers(bool staticBuffers);
    bool BuffersInitialized() const { return buffersInitialized_; }

private:
    uint32_t vertexCount_, faceCount_, indexCount_, faceNormalCount_;
    uint32_t flags_;
    uint32_t items_;
    float hintValue_;
    std::array<std::vector<uint8_t>, 32> streams_;
    std::vector<uint16_t> indices_;
    std::vector<float> faceNormals_;
    std::vector<std::array<int32_t, 3>> neighbors_;
    std::vector<int> matrices_;
    bool buffersInitialized_ = false;
};

}  // namespace Zel
