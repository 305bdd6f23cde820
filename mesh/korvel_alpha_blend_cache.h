// The product's sorted alpha-blend cache: 200 distance buckets of 5 units drawn back to front, with the primitives of near chunks sorted too.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/rendering_cache.h"

namespace Zel {

class KorvelAlphaBlendCache : public AlphaBlendCache {
public:
    // One primitive of a chunk being sorted: its index and squared distance.
    struct SortEntry {
        int32_t primitive;
        float distanceSquared;
    };
    using CompareFunction = bool (*)(const SortEntry&, const SortEntry&);

    static constexpr int kBucketsPerWindow = 200;
    static constexpr int kPrimitiveSortBuckets = 70;

    KorvelAlphaBlendCache();
    ~KorvelAlphaBlendCache() override;

    void Clear() override;
    void Discard() override {}
    void Render(Display* display, const Viewport* viewport) override;
    void Enter(Display* display, const Viewport* viewport, bool nested) override;
    void Leave(Display* display, const Viewport* viewport, bool nested) override;
    bool IsEmpty() const;
    void Add(Display* display, const Viewport* viewport, Material* material, GeometryChunk* chunk,
             const LightList* lights, const Matrix16& modelView) override;
    void SetSortDistance(float distance);
    CompareFunction GetCompareFunction() const;
    void SetRenderState(Display* display) const;
    void RestoreRenderState(Display* display) const;

    // The bucket a distance falls in (0..199).
    static int BucketOf(float distance);
    float GetSortDistance() const { return sortDistance_; }
    int GetSortDistanceBuckets() const { return sortDistanceBuckets_; }
    int GetNumBuckets() const { return static_cast<int>(buckets_.size()); }
    int GetWindowStart() const { return windowStart_; }
    int GetBucketCount(int bucket) const;

private:
    struct Node {
        GeometryChunk* chunk = nullptr;
        Material* material = nullptr;
        const LightList* lights = nullptr;
        Matrix16 modelView = kIdentityMatrix;
        // From the cache's pool of index arrays; null when not sorted.
        std::vector<uint16_t>* sorted = nullptr;
        uint32_t sortedIndices = 0;
        uint32_t sortedPrimitives = 0;
        int primitiveKind = 0;
        float key = 0.0f;
        uint32_t arrival = 0;
        bool ownsSorted = false;
        Node* nextFree = nullptr;
    };
    struct Bucket {
        std::vector<Node*> nodes;
    };

    Node* TakeNode();
    void FreeNodes(Bucket& bucket);
    void SortPrimitives(Node& node);
    void GrowBuckets(size_t count);

    std::vector<Bucket> buckets_;
    int windowStart_ = 0;
    float maximumDistance_ = 1000.0f;
    float sortDistanceFactor_ = 0.2f;
    float sortDistance_ = 250.0f;
    int sortDistanceBuckets_ = 50;
    int primitiveSortBuckets_ = kPrimitiveSortBuckets;
    Node* freeNodes_ = nullptr;
    std::vector<Node*> allNodes_;
    // Sorted index arrays are recycled like the nodes: a steady scene sorts
    // into the same storage every frame.
    std::vector<std::vector<uint16_t>*> allArrays_;
    std::vector<std::vector<uint16_t>*> freeArrays_;
    std::vector<SortEntry> work_;
    uint32_t arrivals_ = 0;
};

// Draws what it collected in arrival order; Render keeps the entries.
class AlphaBlendCacheUnsorted : public RenderingCache {
public:
    static const char* const CacheID;
    AlphaBlendCacheUnsorted();

    void Clear() override;
    void Discard() override;
    void Render(Display* display, const Viewport* viewport) override;
    void Add(Display* display, const Viewport* viewport, Material* material, GeometryChunk* chunk,
             const LightList* lights, const Matrix16& modelView) override;
    void SetRenderState(Display* display);
    void RestoreRenderState(Display* display) const;
    size_t GetNumChunks() const { return chunks_.size(); }

private:
    std::vector<GeometryChunk*> chunks_;
    std::vector<Material*> materials_;
    std::vector<Matrix16> modelViews_;
    std::vector<const LightList*> lights_;
    int source_ = BlendSrcAlpha;
    int destination_ = BlendInvSrcAlpha;
    int savedSource_ = BlendOne;
    int savedDestination_ = BlendZero;
};

}  // namespace Zel
