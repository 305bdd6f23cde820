// Engine geometry chunk: per-item vertex streams and the flags word round trip.
#include "zel/geometry_chunk.h"

#include <algorithm>

#include "zel/display.h"

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

GeometryChunk::GeometryChunk(OwnArrays, uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                             uint32_t faceNormalCount, uint32_t flags, uint32_t items)
    : vertexCount_(vertexCount),
      faceCount_(faceCount),
      indexCount_(indexCount),
      faceNormalCount_(faceNormalCount),
      flags_(flags),
      items_(items),
      hintValue_(0.0f)
{
    indices_.assign(indexCount, 0);
    faceNormals_.assign(size_t{faceNormalCount} * 3, 0.0f);
}

void GeometryChunk::InitInstance(const GeometryChunk& from)
{
    flags_ = from.flags_;
    hintValue_ = from.hintValue_;
    properties_ = from.properties_;
    opacity_ = from.opacity_;
    vertexProgram_ = from.vertexProgram_;
    vertexType_ = from.vertexType_;
    indices_ = from.indices_;
    faceNormals_ = from.faceNormals_;
    neighbors_ = from.neighbors_;
    matrices_ = from.matrices_;
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

GeometryChunk::~GeometryChunk()
{
    if (bufferDisplay_) {
        if (vertexBuffer_)
            bufferDisplay_->ReleaseStaticBuffer(vertexBuffer_);
        if (indexBuffer_)
            bufferDisplay_->ReleaseStaticBuffer(indexBuffer_);
    }
}

size_t GeometryChunk::GetVertexDataSize() const
{
    return size_t{vertexCount_} * GetVertexSize();
}

uint32_t GeometryChunk::AssignVertexType(Display* display)
{
    if (vertexType_ || !display)
        return vertexType_;
    std::vector<int> items;
    for (int item = 1; item < 32; ++item) {
        if (HasItem(item))
            items.push_back(item);
    }
    vertexType_ = display->RegisterVertexType(items);
    return vertexType_;
}

void GeometryChunk::ReleaseVertexBuffer()
{
    if (vertexBuffer_ && bufferDisplay_)
        bufferDisplay_->ReleaseStaticBuffer(vertexBuffer_);
    vertexBuffer_ = 0;
}

bool GeometryChunk::InitializeBuffers(Display* display, bool uploadNow)
{
    if (!display)
        return false;
    if (bufferDisplay_ && bufferDisplay_ != display)
        return false;
    if ((flags_ & FlagNoStaticVertexBuffer) == 0 && vertexBuffer_ == 0) {
        uint32_t type = AssignVertexType(display);
        if (!type)
            return false;
        uint32_t buffer = display->CreateStaticVertexBuffer(type, vertexCount_);
        if (!buffer)
            return false;
        if (uploadNow && !display->UploadBuffer(buffer, GetVertexDataSize())) {
            display->ReleaseStaticBuffer(buffer);
            return false;
        }
        bufferDisplay_ = display;
        vertexBuffer_ = buffer;
        vertexDirty_ = !uploadNow;
    }
    if ((flags_ & FlagNoStaticIndexBuffer) == 0 && indexBuffer_ == 0) {
        uint32_t buffer = display->CreateStaticIndexBuffer(indexCount_);
        if (!buffer)
            return false;
        if (uploadNow && !display->UploadBuffer(buffer, size_t{indexCount_} * sizeof(uint16_t))) {
            display->ReleaseStaticBuffer(buffer);
            return false;
        }
        bufferDisplay_ = display;
        indexBuffer_ = buffer;
        indexDirty_ = !uploadNow;
    }
    buffersInitialized_ = true;
    return true;
}

bool GeometryChunk::LoadBuffers(Display* display)
{
    if (!display)
        return false;
    if ((flags_ & FlagNoStaticVertexBuffer) == 0) {
        if (!vertexBuffer_ || !display->UploadBuffer(vertexBuffer_, GetVertexDataSize()))
            return false;
        vertexDirty_ = false;
    }
    if ((flags_ & FlagNoStaticIndexBuffer) == 0) {
        if (!indexBuffer_ || !display->UploadBuffer(indexBuffer_, size_t{indexCount_} * sizeof(uint16_t)))
            return false;
        indexDirty_ = false;
    }
    return true;
}

void GeometryChunk::SetVertexDataDynamic(int, int, bool on)
{
    vertexDynamic_ = on;
}

void GeometryChunk::SetVertexDataShared(int, int pass, bool)
{
    vertexShared_ = true;
    vertexSharedPass_ = pass;
}

bool GeometryChunk::AddProperty(const std::string& name)
{
    return properties_.emplace(name, 0.0f).second;
}

bool GeometryChunk::GetProperty(const std::string& name, float& value) const
{
    auto found = properties_.find(name);
    if (found == properties_.end())
        return false;
    value = found->second;
    return true;
}

void GeometryChunk::RenderGeometry(Display* display, const Viewport*, const VertexProgram*, bool, int pass)
{
    if (display)
        display->Draw(this, static_cast<int>(flags_ & 0x1F), static_cast<int>(indexCount_), pass);
}

void GeometryChunk::Render(Display* display, const Viewport* viewport, const VertexProgram* program,
                           const ChunkRange& range, int pass)
{
    if (range.indexCount < 0)
        RenderGeometry(display, viewport, program, true, pass);
    else
        RenderPrimitives(display, viewport, range.indexCount, range.indices, range.primitiveCount, range.primitiveKind,
                         true, pass);
}

void GeometryChunk::RenderPrimitives(Display* display, const Viewport*, int indexCount, const uint16_t*,
                                     int primitiveCount, int primitiveKind, bool, int)
{
    if (display)
        display->DrawPrimitives(this, primitiveKind, indexCount, primitiveCount);
}

}  // namespace Zel
