// KVAxisBoxTree: welding, median splits by the least-overlapping axis, 16-bit packing and the segment query.
#include "mesh/kv_axis_box_tree.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "mesh/kv_map_kd_tree.h"
#include "mesh/triangle_tests.h"

namespace {

constexpr float kHuge = 3.4028235e38f;

}  // namespace

// One triangle seen along one axis: its box centre and bounds there.
struct KVAxisBoxTree::SplitKey {
    float centre;
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
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<uint32_t, 3>> triangles;
    std::vector<int32_t> ids;
    std::vector<Node> nodes;
    std::vector<Box> boxes;
    std::vector<uint32_t> leaves;
    // Triangles in split order: each node owns one range of it.
    std::vector<uint32_t> order;
    // Left uninitialised: each node writes its range before reading it.
    std::array<std::unique_ptr<SplitKey[]>, 3> keys;
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
    return build_ ? build_->vertices.size() : 0;
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
    if (state.triangles.size() >= kMaxTriangles || state.vertices.size() >= kMaxVertices)
        return;
    if (!IsValidTrianglePlane(p0, p1, p2)) {
        ++state.refused;
        return;
    }
    std::array<uint32_t, 3> triangle{};
    const float* corners[3] = {p0, p1, p2};
    for (int k = 0; k < 3; ++k) {
        uint32_t index;
        if (state.welder.FindExact(corners[k], state.found) > 0) {
            index = static_cast<uint32_t>(state.found[0]);
        } else {
            index = static_cast<uint32_t>(state.vertices.size());
            state.vertices.push_back({corners[k][0], corners[k][1], corners[k][2]});
            state.welder.Insert(corners[k], static_cast<int>(index));
        }
        if (index >= kMaxVertices)
            return;
        triangle[static_cast<size_t>(k)] = index;
    }
    state.triangles.push_back(triangle);
    state.ids.push_back(id);
    Box box{{kHuge, kHuge, kHuge}, {-kHuge, -kHuge, -kHuge}};
    for (const float* corner : corners) {
        for (int a = 0; a < 3; ++a) {
            box.min[a] = std::min(box.min[a], corner[a]);
            box.max[a] = std::max(box.max[a], corner[a]);
        }
    }
    state.boxes.push_back(box);
}

bool KVAxisBoxTree::Build()
{
    if (!build_)
        return false;
    BuildState& state = *build_;
    bool usable = !state.ids.empty() && state.vertices.size() < kMaxVertices && !state.triangles.empty() &&
                  state.triangles.size() < kMaxTriangles;
    if (!usable) {
        build_.reset();
        return false;
    }
    state.order.resize(state.triangles.size());
    for (size_t i = 0; i < state.order.size(); ++i)
        state.order[i] = static_cast<uint32_t>(i);
    for (auto& keys : state.keys)
        keys.reset(new SplitKey[state.order.size()]);
    deepest_ = 0;
    state.nodes.push_back({});
    // The root's box, the union of the triangles' boxes, is the box of the welded vertices.
    Split(0, 0, state.order.size(), 0);
    Pack();
    build_.reset();
    return true;
}

size_t KVAxisBoxTree::EvaluateSplit(SplitKey* keys, size_t count, float extent, float& overlap)
{
    auto byCentre = [](const SplitKey& a, const SplitKey& b) { return a.centre < b.centre; };
    size_t half = count / 2;
    // Only the halves matter, not the order inside them: a selection does, in place.
    std::nth_element(keys, keys + half, keys + count, byCentre);
    size_t leftCount = half;
    // Two odd halves: the triangle nearest the cut changes sides so both become even.
    if (leftCount % 2 == 1 && (count - leftCount) % 2 == 1) {
        if (leftCount < count - leftCount) {
            std::iter_swap(keys + leftCount, std::min_element(keys + leftCount, keys + count, byCentre));
            ++leftCount;
        } else {
            std::iter_swap(keys + leftCount - 1, std::max_element(keys, keys + leftCount, byCentre));
            --leftCount;
        }
    }
    float leftMax = -kHuge, rightMin = kHuge;
    for (size_t i = 0; i < leftCount; ++i)
        leftMax = std::max(leftMax, keys[i].max);
    for (size_t i = leftCount; i < count; ++i)
        rightMin = std::min(rightMin, keys[i].min);
    overlap = extent > 0 ? (leftMax - rightMin) / extent : 0.0f;
    return leftCount;
}

void KVAxisBoxTree::Split(size_t node, size_t lo, size_t hi, int depth)
{
    BuildState& state = *build_;
    deepest_ = std::max(deepest_, depth);
    // The node's box is the union of its triangles' boxes; the same pass lays
    // out each axis's keys, so the selections below touch only packed memory.
    Box box{{kHuge, kHuge, kHuge}, {-kHuge, -kHuge, -kHuge}};
    bool leaf = hi - lo <= state.leafSize;
    for (size_t i = lo; i < hi; ++i) {
        uint32_t triangle = state.order[i];
        const Box& t = state.boxes[triangle];
        for (int a = 0; a < 3; ++a) {
            box.min[a] = std::min(box.min[a], t.min[a]);
            box.max[a] = std::max(box.max[a], t.max[a]);
            if (!leaf)
                state.keys[a][i] = {(t.min[a] + t.max[a]) / 2, t.min[a], t.max[a], triangle};
        }
    }
    state.nodes[node].box = box;
    if (leaf) {
        state.nodes[node].first = ~static_cast<int32_t>(state.leaves.size());
        state.nodes[node].second = static_cast<int32_t>(hi - lo);
        state.leaves.insert(state.leaves.end(), state.order.begin() + static_cast<std::ptrdiff_t>(lo),
                            state.order.begin() + static_cast<std::ptrdiff_t>(hi));
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
    size_t leftCount = 0;
    float bestOverlap = std::numeric_limits<float>::infinity();
    for (int axis : order) {
        float overlap = 0;
        size_t count = EvaluateSplit(state.keys[axis].get() + lo, hi - lo, box.max[axis] - box.min[axis], overlap);
        if (overlap < bestOverlap) {
            bestOverlap = overlap;
            best = axis;
            leftCount = count;
        }
    }
    const SplitKey* chosen = state.keys[best].get() + lo;
    for (size_t i = lo; i < hi; ++i)
        state.order[i] = chosen[i - lo].triangle;
    size_t leftNode = state.nodes.size();
    state.nodes.push_back({});
    state.nodes.push_back({});
    state.nodes[node].first = static_cast<int32_t>(leftNode);
    state.nodes[node].second = static_cast<int32_t>(leftNode + 1);
    Split(leftNode, lo, lo + leftCount, depth + 1);
    Split(leftNode + 1, lo + leftCount, hi, depth + 1);
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
    references_.reserve(state.leaves.size());
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
