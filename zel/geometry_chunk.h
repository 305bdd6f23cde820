// Engine geometry chunk: counts, flags, vertex items by number, indices, face normals, neighbours and bone matrices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "zel/reference_count.h"

namespace Zel {

class Display;
class VertexProgram;
struct Viewport;

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

// What of a chunk's index list a draw covers: the whole list, or the given
// indices (as the alpha cache's sorted primitives).
struct ChunkRange {
    int indexCount = -1;  // -1: the whole list
    const uint16_t* indices = nullptr;
    int primitiveCount = 0;
    int primitiveKind = 0;
    static ChunkRange Of(int indexCount, const uint16_t* indices, int primitiveCount, int primitiveKind)
    {
        return {indexCount < 0 ? 0 : indexCount, indices, primitiveCount, primitiveKind};
    }
};

class GeometryChunk : public ReferenceCount {
public:
    // Flags word bits beyond the primitive kind.
    enum : uint32_t {
        FlagNoStaticIndexBuffer = 0x100,
        FlagNoSharedVertices = 0x1000,
        FlagNoStaticVertexBuffer = 0x10000,
    };

    // items: bit n set = vertex item n present. Arrays are made for the
    // counts given (an index array only when indexCount > 0, face normals only
    // when faceNormalCount > 0).
    GeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount,
                  uint32_t flags, uint32_t items, float hintValue = 0.0f);

    ~GeometryChunk() override;

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
    virtual uint32_t GetVertexSize() const;
    // The display's id of the vertex layout (0 for the generic per-item chunk).
    virtual uint32_t GetVertexTypeID() const { return 0; }

    virtual VertexStream GetItem(int item);
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

    // Static buffers on a display: made for the chunk's counts unless the
    // flags say otherwise, uploaded now or marked dirty. False when the
    // display refuses a buffer, a vertex type or an upload; nothing half
    // made stays attached.
    virtual bool InitializeBuffers(Display* display, bool uploadNow);
    // Uploads the arrays into the attached buffers; false when one is missing
    // or an upload fails.
    virtual bool LoadBuffers(Display* display);
    uint32_t GetStaticVertexBuffer() const { return vertexBuffer_; }
    uint32_t GetStaticIndexBuffer() const { return indexBuffer_; }
    bool IsVertexDataDirty() const { return vertexDirty_; }
    bool IsIndexDataDirty() const { return indexDirty_; }
    // Registers the chunk's vertex type with the display when it has none;
    // returns it (0 when the display refuses).
    virtual uint32_t AssignVertexType(Display* display);
    uint32_t GetVertexType() const { return vertexType_; }
    void SetVertexType(uint32_t vertexType) { vertexType_ = vertexType; }

    // How the display should keep the data; recorded, not acted on.
    void SetVertexDataDynamic(int stream, int pass, bool on);
    void SetVertexDataShared(int stream, int pass, bool on);
    void SetIndexDataDynamic() { indexDynamic_ = true; }
    bool IsVertexDataDynamic() const { return vertexDynamic_; }
    int GetVertexSharedPass() const { return vertexSharedPass_; }
    bool IsVertexDataShared() const { return vertexShared_; }
    bool IsIndexDataDynamic() const { return indexDynamic_; }

    // Named float properties ("RustAge"). AddProperty is true when the name is new.
    bool AddProperty(const std::string& name);
    bool GetProperty(const std::string& name, float& value) const;
    void SetProperty(const std::string& name, float value) { properties_[name] = value; }
    float GetOpacity() const { return opacity_; }
    void SetOpacity(float opacity) { opacity_ = opacity; }
    const VertexProgram* GetVertexProgram(int pass) const { return pass == 0 ? vertexProgram_ : nullptr; }
    void SetVertexProgram(const VertexProgram* program) { vertexProgram_ = program; }
    // Primitives of the index list (for lists, its faces).
    uint32_t GetPrimitiveCount() const { return faceCount_; }

    // Recorded on the display: the whole index list, or a given range.
    virtual void RenderGeometry(Display* display, const Viewport* viewport, const VertexProgram* program,
                                bool useProgram, int pass);
    virtual void RenderPrimitives(Display* display, const Viewport* viewport, int indexCount, const uint16_t* indices,
                                  int primitiveCount, int primitiveKind, bool useProgram, int pass);
    // RenderGeometry for the whole list, else RenderPrimitives for the range.
    void Render(Display* display, const Viewport* viewport, const VertexProgram* program, const ChunkRange& range,
                int pass);

protected:
    // For layouts that keep their own vertex arrays: `items` names what
    // GetItem answers, and no per-item streams are made.
    struct OwnArrays {};
    GeometryChunk(OwnArrays, uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount,
                  uint32_t flags, uint32_t items);
    // Drops the static vertex buffer (rebuilt by InitializeBuffers).
    void ReleaseVertexBuffer();
    // Bytes of the vertex data as the display would take them.
    virtual size_t GetVertexDataSize() const;
    void SetVertexCount(uint32_t vertexCount) { vertexCount_ = vertexCount; }
    Display* GetBufferDisplay() const { return bufferDisplay_; }
    // The engine state a new instance takes over: counts stay the new
    // chunk's; flags, hint value, properties, opacity and program are copied.
    void InitInstance(const GeometryChunk& from);

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
    Display* bufferDisplay_ = nullptr;
    uint32_t vertexBuffer_ = 0;
    uint32_t indexBuffer_ = 0;
    bool vertexDirty_ = false;
    bool indexDirty_ = false;
    uint32_t vertexType_ = 0;
    bool vertexDynamic_ = false;
    bool vertexShared_ = false;
    int vertexSharedPass_ = 0;
    bool indexDynamic_ = false;
    std::map<std::string, float> properties_;
    float opacity_ = 1.0f;
    const VertexProgram* vertexProgram_ = nullptr;
};

}  // namespace Zel
