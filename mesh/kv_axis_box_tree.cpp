// KVAxisBoxTree: welding, median splits by the least-overlapping axis, 16-bit packing and the segment query.
#include "mesh/kv_axis_box_tree.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "mesh/kv_axis_box_tree_memory.h"
#include "mesh/kv_map_kd_tree.h"
#include "mesh/triangle_tests.h"

namespace {

constexpr float kHuge = 3.4028235e38f;

}  // namespace

// One triangle seen along one axis: its box bounds there.
struct KVAxisBoxTree::SplitKey {
    float min;
    float max;
    uint32_t triangle;
};

struct KVAxisBoxTree::BuildState {
    struct Node {
        int32_t first = 0;
        int32_t second = 0;
        Box box;
    };
    // The welded corners. Their only uses are the vertex limit and the
    // count, and a triangle count below a third of the limit cannot reach
    // it: until then nothing is welded (the costliest part of building), and
    // the corners are welded from the geometry when the count is asked for
    // or the limit comes within reach.
    bool welding = false;
    std::vector<std::array<float, 3>> vertices;
    KVAxisBoxTreeArray<int32_t> ids{kMaxTriangles};
    std::vector<Node> nodes;
    KVAxisBoxTreeArray<uint32_t> leaves;
    // Per axis, each triangle's box there: in adding order, then ordered by
    // box centre on that axis. Each node owns the same range of all three; a
    // split keeps every range sorted, so a median is a position, not a selection.
    std::array<KVAxisBoxTreeArray<SplitKey>, 3> keys{KVAxisBoxTreeArray<SplitKey>(kMaxTriangles),
                                                     KVAxisBoxTreeArray<SplitKey>(kMaxTriangles),
                                                     KVAxisBoxTreeArray<SplitKey>(kMaxTriangles)};
    KVAxisBoxTreeArray<SplitKey> spare;
    KVAxisBoxTreeArray<uint8_t> goesLeft;
    size_t leafSize = 64;
    KVMapKDTree<int, float, 3, 4000> welder;
    std::vector<int> found;
    size_t refused = 0;
};

struct SegmentQuery {
    float start[3], end[3], v[3], middle[3], half[3], absHalf[3], unit[3];
    float inverseLength = 0;
    float unitDotStart = 0;
};

KVAxisBoxTree::KVAxisBoxTree() = default;
KVAxisBoxTree::~KVAxisBoxTree() = default;

void KVAxisBoxTree::BeginBuild(const KVAxisBoxTreeExternalGeometry* geometry, int leafSize)
{
    build_ = std::make_unique<BuildState>();
    // Welded points are all distinct and only ever matched exactly, which
    // the welder's hash answers: rebalancing its search tree is wasted work.
    build_->welder.SetInsertPolicy(KVRebuildNever);
    // Without the geometry the corners cannot be fetched again later.
    build_->welding = geometry == nullptr;
    // Even and at least 4, so a split of a full leaf leaves both halves usable.
    size_t size = leafSize < 4 ? 4 : static_cast<size_t>(leafSize);
    build_->leafSize = size & ~size_t{1};
    geometry_ = geometry;
}

size_t KVAxisBoxTree::RefusedCount() const
{
    return build_ ? build_->refused : 0;
}

size_t KVAxisBoxTree::WeldedVertexCount() const
{
    if (!build_)
        return 0;
    if (!build_->welding)
        WeldFromGeometry();
    return build_->vertices.size();
}

// Welds one corner; false when its index reaches the vertex limit.
bool KVAxisBoxTree::Weld(const float corner[3]) const
{
    BuildState& state = *build_;
    if (state.welder.FindExact(corner, state.found) > 0)
        return static_cast<size_t>(state.found[0]) < kMaxVertices;
    size_t index = state.vertices.size();
    state.vertices.push_back({corner[0], corner[1], corner[2]});
    state.welder.Insert(corner, static_cast<int>(index));
    return index < kMaxVertices;
}

void KVAxisBoxTree::WeldFromGeometry() const
{
    BuildState& state = *build_;
    state.welding = true;
    for (int32_t id : state.ids) {
        float corners[3][3];
        geometry_->GetTriangle(id, corners);
        for (const float* corner : corners)
            Weld(corner);
    }
}

void KVAxisBoxTree::AddTriangle(const float p0[3], const float p1[3], const float p2[3], int32_t id)
{
    if (!build_)
        return;
    BuildState& state = *build_;
    if ((id >> 16) > kMaxChunk || id < 0) {
        ++state.refused;
        return;
    }
    if (state.ids.Size() >= kMaxTriangles || state.vertices.size() >= kMaxVertices)
        return;
    if (!IsValidTrianglePlane(p0, p1, p2)) {
        ++state.refused;
        return;
    }
    const float* corners[3] = {p0, p1, p2};
    if (!state.welding && 3 * (state.ids.Size() + 1) >= kMaxVertices)
        WeldFromGeometry();
    if (state.welding) {
        for (const float* corner : corners) {
            if (!Weld(corner))
                return;
        }
    }
    const size_t triangle = state.ids.Size();
    bool stored = state.ids.PushBack(id);
    for (size_t a = 0; a < 3 && stored; ++a) {
        SplitKey key{kHuge, -kHuge, static_cast<uint32_t>(triangle)};
        for (const float* corner : corners) {
            key.min = std::min(key.min, corner[a]);
            key.max = std::max(key.max, corner[a]);
        }
        stored = state.keys[a].PushBack(key);
    }
    if (!stored) {
        // Out of memory: the triangle is dropped whole, like one over the limits.
        state.ids.Resize(triangle);
        for (auto& keys : state.keys)
            keys.Resize(std::min(keys.Size(), triangle));
    }
}

bool KVAxisBoxTree::Build()
{
    if (!build_)
        return false;
    BuildState& state = *build_;
    bool usable = !state.ids.Empty() && state.vertices.size() < kMaxVertices && state.ids.Size() < kMaxTriangles;
    if (!usable) {
        build_.reset();
        return false;
    }
    if (!SortByCentres()) {
        build_.reset();
        return false;
    }
    deepest_ = 0;
    state.nodes.push_back({});
    // The root's box, the union of the triangles' boxes, is the box of the welded vertices.
    Split(0, 0, state.ids.Size(), 0, -1);
    Pack();
    build_.reset();
    return true;
}

namespace {

// Float bits as an unsigned key with the same order (-0.0 just below 0.0).
uint32_t OrderedBits(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, 4);
    return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

// The centre of a triangle's box on one axis, as an unsigned key of the same order.
uint32_t CentreKey(const float min, const float max)
{
    return OrderedBits((min + max) / 2);
}

}  // namespace

bool KVAxisBoxTree::SortByCentres()
{
    BuildState& state = *build_;
    const size_t count = state.ids.Size();
    if (!state.spare.Allocate(count) || !state.goesLeft.Allocate(count) || !state.leaves.Allocate(count) ||
        !state.leaves.Resize(0))
        return false;
    state.nodes.reserve(4 * (count / state.leafSize + 1));
    // Three stable 11-bit passes of the centre key per axis, each skipped
    // when every key shares its digit; equal centres keep the adding order.
    for (auto& array : state.keys) {
        SplitKey* keys = array.Data();
        SplitKey* scratch = state.spare.Data();
        for (int shift = 0; shift < 32; shift += 11) {
            size_t counts[2048] = {};
            for (size_t i = 0; i < count; ++i)
                ++counts[(CentreKey(keys[i].min, keys[i].max) >> shift) & 2047];
            if (counts[(CentreKey(keys[0].min, keys[0].max) >> shift) & 2047] == count)
                continue;
            size_t total = 0;
            for (size_t& slot : counts) {
                size_t here = slot;
                slot = total;
                total += here;
            }
            for (size_t i = 0; i < count; ++i)
                scratch[counts[(CentreKey(keys[i].min, keys[i].max) >> shift) & 2047]++] = keys[i];
            std::swap(keys, scratch);
        }
        if (keys != array.Data())
            std::memcpy(array.Data(), keys, count * sizeof(SplitKey));
    }
    return true;
}

void KVAxisBoxTree::Split(size_t node, size_t lo, size_t hi, int depth, int parentAxis)
{
    BuildState& state = *build_;
    deepest_ = std::max(deepest_, depth);
    const size_t count = hi - lo;
    const bool leaf = count <= state.leafSize;
    // The median, moved one toward the left when both halves would be odd.
    size_t leftCount = count / 2;
    if (leftCount % 2 == 1 && (count - leftCount) % 2 == 1)
        leftCount = leftCount < count - leftCount ? leftCount + 1 : leftCount - 1;
    // One pass per axis gives the node's box there and the overlap of the
    // halves a split on that axis would make.
    Box box;
    float leftMax[3], rightMin[3];
    for (size_t a = 0; a < 3; ++a) {
        const SplitKey* keys = state.keys[a].Data() + lo;
        float low = kHuge, high = -kHuge, left = -kHuge, right = kHuge;
        const size_t cut = leaf ? count : leftCount;
        for (size_t i = 0; i < cut; ++i) {
            low = std::min(low, keys[i].min);
            left = std::max(left, keys[i].max);
        }
        for (size_t i = cut; i < count; ++i) {
            right = std::min(right, keys[i].min);
            high = std::max(high, keys[i].max);
        }
        box.min[a] = std::min(low, right);
        box.max[a] = std::max(high, left);
        leftMax[a] = left;
        rightMin[a] = right;
    }
    state.nodes[node].box = box;
    if (leaf) {
        state.nodes[node].first = ~static_cast<int32_t>(state.leaves.Size());
        state.nodes[node].second = static_cast<int32_t>(count);
        // In the order of the parent's split axis; the root's in adding order.
        for (size_t i = lo; i < hi; ++i)
            state.leaves.PushBack(parentAxis < 0 ? static_cast<uint32_t>(i)
                                                 : state.keys[static_cast<size_t>(parentAxis)][i].triangle);
        return;
    }
    float x = std::fabs(box.max[0] - box.min[0]), y = std::fabs(box.max[1] - box.min[1]),
          z = std::fabs(box.max[2] - box.min[2]);
    int order[3];
    if (x < y && y < z) {
        order[0] = 2, order[1] = 1, order[2] = 0;
    } else if (x < y) {
        if (x < z)
            order[0] = 1, order[1] = 2, order[2] = 0;
        else
            order[0] = 1, order[1] = 0, order[2] = 2;
    } else if (x < z) {
        order[0] = 2, order[1] = 0, order[2] = 1;
    } else if (y > z) {
        order[0] = 0, order[1] = 1, order[2] = 2;
    } else {
        order[0] = 0, order[1] = 2, order[2] = 1;
    }
    int best = order[0];
    float bestOverlap = std::numeric_limits<float>::infinity();
    for (int axis : order) {
        float extent = box.max[axis] - box.min[axis];
        float overlap = extent > 0 ? (leftMax[axis] - rightMin[axis]) / extent : 0.0f;
        if (overlap < bestOverlap) {
            bestOverlap = overlap;
            best = axis;
        }
    }
    // The chosen axis's range is split already; the other two are split
    // the same way, each half keeping its order.
    const SplitKey* chosen = state.keys[static_cast<size_t>(best)].Data() + lo;
    for (size_t i = 0; i < count; ++i)
        state.goesLeft[chosen[i].triangle] = i < leftCount ? 1 : 0;
    for (int a = 0; a < 3; ++a) {
        if (a == best)
            continue;
        SplitKey* keys = state.keys[static_cast<size_t>(a)].Data() + lo;
        SplitKey* right = state.spare.Data();
        size_t kept = 0, moved = 0;
        for (size_t i = 0; i < count; ++i) {
            if (state.goesLeft[keys[i].triangle])
                keys[kept++] = keys[i];
            else
                right[moved++] = keys[i];
        }
        std::copy(right, right + moved, keys + kept);
    }
    size_t leftNode = state.nodes.size();
    state.nodes.push_back({});
    state.nodes.push_back({});
    state.nodes[node].first = static_cast<int32_t>(leftNode);
    state.nodes[node].second = static_cast<int32_t>(leftNode + 1);
    Split(leftNode, lo, lo + leftCount, depth + 1, best);
    Split(leftNode + 1, lo + leftCount, hi, depth + 1, best);
}

void KVAxisBoxTree::Pack()
{
    BuildState& state = *build_;
    float maxCentre = 0, maxExtent = 0;
    for (const auto& node : state.nodes) {
        for (int a = 0; a < 3; ++a) {
            maxCentre = std::max(maxCentre, std::fabs((node.box.min[a] + node.box.max[a]) / 2));
            maxExtent = std::max(maxExtent, std::fabs((node.box.max[a] - node.box.min[a]) / 2));
        }
    }
    float centreScale = maxCentre > 0 ? 32767.0f / maxCentre : 0.0f;
    float extentScale = maxExtent > 0 ? 32767.0f / maxExtent : 0.0f;
    centreUnscale_ = centreScale != 0 ? 1.0f / centreScale : 0.0f;
    extentUnscale_ = extentScale != 0 ? 1.0f / extentScale : 0.0f;
    nodes_.clear();
    nodes_.reserve(state.nodes.size());
    for (const auto& node : state.nodes) {
        PackedNode packed{node.first, node.second, {0, 0, 0}, {0, 0, 0}};
        for (int a = 0; a < 3; ++a) {
            float centre = (node.box.min[a] + node.box.max[a]) / 2;
            float extent = (node.box.max[a] - node.box.min[a]) / 2;
            packed.centre[a] = static_cast<int16_t>(std::clamp(centre * centreScale, -32767.0f, 32767.0f));
            uint32_t stored = static_cast<uint32_t>(std::clamp(extent * extentScale, 0.0f, 65535.0f));
            float unpackedCentre = packed.centre[a] * centreUnscale_;
            // Truncation may shrink the box: grow the extent until it covers.
            while (stored < 65535 && (unpackedCentre + stored * extentUnscale_ < node.box.max[a] ||
                                      unpackedCentre - stored * extentUnscale_ > node.box.min[a]))
                ++stored;
            packed.extent[a] = static_cast<uint16_t>(stored);
        }
        nodes_.push_back(packed);
    }
    references_.clear();
    references_.reserve(state.leaves.Size());
    for (uint32_t triangle : state.leaves) {
        int32_t id = state.ids[triangle];
        uint32_t chunk = static_cast<uint32_t>(id) >> 16;
        uint32_t face = (static_cast<uint32_t>(id) & 0xFFFF) / 3;
        uint32_t packed = (face & 0x7FFF) | (chunk << 15);
        references_.push_back(
            {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8), static_cast<uint8_t>(packed >> 16)});
    }
}

int32_t KVAxisBoxTree::LeafReferenceId(size_t i) const
{
    const auto& bytes = references_[i];
    uint32_t packed = bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
    return static_cast<int32_t>((packed >> 15) * 65536 + 3 * (packed & 0x7FFF));
}

void KVAxisBoxTree::UnpackBox(const PackedNode& node, float centre[3], float extent[3]) const
{
    for (int a = 0; a < 3; ++a) {
        centre[a] = node.centre[a] * centreUnscale_;
        extent[a] = node.extent[a] * extentUnscale_;
    }
}

bool KVAxisBoxTree::IntersectSegment(KVAxisBoxTreeHit& result, const float end[3], const float start[3]) const
{
    result = KVAxisBoxTreeHit();
    if (nodes_.empty())
        return false;
    result.t = kHuge;
    SegmentQuery query;
    float length2 = 0;
    for (int a = 0; a < 3; ++a) {
        query.start[a] = start[a];
        query.end[a] = end[a];
        query.v[a] = end[a] - start[a];
        query.middle[a] = (start[a] + end[a]) / 2;
        query.half[a] = query.v[a] / 2;
        query.absHalf[a] = std::fabs(query.half[a]);
        length2 += query.v[a] * query.v[a];
    }
    float length = std::sqrt(length2);
    query.inverseLength = length > 0 ? 1.0f / length : 0.0f;
    for (int a = 0; a < 3; ++a)
        query.unit[a] = query.v[a] * query.inverseLength;
    query.unitDotStart = query.unit[0] * start[0] + query.unit[1] * start[1] + query.unit[2] * start[2];
    Visit(0, query, result);
    if (result.t == kHuge) {
        result = KVAxisBoxTreeHit();
        return false;
    }
    float n = std::sqrt(result.normal[0] * result.normal[0] + result.normal[1] * result.normal[1] +
                        result.normal[2] * result.normal[2]);
    if (n > 0) {
        for (float& component : result.normal)
            component /= n;
    }
    return true;
}

void KVAxisBoxTree::Visit(size_t index, SegmentQuery& query, KVAxisBoxTreeHit& result) const
{
    const PackedNode& node = nodes_[index];
    float c[3], e[3];
    UnpackBox(node, c, e);
    const float* h = query.half;
    const float* ah = query.absHalf;
    float d[3] = {query.middle[0] - c[0], query.middle[1] - c[1], query.middle[2] - c[2]};
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(d[a]) > e[a] + ah[a])
            return;
    }
    if (std::fabs(d[1] * h[2] - d[2] * h[1]) > e[1] * ah[2] + e[2] * ah[1] ||
        std::fabs(d[2] * h[0] - d[0] * h[2]) > e[0] * ah[2] + e[2] * ah[0] ||
        std::fabs(d[0] * h[1] - d[1] * h[0]) > e[0] * ah[1] + e[1] * ah[0])
        return;
    if (node.first < 0) {
        size_t first = static_cast<size_t>(~node.first);
        for (size_t r = 0; r < static_cast<size_t>(node.second); ++r)
            TestTriangle(LeafReferenceId(first + r), query, result);
        return;
    }
    size_t children[2] = {static_cast<size_t>(node.first), static_cast<size_t>(node.second)};
    float entry[2];
    for (int k = 0; k < 2; ++k) {
        float cc[3], ce[3];
        UnpackBox(nodes_[children[k]], cc, ce);
        const float* u = query.unit;
        float projected = u[0] * cc[0] + u[1] * cc[1] + u[2] * cc[2];
        float reach = std::fabs(u[0]) * ce[0] + std::fabs(u[1]) * ce[1] + std::fabs(u[2]) * ce[2];
        entry[k] = (projected - query.unitDotStart - reach) * query.inverseLength;
    }
    int nearer = entry[1] < entry[0] ? 1 : 0;
    if (entry[nearer] <= result.t)
        Visit(children[nearer], query, result);
    if (entry[1 - nearer] <= result.t)
        Visit(children[1 - nearer], query, result);
}

void KVAxisBoxTree::TestTriangle(int32_t id, SegmentQuery& query, KVAxisBoxTreeHit& result) const
{
    if (!geometry_)
        return;
    float corners[3][3];
    geometry_->GetTriangle(id, corners);
    const float* a = corners[0];
    const float* b = corners[1];
    const float* c = corners[2];
    float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    auto dot = [](const float* p, const float* q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; };
    float d0 = dot(n, a), s = dot(n, query.start), e = dot(n, query.end);
    if ((s > d0 && e > d0) || (s < d0 && e < d0))
        return;
    float t = e - s != 0 ? (d0 - s) / (e - s) : 0.0f;
    if (t > result.t)
        return;
    float point[3];
    for (int k = 0; k < 3; ++k)
        point[k] = query.start[k] + t * query.v[k];
    if (!IsPointInTriangle(n, point, a, b, c))
        return;
    for (int k = 0; k < 3; ++k) {
        result.point[k] = point[k];
        result.normal[k] = n[k];
    }
    result.t = t;
    result.id = id;
    result.second = -1;
}
