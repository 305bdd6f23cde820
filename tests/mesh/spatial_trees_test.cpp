// Spatial structures: KD-tree welding, the memory chain, the axis box tree's build and segment queries, and the triangle tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "mesh/kv_axis_box_tree.h"
#include "mesh/kv_map_kd_tree.h"
#include "mesh/kv_memory_chain.h"
#include "mesh/triangle_tests.h"

namespace {

using Triangle = std::array<std::array<float, 3>, 3>;

// Triangles kept by id = index * 3 in chunk 0 (chunk c for id >> 16).
class TriangleSoup : public KVAxisBoxTreeExternalGeometry {
public:
    std::vector<Triangle> triangles;
    void GetTriangle(int32_t id, float corners[3][3]) const override
    {
        size_t index = static_cast<size_t>(id >> 16) * 21846 + (static_cast<size_t>(id) & 0xFFFF) / 3;
        for (int k = 0; k < 3; ++k)
            memcpy(corners[k], triangles[index][static_cast<size_t>(k)].data(), 12);
    }
    int32_t Id(size_t index) const
    {
        return KVAxisBoxTree::MakeId(static_cast<int>(index / 21846), static_cast<uint32_t>(index % 21846) * 3);
    }
    void Add(KVAxisBoxTree& tree)
    {
        tree.BeginBuild(this);
        for (size_t i = 0; i < triangles.size(); ++i)
            tree.AddTriangle(triangles[i][0].data(), triangles[i][1].data(), triangles[i][2].data(), Id(i));
    }
};

// n small separate triangles along x.
TriangleSoup Row(size_t n)
{
    TriangleSoup soup;
    for (size_t i = 0; i < n; ++i) {
        float x = static_cast<float>(i) * 2;
        soup.triangles.push_back({{{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}}});
    }
    return soup;
}

TriangleSoup RandomSoup(size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> where(-100, 100), size(-2, 2);
    TriangleSoup soup;
    for (size_t i = 0; i < n; ++i) {
        std::array<float, 3> base = {where(random), where(random), where(random)};
        Triangle t;
        for (auto& corner : t)
            corner = {base[0] + size(random), base[1] + size(random), base[2] + size(random)};
        soup.triangles.push_back(t);
    }
    return soup;
}

}  // namespace

TEST(KVMapKDTreeTest, WeldsExactPointsThroughTailAndRebuilds)
{
    KVMapKDTree<int, float, 3, 4000> tree;
    for (int i = 0; i < 10; ++i) {
        float p[3] = {static_cast<float>(i), 0, 0};
        tree.Insert(p, i);
    }
    std::vector<int> found;
    float three[3] = {3, 0, 0};
    EXPECT_EQ(tree.FindExact(three, found), 1);
    EXPECT_EQ(tree.SortedCount(), 0);  // ten stay in the tail
    float eleventh[3] = {10, 0, 0};
    tree.Insert(eleventh, 10);
    EXPECT_EQ(tree.UnsortedCount(), 11);  // lazy: inserting never rebuilds
    EXPECT_EQ(tree.FindExact(three, found), 1);
    EXPECT_EQ(tree.SortedCount(), 11);

    float zero[3] = {0.0f, 0.0f, 0.0f}, negativeZero[3] = {-0.0f, 0.0f, -0.0f};
    EXPECT_EQ(tree.FindExact(negativeZero, found), 1);
    EXPECT_EQ(found[0], 0);
    float nextUp[3] = {std::nextafter(3.0f, 4.0f), 0, 0};
    EXPECT_EQ(tree.FindExact(nextUp, found), 0);
    tree.Insert(zero, 100);
    tree.Insert(zero, 101);
    EXPECT_EQ(tree.FindExact(zero, found), 3);
}

TEST(KVMapKDTreeTest, SharedKeysListTheBalancedPartThenTheTailInInsertionOrder)
{
    KVMapKDTree<int, float, 3, 4000> tree;
    float shared[3] = {1.5f, -2.0f, 0.25f};
    tree.Insert(shared, 1);
    for (int i = 0; i < 20; ++i) {
        float p[3] = {static_cast<float>(i), 1, 1};
        tree.Insert(p, 100 + i);
    }
    tree.Insert(shared, 2);
    std::vector<int> found;
    ASSERT_EQ(tree.FindExact(shared, found), 2);  // this query folds everything into the balanced part
    EXPECT_EQ(tree.UnsortedCount(), 0);
    tree.Insert(shared, 4);
    tree.Insert(shared, 3);
    ASSERT_EQ(tree.FindExact(shared, found), 4);
    EXPECT_EQ(tree.UnsortedCount(), 2);
    std::vector<int> balanced(found.begin(), found.begin() + 2);
    std::sort(balanced.begin(), balanced.end());
    EXPECT_EQ(balanced, (std::vector<int>{1, 2}));
    EXPECT_EQ(found[2], 4);
    EXPECT_EQ(found[3], 3);
    EXPECT_EQ(tree.RemoveExact(shared), 4);
    EXPECT_EQ(tree.FindExact(shared, found), 0);
}

TEST(KVMapKDTreeTest, AgreesWithABruteForceSearchOnManyPoints)
{
    KVMapKDTree<int, float, 3, 4000> tree;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grid(-20, 20);
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < 20000; ++i) {
        std::array<float, 3> p = {float(grid(random)), float(grid(random)) * 0.5f, float(grid(random) % 3)};
        points.push_back(p);
        tree.Insert(p.data(), i);
        if (i % 997 == 0) {
            std::vector<int> found;
            tree.FindExact(points[static_cast<size_t>(i / 2)].data(), found);
            size_t expected = 0;
            for (int j = 0; j <= i; ++j)
                expected += points[static_cast<size_t>(j)] == points[static_cast<size_t>(i / 2)];
            EXPECT_EQ(found.size(), expected) << i;
        }
    }
}

TEST(KVMemoryChainTest, CarvesItemsFromBlocksAndReusesSuccessors)
{
    KVMemoryChain chain(100, 24);
    std::vector<void*> items;
    for (int i = 0; i < 9; ++i)
        items.push_back(chain.Carve());
    EXPECT_EQ(chain.BlockCount(), 3u);  // four items a block
    EXPECT_EQ(static_cast<char*>(items[1]) - static_cast<char*>(items[0]), 24);
    chain.Release();
    EXPECT_EQ(chain.BlockCount(), 0u);
    chain.Carve();
    EXPECT_EQ(chain.BlockCount(), 1u);
}

TEST(TriangleTestsTest, RayPointAndPlaneTests)
{
    float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    // Seen from +z the corners run counter-clockwise: the front face looks up.
    float up[3] = {0, 0, 1}, down[3] = {0, 0, -1};
    struct Case {
        float origin[3];
        float* direction;
        bool twoSided;
        bool hit;
        float t;
    } cases[] = {
        {{0.25f, 0.25f, -1}, up, true, true, 1.0f},   {{0.25f, 0.25f, 1}, down, true, true, 1.0f},
        {{0.25f, 0.25f, 1}, down, false, true, 1.0f}, {{0.25f, 0.25f, -1}, up, false, false, 0},
        {{0.9f, 0.9f, -1}, up, true, false, 0},       {{0.25f, 0.25f, 1}, up, true, true, -1.0f},
    };
    for (const Case& k : cases) {
        float best = std::numeric_limits<float>::max();
        EXPECT_EQ(IntersectRayTriangle(a, b, c, k.origin, k.direction, k.twoSided, best), k.hit);
        if (k.hit) {
            EXPECT_FLOAT_EQ(best, k.t);
        }
    }
    float best = 0.5f;
    float below[3] = {0.25f, 0.25f, -1};
    EXPECT_FALSE(IntersectRayTriangle(a, b, c, below, up, true, best));  // not nearer than best

    float n[3] = {0, 0, 1};
    float inside[3] = {0.2f, 0.2f, 0}, edge[3] = {0.5f, 0, 0}, outside[3] = {0.8f, 0.8f, 0};
    EXPECT_TRUE(IsPointInTriangle(n, inside, a, b, c));
    EXPECT_TRUE(IsPointInTriangle(n, edge, a, b, c));
    EXPECT_FALSE(IsPointInTriangle(n, outside, a, b, c));

    float nan[3] = {std::nanf(""), 0, 0};
    EXPECT_TRUE(IsValidTrianglePlane(a, b, c));
    EXPECT_FALSE(IsValidTrianglePlane(a, a, c));
    EXPECT_FALSE(IsValidTrianglePlane(a, b, edge));  // collinear
    EXPECT_FALSE(IsValidTrianglePlane(nan, b, c));
}

TEST(KVAxisBoxTreeTest, LeavesSplitAndRebalanceByCount)
{
    struct Case {
        size_t triangles;
        size_t nodes;
        int32_t leftCount, rightCount;
    } cases[] = {{64, 1, 64, 0}, {65, 3, 32, 33}, {66, 3, 32, 34}};
    for (const Case& c : cases) {
        TriangleSoup soup = Row(c.triangles);
        KVAxisBoxTree tree;
        soup.Add(tree);
        ASSERT_TRUE(tree.Build()) << c.triangles;
        ASSERT_EQ(tree.Nodes().size(), c.nodes) << c.triangles;
        EXPECT_EQ(tree.LeafReferenceCount(), c.triangles);
        if (c.nodes == 1) {
            EXPECT_EQ(tree.Nodes()[0].first, ~0);
            EXPECT_EQ(tree.Nodes()[0].second, c.leftCount);
        } else {
            const auto& root = tree.Nodes()[0];
            EXPECT_EQ(tree.Nodes()[static_cast<size_t>(root.first)].second, c.leftCount) << c.triangles;
            EXPECT_EQ(tree.Nodes()[static_cast<size_t>(root.second)].second, c.rightCount) << c.triangles;
        }
    }
}

TEST(KVAxisBoxTreeTest, RefusesDegenerateTrianglesAndChunksAbove511)
{
    TriangleSoup soup;
    soup.triangles = {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}}};
    KVAxisBoxTree tree;
    tree.BeginBuild(&soup);
    tree.AddTriangle(soup.triangles[0][0].data(), soup.triangles[0][1].data(), soup.triangles[0][2].data(), 0);
    tree.AddTriangle(soup.triangles[1][0].data(), soup.triangles[1][1].data(), soup.triangles[1][2].data(), 3);
    tree.AddTriangle(soup.triangles[0][0].data(), soup.triangles[0][1].data(), soup.triangles[0][2].data(),
                     KVAxisBoxTree::MakeId(512, 0));
    float nan[3] = {std::nanf(""), 0, 0};
    tree.AddTriangle(nan, soup.triangles[0][1].data(), soup.triangles[0][2].data(), 6);
    EXPECT_EQ(tree.RefusedCount(), 3u);
    EXPECT_EQ(tree.WeldedVertexCount(), 3u);
    ASSERT_TRUE(tree.Build());
    KVAxisBoxTree empty;
    empty.BeginBuild(&soup);
    EXPECT_FALSE(empty.Build());
    KVAxisBoxTreeHit hit;
    float start[3] = {0.2f, 0.2f, -1}, end[3] = {0.2f, 0.2f, 1};
    EXPECT_FALSE(empty.IntersectSegment(hit, end, start));
    EXPECT_EQ(hit.id, -1);
}

TEST(KVAxisBoxTreeTest, PackedBoxesCoverTheirTrianglesAndQueriesMatchBruteForce)
{
    TriangleSoup soup = RandomSoup(5000, 11);
    KVAxisBoxTree tree;
    soup.Add(tree);
    ASSERT_TRUE(tree.Build());
    // Every leaf's unpacked box holds its triangles.
    for (const auto& node : tree.Nodes()) {
        if (node.first >= 0)
            continue;
        float centre[3], extent[3];
        tree.UnpackBox(node, centre, extent);
        for (int32_t r = 0; r < node.second; ++r) {
            float corners[3][3];
            soup.GetTriangle(tree.LeafReferenceId(static_cast<size_t>(~node.first + r)), corners);
            for (const auto& corner : corners) {
                for (int a = 0; a < 3; ++a) {
                    EXPECT_LE(corner[a], centre[a] + extent[a]);
                    EXPECT_GE(corner[a], centre[a] - extent[a]);
                }
            }
        }
    }
    std::mt19937 random(3);
    std::uniform_real_distribution<float> where(-110, 110);
    int hits = 0;
    for (int q = 0; q < 300; ++q) {
        float start[3] = {where(random), where(random), where(random)};
        float end[3] = {where(random), where(random), where(random)};
        float direction[3] = {end[0] - start[0], end[1] - start[1], end[2] - start[2]};
        float best = std::numeric_limits<float>::max();
        for (const Triangle& t : soup.triangles) {
            float trial = best;
            if (IntersectRayTriangle(t[0].data(), t[1].data(), t[2].data(), start, direction, true, trial) &&
                trial >= 0 && trial <= 1)
                best = trial;
        }
        KVAxisBoxTreeHit hit;
        bool found = tree.IntersectSegment(hit, end, start);
        EXPECT_EQ(found, best <= 1) << q;
        if (found && best <= 1) {
            ++hits;
            EXPECT_NEAR(hit.t, best, 1e-3) << q;
        }
    }
    EXPECT_GT(hits, 0);
}

TEST(KVAxisBoxTreeTest, WeldedCountHoldsWhenAskedMidBuild)
{
    // Two triangles sharing an edge, then a third sharing one corner: asking
    // between them welds what is there and later corners weld as they come.
    TriangleSoup soup;
    soup.triangles = {
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}, {{{1, 1, 0}, {2, 1, 0}, {2, 2, 0}}}};
    KVAxisBoxTree tree;
    tree.BeginBuild(&soup);
    for (size_t i = 0; i < 2; ++i)
        tree.AddTriangle(soup.triangles[i][0].data(), soup.triangles[i][1].data(), soup.triangles[i][2].data(),
                         soup.Id(i));
    EXPECT_EQ(tree.WeldedVertexCount(), 4u);
    tree.AddTriangle(soup.triangles[2][0].data(), soup.triangles[2][1].data(), soup.triangles[2][2].data(), soup.Id(2));
    EXPECT_EQ(tree.WeldedVertexCount(), 6u);
    ASSERT_TRUE(tree.Build());
    EXPECT_EQ(tree.LeafReferenceCount(), 3u);
}

TEST(KVAxisBoxTreeTest, EveryTriangleLandsInOneLeafAndSplitsStayBalanced)
{
    // Many equal centres on one axis: ties must not lose or repeat a triangle.
    TriangleSoup soup = RandomSoup(3000, 5);
    for (size_t i = 0; i < soup.triangles.size(); i += 3) {
        for (auto& corner : soup.triangles[i])
            corner[0] = 7;
    }
    KVAxisBoxTree tree;
    soup.Add(tree);
    ASSERT_TRUE(tree.Build());
    std::vector<int> seen(soup.triangles.size());
    for (size_t r = 0; r < tree.LeafReferenceCount(); ++r) {
        int32_t id = tree.LeafReferenceId(r);
        ++seen[static_cast<size_t>(id >> 16) * 21846 + static_cast<size_t>(id & 0xFFFF) / 3];
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(seen.size()));
    // A node's triangles: a leaf's count, or the sum of its children's.
    std::function<int32_t(size_t)> count = [&](size_t n) -> int32_t {
        const auto& node = tree.Nodes()[n];
        if (node.first < 0)
            return node.second;
        int32_t left = count(static_cast<size_t>(node.first)), right = count(static_cast<size_t>(node.second));
        EXPECT_LE(std::abs(left - right), 2) << n;
        return left + right;
    };
    EXPECT_EQ(count(0), 3000);
}

TEST(KVAxisBoxTreeTest, SegmentInThePlaneHitsAtTheStart)
{
    TriangleSoup soup = Row(1);
    KVAxisBoxTree tree;
    soup.Add(tree);
    ASSERT_TRUE(tree.Build());
    KVAxisBoxTreeHit hit;
    float start[3] = {0.2f, 0.2f, 0}, end[3] = {0.4f, 0.3f, 0};
    ASSERT_TRUE(tree.IntersectSegment(hit, end, start));
    EXPECT_EQ(hit.t, 0.0f);
    EXPECT_EQ(hit.point[0], 0.2f);
    EXPECT_EQ(hit.id, 0);
    EXPECT_EQ(hit.second, -1);
    EXPECT_FLOAT_EQ(hit.normal[2], 1.0f);
}
