// Alpha-blend caches: distance buckets, per-primitive sorting of near chunks, and drawing back to front.
#include "mesh/korvel_alpha_blend_cache.h"

#include <algorithm>
#include <cstring>

#include "zel/display.h"
#include "zel/geometry_chunk.h"
#include "zel/material.h"
#include "zel/render_maths.h"

namespace Zel {
namespace {

bool FartherFirst(const KorvelAlphaBlendCache::SortEntry& a, const KorvelAlphaBlendCache::SortEntry& b)
{
    return a.distanceSquared > b.distanceSquared;
}

// The drawing kind of a chunk's primitive type: the sorted primitives are
// drawn as points (0), a line list (1) or a triangle list (4); -1 unknown.
int DrawKindOf(uint32_t primitiveType)
{
    switch (primitiveType) {
    case 0:
        return 0;
    case 1:
    case 2:
        return 1;
    case 4:
    case 8:
    case 16:
        return 4;
    default:
        return -1;
    }
}

}  // namespace

KorvelAlphaBlendCache::KorvelAlphaBlendCache() : AlphaBlendCache("KorvelAlphaBlendCache", 50.0f)
{
    GrowBuckets(kBucketsPerWindow);
}

KorvelAlphaBlendCache::~KorvelAlphaBlendCache()
{
    for (Node* node : allNodes_)
        delete node;
    for (std::vector<uint16_t>* array : allArrays_)
        delete array;
}

void KorvelAlphaBlendCache::GrowBuckets(size_t count)
{
    // Capacity grows in steps of 128 buckets.
    if (count > buckets_.capacity())
        buckets_.reserve((count + 127) / 128 * 128);
    buckets_.resize(count);
}

int KorvelAlphaBlendCache::BucketOf(float distance)
{
    double scaled = (kBucketsPerWindow / 1000.0) * static_cast<double>(distance);
    if (!(scaled > 0.0))
        return 0;
    if (scaled >= kBucketsPerWindow - 1)
        return kBucketsPerWindow - 1;
    return static_cast<int>(scaled);
}

int KorvelAlphaBlendCache::GetBucketCount(int bucket) const
{
    size_t at = static_cast<size_t>(windowStart_ + bucket);
    return bucket >= 0 && bucket < kBucketsPerWindow && at < buckets_.size()
               ? static_cast<int>(buckets_[at].nodes.size())
               : 0;
}

KorvelAlphaBlendCache::Node* KorvelAlphaBlendCache::TakeNode()
{
    if (Node* node = freeNodes_) {
        freeNodes_ = node->nextFree;
        node->nextFree = nullptr;
        return node;
    }
    Node* node = new Node();
    allNodes_.push_back(node);
    return node;
}

void KorvelAlphaBlendCache::FreeNodes(Bucket& bucket)
{
    for (Node* node : bucket.nodes) {
        if (node->sorted)
            freeArrays_.push_back(node->sorted);
        node->sorted = nullptr;
        node->ownsSorted = false;
        node->sortedIndices = node->sortedPrimitives = 0;
        node->nextFree = freeNodes_;
        freeNodes_ = node;
    }
    bucket.nodes.clear();
}

void KorvelAlphaBlendCache::Clear()
{
    for (int b = 0; b < kBucketsPerWindow; ++b)
        FreeNodes(buckets_[static_cast<size_t>(windowStart_ + b)]);
}

bool KorvelAlphaBlendCache::IsEmpty() const
{
    for (int b = 0; b < kBucketsPerWindow; ++b) {
        if (!buckets_[static_cast<size_t>(windowStart_ + b)].nodes.empty())
            return false;
    }
    return true;
}

void KorvelAlphaBlendCache::SetSortDistance(float distance)
{
    sortDistance_ = distance;
    sortDistanceBuckets_ = static_cast<int>(distance * sortDistanceFactor_);
}

KorvelAlphaBlendCache::CompareFunction KorvelAlphaBlendCache::GetCompareFunction() const
{
    return FartherFirst;
}

void KorvelAlphaBlendCache::Add(Display*, const Viewport*, Material* material, GeometryChunk* chunk,
                                const LightList* lights, const Matrix16& modelView)
{
    if (!material || !chunk)
        return;
    float squared = modelView[12] * modelView[12] + modelView[13] * modelView[13] + modelView[14] * modelView[14];
    float distance = RenderMaths::FastSqrt(squared);
    int bucket = BucketOf(distance);
    Node* node = TakeNode();
    node->chunk = chunk;
    node->material = material;
    node->lights = lights;
    node->modelView = modelView;
    node->key = distance;
    node->arrival = arrivals_++;
    node->sortedPrimitives = chunk->GetPrimitiveCount();
    node->primitiveKind = DrawKindOf(chunk->GetFlags() & 0x1F);
    if (bucket < primitiveSortBuckets_)
        SortPrimitives(*node);
    buckets_[static_cast<size_t>(windowStart_ + bucket)].nodes.push_back(node);
}

void KorvelAlphaBlendCache::SortPrimitives(Node& node)
{
    GeometryChunk& chunk = *node.chunk;
    const uint32_t type = chunk.GetFlags() & 0x1F;
    const uint32_t indexCount = chunk.GetIndexCount();
    const uint16_t* indices = chunk.GetIndices();
    int perPrimitive = 0, step = 1;
    int64_t count = 0;
    switch (type) {
    case 0:
        perPrimitive = 1, step = 1, count = indexCount;
        break;
    case 1:
        perPrimitive = 2, step = 2, count = indexCount / 2;
        break;
    case 2:
        perPrimitive = 2, step = 1, count = int64_t{indexCount} - 1;
        break;
    case 4:
        perPrimitive = 3, step = 3, count = std::min<int64_t>(chunk.GetPrimitiveCount(), indexCount / 3);
        break;
    case 8:
    case 16:
        perPrimitive = 3, step = 1, count = int64_t{indexCount} - 2;
        break;
    default:
        break;
    }
    if (count < 0 || !indices)
        count = 0;
    if (work_.size() < static_cast<size_t>(count))
        work_.resize(static_cast<size_t>(count));
    const Matrix16 back = RenderMaths::RigidInverse(node.modelView);
    const float eye[3] = {back[12], back[13], back[14]};
    VertexStream positions = chunk.GetItem(ItemPosition);
    const uint32_t vertexCount = chunk.GetVertexCount();
    // A primitive naming a vertex the chunk has not is left out.
    auto indexAt = [&](int64_t i, int k) -> uint32_t {
        if (type == 16)
            return k == 0 ? indices[0] : indices[i + k];
        return indices[i * step + k];
    };
    int64_t kept = 0;
    for (int64_t i = 0; i < count; ++i) {
        float centre[3] = {0, 0, 0};
        bool valid = positions.data != nullptr;
        for (int k = 0; k < perPrimitive && valid; ++k) {
            uint32_t vertex = indexAt(i, k);
            if (vertex >= vertexCount) {
                valid = false;
                break;
            }
            float p[3];
            std::memcpy(p, positions.data + size_t{vertex} * positions.stride, sizeof p);
            centre[0] += p[0], centre[1] += p[1], centre[2] += p[2];
        }
        if (!valid)
            continue;
        float dx = centre[0] / perPrimitive - eye[0];
        float dy = centre[1] / perPrimitive - eye[1];
        float dz = centre[2] / perPrimitive - eye[2];
        work_[static_cast<size_t>(kept++)] = {static_cast<int32_t>(i), dx * dx + dy * dy + dz * dz};
    }
    std::sort(work_.begin(), work_.begin() + kept, FartherFirst);
    node.key = kept ? (work_[0].distanceSquared + work_[static_cast<size_t>(kept - 1)].distanceSquared) * 0.5f : 0.0f;
    size_t needed = static_cast<size_t>(kept) * static_cast<size_t>(perPrimitive);
    if (freeArrays_.empty()) {
        allArrays_.push_back(new std::vector<uint16_t>());
        freeArrays_.reserve(allArrays_.size());
        node.sorted = allArrays_.back();
    } else {
        node.sorted = freeArrays_.back();
        freeArrays_.pop_back();
    }
    if (node.sorted->size() < needed)
        node.sorted->resize(needed);
    uint16_t* out = node.sorted->data();
    for (int64_t e = 0; e < kept; ++e) {
        int64_t i = work_[static_cast<size_t>(e)].primitive;
        if (type == 8 && (i & 1) != 0) {
            // Odd strip triangles swap their first two indices to keep the
            // strip's front-face winding as list triangles.
            *out++ = indices[i + 1];
            *out++ = indices[i];
            *out++ = indices[i + 2];
            continue;
        }
        for (int k = 0; k < perPrimitive; ++k)
            *out++ = static_cast<uint16_t>(indexAt(i, k));
    }
    node.ownsSorted = true;
    node.sortedIndices = static_cast<uint32_t>(needed);
    node.sortedPrimitives = static_cast<uint32_t>(kept);
}

void KorvelAlphaBlendCache::SetRenderState(Display* display) const
{
    display->SetAlphaTest(false);
    display->SetBlendEnable(true);
    display->SetDepthWrite(false);
}

void KorvelAlphaBlendCache::RestoreRenderState(Display* display) const
{
    display->SetBlendFunction(BlendOne, BlendZero);
    display->SetBlendEnable(false);
    display->SetAlphaTest(false);
    display->SetDepthWrite(true);
}

void KorvelAlphaBlendCache::Render(Display* display, const Viewport* viewport)
{
    if (!display)
        return;
    SetRenderState(display);
    for (int b = kBucketsPerWindow - 1; b >= 0; --b) {
        Bucket& bucket = buckets_[static_cast<size_t>(windowStart_ + b)];
        if (bucket.nodes.empty())
            continue;
        // Descending keys; equal keys latest arrival first (a descending
        // walk of a tree that puts equal keys to the right).
        std::sort(bucket.nodes.begin(), bucket.nodes.end(), [](const Node* a, const Node* c) {
            return a->key != c->key ? a->key > c->key : a->arrival > c->arrival;
        });
        for (Node* node : bucket.nodes) {
            display->SetBlendFunction(BlendSrcAlpha, BlendInvSrcAlpha);
            if (node->ownsSorted)
                node->material->RenderPrimitives(display, viewport, node->chunk, node->lights, node->modelView,
                                                 static_cast<int>(node->sortedIndices), node->sorted->data(),
                                                 static_cast<int>(node->sortedPrimitives), node->primitiveKind, -1);
            else
                node->material->RenderChunk(display, viewport, node->chunk, node->lights, node->modelView, -1);
        }
        FreeNodes(bucket);
    }
    RestoreRenderState(display);
}

void KorvelAlphaBlendCache::Enter(Display*, const Viewport*, bool nested)
{
    if (!nested)
        return;
    windowStart_ += kBucketsPerWindow;
    if (static_cast<size_t>(windowStart_ + kBucketsPerWindow) > buckets_.size())
        GrowBuckets(static_cast<size_t>(windowStart_ + kBucketsPerWindow));
    Clear();
}

void KorvelAlphaBlendCache::Leave(Display* display, const Viewport* viewport, bool nested)
{
    if (!nested || windowStart_ < kBucketsPerWindow)
        return;
    Render(display, viewport);
    windowStart_ -= kBucketsPerWindow;
}

const char* const AlphaBlendCacheUnsorted::CacheID = "AlphaBlendCacheUnsorted";

AlphaBlendCacheUnsorted::AlphaBlendCacheUnsorted() : RenderingCache(CacheID, "AlphaBlendCacheUnsorted", 55.0f) {}

void AlphaBlendCacheUnsorted::Clear()
{
    chunks_.clear();
    materials_.clear();
    modelViews_.clear();
    lights_.clear();
}

void AlphaBlendCacheUnsorted::Discard()
{
    Clear();
}

void AlphaBlendCacheUnsorted::Add(Display*, const Viewport*, Material* material, GeometryChunk* chunk,
                                  const LightList* lights, const Matrix16& modelView)
{
    if (!material || !chunk)
        return;
    chunks_.push_back(chunk);
    materials_.push_back(material);
    modelViews_.push_back(modelView);
    lights_.push_back(lights);
}

void AlphaBlendCacheUnsorted::SetRenderState(Display* display)
{
    display->GetBlendFunction(savedSource_, savedDestination_);
    display->SetBlendFunction(source_, destination_);
    display->SetAlphaTest(false);
    display->SetBlendEnable(true);
    display->SetDepthWrite(false);
}

void AlphaBlendCacheUnsorted::RestoreRenderState(Display* display) const
{
    display->SetBlendFunction(savedSource_, savedDestination_);
    display->SetBlendEnable(false);
    display->SetAlphaTest(false);
    display->SetDepthWrite(true);
}

void AlphaBlendCacheUnsorted::Render(Display* display, const Viewport* viewport)
{
    if (!display)
        return;
    SetRenderState(display);
    for (size_t i = 0; i < chunks_.size(); ++i)
        materials_[i]->RenderChunk(display, viewport, chunks_[i], lights_[i], modelViews_[i], -1);
    RestoreRenderState(display);
}

}  // namespace Zel
