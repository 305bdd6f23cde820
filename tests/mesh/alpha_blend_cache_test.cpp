// The alpha-blend caches: distance buckets, primitive sorting of near chunks, draw order, nesting, and chunks of an unknown primitive type.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mesh/korvel_alpha_blend_cache.h"
#include "zel/display.h"
#include "zel/geometry_chunk.h"
#include "zel/material.h"

namespace {

// A chunk of `triangles` triangles side by side along x, at depth z each.
Zel::GeometryChunk* Row(int triangles, uint32_t flags = 4)
{
    uint32_t vertices = static_cast<uint32_t>(triangles) * 3;
    auto* chunk =
        new Zel::GeometryChunk(vertices, static_cast<uint32_t>(triangles), vertices, 0, flags, 1u << Zel::ItemPosition);
    Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
    for (uint32_t v = 0; v < vertices; ++v) {
        float p[3] = {static_cast<float>(v / 3) * 10.0f + static_cast<float>(v % 3), 0, 0};
        std::memcpy(positions.data + v * positions.stride, p, sizeof p);
        chunk->GetIndices()[v] = static_cast<uint16_t>(v);
    }
    return chunk;
}

Zel::Matrix16 At(float distance)
{
    Zel::Matrix16 m = Zel::kIdentityMatrix;
    m[14] = -distance;
    return m;
}

struct Drawn {
    const void* chunk;
    Zel::DisplayEventKind kind;
    int indexCount;
};

std::vector<Drawn> DrawsOf(const Zel::Display& display)
{
    std::vector<Drawn> drawn;
    for (const Zel::DisplayEvent& event : display.GetEvents()) {
        if (event.kind == Zel::DisplayEventKind::Draw || event.kind == Zel::DisplayEventKind::DrawPrims)
            drawn.push_back({event.object, event.kind, event.b});
    }
    return drawn;
}

TEST(AlphaBlendCacheTest, DistancesFallInTheirBucketsAndOnlyNearChunksAreSortedPerPrimitive)
{
    struct Case {
        float distance;
        int bucket;
        bool sorted;
    };
    // Exact bucket edges are avoided: the distance goes through the fast
    // square root.
    const Case cases[] = {{0.0f, 0, true},      {4.0f, 0, true},       {348.5f, 69, true},    {351.5f, 70, false},
                          {999.0f, 199, false}, {1000.0f, 199, false}, {25000.0f, 199, false}};
    Zel::OneTextureMaterial material("m", "onetex", true, false);
    for (const Case& c : cases) {
        Zel::Display display;
        Zel::KorvelAlphaBlendCache cache;
        Zel::GeometryChunk* chunk = Row(3);
        cache.Add(&display, nullptr, &material, chunk, nullptr, At(c.distance));
        EXPECT_EQ(cache.GetBucketCount(c.bucket), 1) << c.distance;
        EXPECT_FALSE(cache.IsEmpty());
        cache.Render(&display, nullptr);
        EXPECT_TRUE(cache.IsEmpty());
        std::vector<Drawn> drawn = DrawsOf(display);
        ASSERT_EQ(drawn.size(), 1u) << c.distance;
        EXPECT_EQ(drawn[0].kind, c.sorted ? Zel::DisplayEventKind::DrawPrims : Zel::DisplayEventKind::Draw)
            << c.distance;
        chunk->ReleaseReference();
    }
}

TEST(AlphaBlendCacheTest, FarBucketsDrawFirstAndEqualDistancesDrawInReversedArrivalOrder)
{
    Zel::OneTextureMaterial material("m", "onetex", true, false);
    Zel::Display display;
    Zel::KorvelAlphaBlendCache cache;
    Zel::GeometryChunk* near = Row(1);
    Zel::GeometryChunk* farA = Row(1);
    Zel::GeometryChunk* farB = Row(1);
    Zel::GeometryChunk* middle = Row(1);
    cache.Add(&display, nullptr, &material, near, nullptr, At(100.0f));
    cache.Add(&display, nullptr, &material, farA, nullptr, At(800.0f));
    cache.Add(&display, nullptr, &material, farB, nullptr, At(800.0f));
    cache.Add(&display, nullptr, &material, middle, nullptr, At(500.0f));
    cache.Render(&display, nullptr);
    std::vector<const void*> order;
    for (const Drawn& d : DrawsOf(display))
        order.push_back(d.chunk);
    EXPECT_EQ(order, (std::vector<const void*>{farB, farA, middle, near}));
    // Rendering restores the blend state it set (the model-view is the last
    // chunk's, loaded by its material).
    Zel::DisplayState expected;
    expected.modelView = At(100.0f);
    EXPECT_TRUE(display.GetState() == expected);
    for (auto* chunk : {near, farA, farB, middle})
        chunk->ReleaseReference();
}

// Keeps the sorted indices it is asked to draw.
struct CapturingMaterial : Zel::OneTextureMaterial {
    std::vector<uint16_t> indices;
    CapturingMaterial() : Zel::OneTextureMaterial("m", "onetex", true, false) {}
    void RenderPrimitives(Zel::Display* display, const Zel::Viewport* viewport, Zel::GeometryChunk* chunk,
                          const Zel::LightList* lights, const Zel::Matrix16& modelView, int indexCount,
                          const uint16_t* sorted, int primitiveCount, int primitiveKind, int pass) override
    {
        indices.assign(sorted, sorted + indexCount);
        Zel::OneTextureMaterial::RenderPrimitives(display, viewport, chunk, lights, modelView, indexCount, sorted,
                                                  primitiveCount, primitiveKind, pass);
    }
};

TEST(AlphaBlendCacheTest, NearChunksDrawTheirPrimitivesBackToFront)
{
    struct Case {
        const char* what;
        uint32_t flags;
        int indexCount;                // of the chunk; 0 keeps the row's own
        std::vector<uint16_t> sorted;  // as drawn
    };
    // Triangles at x = 0, 10, 20 (lists); the eye sits at x = 25 in chunk
    // space, so the triangle at x = 0 is the farthest.
    const Case cases[] = {
        {"list", 4, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        // Strip 0,1,2,3,4: triangles (0,1,2), (1,2,3), (2,3,4); the odd one
        // swaps its first two indices to keep the winding.
        {"strip", 8, 5, {0, 1, 2, 2, 1, 3, 2, 3, 4}},
        {"fan", 16, 5, {0, 1, 2, 0, 2, 3, 0, 3, 4}},
        {"unknown primitive type", 3, 0, {}},
    };
    for (const Case& c : cases) {
        Zel::Display display;
        Zel::KorvelAlphaBlendCache cache;
        CapturingMaterial material;
        Zel::GeometryChunk* chunk = Row(3, c.flags);
        if (c.indexCount) {
            // Re-make the chunk with fewer indices over the same vertices.
            Zel::GeometryChunk* shorter =
                new Zel::GeometryChunk(9, 3, static_cast<uint32_t>(c.indexCount), 0, c.flags, 1u << Zel::ItemPosition);
            std::memcpy(shorter->GetItem(Zel::ItemPosition).data, chunk->GetItem(Zel::ItemPosition).data, 9 * 12);
            for (int i = 0; i < c.indexCount; ++i)
                shorter->GetIndices()[i] = static_cast<uint16_t>(i * 2);
            chunk->ReleaseReference();
            chunk = shorter;
        }
        Zel::Matrix16 m = At(10.0f);
        m[12] = -25.0f;
        cache.Add(&display, nullptr, &material, chunk, nullptr, m);
        cache.Render(&display, nullptr);
        std::vector<Drawn> drawn = DrawsOf(display);
        ASSERT_EQ(drawn.size(), 1u) << c.what;
        EXPECT_EQ(drawn[0].kind, Zel::DisplayEventKind::DrawPrims) << c.what;
        std::vector<uint16_t> expected = c.sorted;
        if (c.indexCount) {
            // Index i names vertex 2i.
            for (uint16_t& index : expected)
                index = static_cast<uint16_t>(index * 2);
        }
        EXPECT_EQ(material.indices, expected) << c.what;
        chunk->ReleaseReference();
    }
    EXPECT_TRUE(Zel::KorvelAlphaBlendCache().GetCompareFunction()({0, 4.0f}, {1, 1.0f}));
}

TEST(AlphaBlendCacheTest, NestedLevelsDrawInnerFirstAndGrowTheBuckets)
{
    Zel::OneTextureMaterial material("m", "onetex", true, false);
    Zel::Display display;
    Zel::KorvelAlphaBlendCache cache;
    Zel::GeometryChunk* outer = Row(1);
    Zel::GeometryChunk* inner = Row(1);
    Zel::GeometryChunk* innermost = Row(1);
    cache.Add(&display, nullptr, &material, outer, nullptr, At(600.0f));
    cache.Enter(&display, nullptr, true);
    cache.Add(&display, nullptr, &material, inner, nullptr, At(600.0f));
    cache.Enter(&display, nullptr, true);
    cache.Add(&display, nullptr, &material, innermost, nullptr, At(600.0f));
    EXPECT_EQ(cache.GetNumBuckets(), 600);
    cache.Leave(&display, nullptr, true);
    cache.Leave(&display, nullptr, true);
    cache.Render(&display, nullptr);
    std::vector<const void*> order;
    for (const Drawn& d : DrawsOf(display))
        order.push_back(d.chunk);
    EXPECT_EQ(order, (std::vector<const void*>{innermost, inner, outer}));
    // Without the nested flag both do nothing.
    cache.Enter(&display, nullptr, false);
    EXPECT_EQ(cache.GetWindowStart(), 0);
    for (auto* chunk : {outer, inner, innermost})
        chunk->ReleaseReference();
}

TEST(AlphaBlendCacheTest, EmptyRenderOnlySetsAndRestoresTheState)
{
    Zel::Display display;
    Zel::KorvelAlphaBlendCache cache;
    cache.Render(&display, nullptr);
    for (const Zel::DisplayEvent& event : display.GetEvents()) {
        EXPECT_NE(event.kind, Zel::DisplayEventKind::Draw);
        EXPECT_NE(event.kind, Zel::DisplayEventKind::DrawPrims);
    }
    EXPECT_TRUE(display.GetState() == Zel::DisplayState());
    cache.SetSortDistance(260.0f);
    EXPECT_EQ(cache.GetSortDistanceBuckets(), 52);
}

TEST(AlphaBlendCacheTest, UnsortedCacheDrawsInArrivalOrderAndKeepsItsEntries)
{
    Zel::OneTextureMaterial material("m", "onetex", true, false);
    Zel::Display display;
    display.SetBlendFunction(Zel::BlendOne, Zel::BlendOne);
    const Zel::DisplayState start = display.GetState();
    Zel::AlphaBlendCacheUnsorted cache;
    Zel::GeometryChunk* a = Row(1);
    Zel::GeometryChunk* b = Row(1);
    cache.Add(&display, nullptr, &material, a, nullptr, At(900.0f));
    cache.Add(&display, nullptr, &material, b, nullptr, At(10.0f));
    cache.Render(&display, nullptr);
    std::vector<const void*> order;
    for (const Drawn& d : DrawsOf(display))
        order.push_back(d.chunk);
    EXPECT_EQ(order, (std::vector<const void*>{a, b}));
    Zel::DisplayState expected = start;
    expected.modelView = At(10.0f);
    EXPECT_TRUE(display.GetState() == expected);
    EXPECT_EQ(cache.GetNumChunks(), 2u);
    cache.Discard();
    EXPECT_EQ(cache.GetNumChunks(), 0u);
    a->ReleaseReference();
    b->ReleaseReference();
}

}  // namespace
