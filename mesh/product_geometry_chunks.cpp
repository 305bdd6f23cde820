// Packed-vertex chunks: offsets per layout, shared arrays with copy on write, static buffers.
#include "mesh/product_geometry_chunks.h"

#include <algorithm>
#include <cstring>

#include "zel/display.h"

namespace Zel {
namespace {

PackedVertexLayout MakeLayout(uint32_t size, uint32_t typeId, std::initializer_list<std::pair<int, int>> items)
{
    PackedVertexLayout layout{size, typeId, {}};
    std::fill(std::begin(layout.offsets), std::end(layout.offsets), -1);
    for (const auto& [item, offset] : items)
        layout.offsets[item] = offset;
    return layout;
}

}  // namespace

uint32_t PackedVertexLayout::Items() const
{
    uint32_t items = 0;
    for (int item = 1; item < 32; ++item) {
        if (offsets[item] >= 0)
            items |= 1u << item;
    }
    return items;
}

const PackedVertexLayout& PackedVertexPNT()
{
    static const PackedVertexLayout layout =
        MakeLayout(32, 18, {{ItemPosition, 0}, {ItemNormal, 12}, {ItemTexCoord0, 24}});
    return layout;
}

const PackedVertexLayout& PackedVertexPCT()
{
    static const PackedVertexLayout layout =
        MakeLayout(24, 19, {{ItemPosition, 0}, {ItemColour, 12}, {ItemTexCoord0, 16}});
    return layout;
}

const PackedVertexLayout& PackedVertexPNTA()
{
    static const PackedVertexLayout layout =
        MakeLayout(44, 99, {{ItemPosition, 0}, {ItemNormal, 12}, {ItemTexCoord0, 24}, {ItemTangent, 32}});
    return layout;
}

SharedVertexBlock* SharedVertexBlock::Make(uint32_t count, uint32_t elementSize)
{
    auto* block = new SharedVertexBlock();
    block->count = count;
    block->bytes.assign(size_t{count} * elementSize, 0);
    return block;
}

PackedGeometryChunk::PackedGeometryChunk(const PackedVertexLayout& layout, bool separateNormals, uint32_t vertexCount,
                                         uint32_t faceCount, uint32_t indexCount, uint32_t faceNormalCount,
                                         uint32_t flags)
    : GeometryChunk(OwnArrays{}, vertexCount, faceCount, indexCount, faceNormalCount, flags,
                    layout.Items() | (separateNormals ? 1u << ItemNormal : 0u)),
      layout_(layout),
      vertices_(SharedVertexBlock::Make(vertexCount, layout.size))
{
    if (separateNormals)
        normals_ = SharedVertexBlock::Make(vertexCount, 12);
}

PackedGeometryChunk::~PackedGeometryChunk()
{
    vertices_->Release();
    if (normals_)
        normals_->Release();
}

PackedGeometryChunk* PackedGeometryChunk::CreateInstance(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                                         uint32_t faceNormalCount) const
{
    return new PackedGeometryChunk(layout_, normals_ != nullptr, vertexCount, faceCount, indexCount, faceNormalCount,
                                   GetFlags());
}

PackedGeometryChunk* PackedGeometryChunk::CreateInstance() const
{
    auto* copy =
        new PackedGeometryChunk(layout_, false, 0, GetFaceCount(), GetIndexCount(), GetFaceNormalCount(), GetFlags());
    copy->InitInstance(*this);
    copy->SetVertexCount(GetVertexCount());
    copy->vertices_->Release();
    copy->vertices_ = vertices_;
    ++vertices_->references;
    if (normals_) {
        copy->normals_ = normals_;
        ++normals_->references;
    }
    return copy;
}

SharedVertexBlock* PackedGeometryChunk::Copy(const SharedVertexBlock* from, uint32_t count, uint32_t elementSize)
{
    SharedVertexBlock* block = SharedVertexBlock::Make(count, elementSize);
    size_t keep = std::min<size_t>(from->bytes.size(), block->bytes.size());
    if (keep)
        std::memcpy(block->bytes.data(), from->bytes.data(), keep);
    return block;
}

void PackedGeometryChunk::RebuildVertexBuffer(Display* display)
{
    if (!GetStaticVertexBuffer() || !display)
        return;
    ReleaseVertexBuffer();
    InitializeBuffers(display, false);
}

bool PackedGeometryChunk::DuplicateVertexArray(Display* display)
{
    SharedVertexBlock* copy = Copy(vertices_, vertices_->count, layout_.size);
    vertices_->Release();
    vertices_ = copy;
    if (normals_) {
        SharedVertexBlock* normals = Copy(normals_, normals_->count, 12);
        normals_->Release();
        normals_ = normals;
    }
    RebuildVertexBuffer(display);
    return true;
}

bool PackedGeometryChunk::ResizeVertexArray(Display* display, uint32_t vertexCount)
{
    if (normals_) {
        SharedVertexBlock* normals = Copy(normals_, vertexCount, 12);
        normals_->Release();
        normals_ = normals;
    }
    SharedVertexBlock* copy = Copy(vertices_, vertexCount, layout_.size);
    vertices_->Release();
    vertices_ = copy;
    SetVertexCount(vertexCount);
    RebuildVertexBuffer(display);
    return true;
}

bool PackedGeometryChunk::AppendChunk(Display* display, const PackedGeometryChunk& other)
{
    if (!normals_ || &other.layout_ != &layout_)
        return false;
    uint32_t before = GetVertexCount();
    uint32_t added = other.GetVertexCount();
    ResizeVertexArray(display, before + added);
    if (added) {
        std::memcpy(vertices_->bytes.data() + size_t{before} * layout_.size, other.vertices_->bytes.data(),
                    size_t{added} * layout_.size);
        if (other.normals_)
            std::memcpy(normals_->bytes.data() + size_t{before} * 12, other.normals_->bytes.data(), size_t{added} * 12);
    }
    return true;
}

uint8_t* PackedGeometryChunk::GetVertexArray()
{
    return vertices_->bytes.empty() ? nullptr : vertices_->bytes.data();
}

VertexStream PackedGeometryChunk::GetItem(int item)
{
    if (item == ItemNormal && normals_)
        return {12, normals_->bytes.empty() ? nullptr : normals_->bytes.data()};
    int offset = layout_.Offset(item);
    if (offset < 0 || vertices_->bytes.empty())
        return {};
    return {layout_.size, vertices_->bytes.data() + offset};
}

uint32_t PackedGeometryChunk::AssignVertexType(Display* display)
{
    if (GetVertexType() || !display)
        return GetVertexType();
    std::vector<int> items;
    for (int item = 1; item < 32; ++item) {
        if (layout_.Offset(item) >= 0)
            items.push_back(item);
    }
    SetVertexType(display->RegisterVertexType(layout_.typeId, items));
    return GetVertexType();
}

}  // namespace Zel
