// KVAxisBoxTree: a bounding-box hierarchy over a mesh's triangles with quantised boxes, for segment queries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Where the tree fetches a triangle's corners by id (it keeps no copies).
class KVAxisBoxTreeExternalGeometry {
public:
    virtual ~KVAxisBoxTreeExternalGeometry() = default;
    virtual void GetTriangle(int32_t id, float corners[3][3]) const = 0;
};

struct KVAxisBoxTreeHit {
    float point[3] = {0, 0, 0};
    float normal[3] = {0, 0, 0};
    float t = -1.0f;
    int32_t id = -1;
    int32_t second = -1;
};

class KVAxisBoxTree {
public:
    // Triangle ids: chunk * 65536 + index offset (3 * face).
    static int32_t MakeId(int chunk, uint32_t indexOffset) { return chunk * 65536 + static_cast<int32_t>(indexOffset); }
    static constexpr int kMaxChunk = 511;
    static constexpr size_t kMaxTriangles = 8300000;
    static constexpr size_t kMaxVertices = 16700000;

    KVAxisBoxTree();
    virtual ~KVAxisBoxTree();
    KVAxisBoxTree(const KVAxisBoxTree&) = delete;
    KVAxisBoxTree& operator=(const KVAxisBoxTree&) = delete;

    // The geometry answers each id with the corners it is added with.
    void BeginBuild(const KVAxisBoxTreeExternalGeometry* geometry, int leafSize = 64);
    void AddTriangle(const float p0[3], const float p1[3], const float p2[3], int32_t id);
    // Builds and packs; the build state is released whatever the outcome.
    bool Build();
    // The first hit along start -> end.
    bool IntersectSegment(KVAxisBoxTreeHit& result, const float end[3], const float start[3]) const;

    // Introspection for tests and tools.
    struct PackedNode {
        int32_t first;
        int32_t second;
        int16_t centre[3];
        uint16_t extent[3];
    };
    const std::vector<PackedNode>& Nodes() const { return nodes_; }
    size_t LeafReferenceCount() const { return references_.size(); }
    int32_t LeafReferenceId(size_t i) const;
    void UnpackBox(const PackedNode& node, float centre[3], float extent[3]) const;
    // Counts of the build in progress (0 without one).
    size_t RefusedCount() const;
    size_t WeldedVertexCount() const;
    int DeepestLevel() const { return deepest_; }

private:
    struct BuildState;
    struct Box {
        float min[3];
        float max[3];
    };
    struct SplitKey;
    bool Weld(const float corner[3]) const;
    void WeldFromGeometry() const;
    // Orders the triangles by box centre on each axis once, for every split;
    // false without the memory for it.
    bool SortByCentres();
    // Splits the triangles in the key range [lo, hi) below node, which takes their box.
    void Split(size_t node, size_t lo, size_t hi, int depth, int parentAxis);
    void Pack();
    void Visit(size_t node, struct SegmentQuery& query, KVAxisBoxTreeHit& result) const;
    void TestTriangle(int32_t id, struct SegmentQuery& query, KVAxisBoxTreeHit& result) const;

    const KVAxisBoxTreeExternalGeometry* geometry_ = nullptr;
    std::vector<PackedNode> nodes_;
    std::vector<std::array<uint8_t, 3>> references_;
    float centreUnscale_ = 0;
    float extentUnscale_ = 0;
    std::unique_ptr<BuildState> build_;
    int deepest_ = 0;
};
