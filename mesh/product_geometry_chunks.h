// The product's packed-vertex geometry chunks (PNT 32 bytes, PCT 24 bytes, PCT with separate normals) and the bump materials' PNTA chunk.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/geometry_chunk.h"

namespace Zel {

// A packed layout: bytes per vertex, the display's vertex type id, and the
// byte offset of each vertex item (negative when the layout lacks it).
struct PackedVertexLayout {
    uint32_t size;
    uint32_t typeId;
    int offsets[32];
    int Offset(int item) const { return item > 0 && item < 32 ? offsets[item] : -1; }
    uint32_t Items() const;
};

// Position 0, normal 12, texture coordinates 24.
const PackedVertexLayout& PackedVertexPNT();
// Position 0, colour 12, texture coordinates 16.
const PackedVertexLayout& PackedVertexPCT();
// Position 0, normal 12, texture coordinates 24, tangent 32 (the bump layout).
const PackedVertexLayout& PackedVertexPNTA();

// A counted array shared between chunk instances; writers copy it first.
struct SharedVertexBlock {
    int references = 1;
    uint32_t count = 0;
    std::vector<uint8_t> bytes;
    static SharedVertexBlock* Make(uint32_t count, uint32_t elementSize);
    void Release()
    {
        if (--references == 0)
            delete this;
    }
};

// One stream of packed vertices; with separate normals a second counted
// array of three floats per vertex answers item 4.
class PackedGeometryChunk : public GeometryChunk {
public:
    PackedGeometryChunk(const PackedVertexLayout& layout, bool separateNormals, uint32_t vertexCount,
                        uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount, uint32_t flags);
    ~PackedGeometryChunk() override;

    const PackedVertexLayout& GetLayout() const { return layout_; }
    bool HasSeparateNormals() const { return normals_ != nullptr; }

    // A new chunk of this layout with the given counts and this chunk's flags.
    PackedGeometryChunk* CreateInstance(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                        uint32_t faceNormalCount) const;
    // A new chunk sharing this one's arrays (one more reference each).
    PackedGeometryChunk* CreateInstance() const;
    // A private copy of the arrays; a static vertex buffer is rebuilt (dirty).
    bool DuplicateVertexArray(Display* display);
    // Keeps the first min(old, new) vertices; a static vertex buffer is rebuilt.
    bool ResizeVertexArray(Display* display, uint32_t vertexCount);
    // Separate normals only: appends the other chunk's vertices and normals.
    bool AppendChunk(Display* display, const PackedGeometryChunk& other);
    uint8_t* GetVertexArray();
    int GetArrayReferences() const { return vertices_->references; }

    uint32_t GetVertexTypeID() const override { return layout_.typeId; }
    uint32_t GetVertexSize() const override { return layout_.size; }
    int GetItemOffset(int item) const { return layout_.Offset(item); }
    VertexStream GetItem(int item) override;
    uint32_t AssignVertexType(Display* display) override;

protected:
    size_t GetVertexDataSize() const override { return size_t{GetVertexCount()} * layout_.size; }

private:
    // Copy on write: a block of `count` elements keeping the old prefix.
    static SharedVertexBlock* Copy(const SharedVertexBlock* from, uint32_t count, uint32_t elementSize);
    void RebuildVertexBuffer(Display* display);

    const PackedVertexLayout& layout_;
    SharedVertexBlock* vertices_;
    SharedVertexBlock* normals_ = nullptr;
};

}  // namespace Zel
