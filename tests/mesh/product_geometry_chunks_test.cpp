// The packed-vertex chunks: item offsets, shared arrays copied on write, static buffers refused or skipped.
#include <gtest/gtest.h>

#include <cstring>

#include "mesh/product_geometry_chunks.h"
#include "zel/display.h"

namespace {

TEST(ProductGeometryChunksTest, LayoutsAnswerTheirItemsAndNothingElse)
{
    struct Case {
        const Zel::PackedVertexLayout& layout;
        bool normals;
        int item;
        uint32_t stride;
        int offset;  // -1: absent
    };
    const Case cases[] = {
        {Zel::PackedVertexPNT(), false, Zel::ItemPosition, 32, 0},
        {Zel::PackedVertexPNT(), false, Zel::ItemNormal, 32, 12},
        {Zel::PackedVertexPNT(), false, Zel::ItemTexCoord0, 32, 24},
        {Zel::PackedVertexPNT(), false, Zel::ItemColour, 0, -1},
        {Zel::PackedVertexPCT(), false, Zel::ItemColour, 24, 12},
        {Zel::PackedVertexPCT(), false, Zel::ItemTexCoord0, 24, 16},
        {Zel::PackedVertexPCT(), false, Zel::ItemNormal, 0, -1},
        {Zel::PackedVertexPCT(), true, Zel::ItemNormal, 12, 0},  // the separate array
        {Zel::PackedVertexPCT(), true, Zel::ItemTangent, 0, -1},
    };
    for (const Case& c : cases) {
        Zel::PackedGeometryChunk chunk(c.layout, c.normals, 4, 2, 6, 0, 4);
        Zel::VertexStream stream = chunk.GetItem(c.item);
        EXPECT_EQ(stream.stride, c.stride) << c.layout.typeId << " " << c.item;
        if (c.offset < 0) {
            EXPECT_EQ(stream.data, nullptr);
        } else if (!(c.normals && c.item == Zel::ItemNormal)) {
            EXPECT_EQ(stream.data, chunk.GetVertexArray() + c.offset);
        }
    }
    EXPECT_EQ(Zel::PackedGeometryChunk(Zel::PackedVertexPNT(), false, 1, 0, 0, 0, 4).GetVertexTypeID(), 18u);
    EXPECT_EQ(Zel::PackedGeometryChunk(Zel::PackedVertexPCT(), true, 1, 0, 0, 0, 4).GetVertexTypeID(), 19u);
}

TEST(ProductGeometryChunksTest, InstancesShareArraysUntilOneIsDuplicatedOrResized)
{
    Zel::Display display;
    auto* original = new Zel::PackedGeometryChunk(Zel::PackedVertexPCT(), true, 4, 2, 6, 0, 4);
    float one[3] = {1, 2, 3};
    std::memcpy(original->GetItem(Zel::ItemPosition).data, one, sizeof one);
    Zel::PackedGeometryChunk* copy = original->CreateInstance();
    EXPECT_EQ(copy->GetVertexArray(), original->GetVertexArray());
    EXPECT_EQ(original->GetArrayReferences(), 2);
    ASSERT_TRUE(copy->InitializeBuffers(&display, true));
    uint32_t buffer = copy->GetStaticVertexBuffer();
    ASSERT_TRUE(copy->DuplicateVertexArray(&display));
    EXPECT_NE(copy->GetVertexArray(), original->GetVertexArray());
    EXPECT_EQ(original->GetArrayReferences(), 1);
    // The static buffer was rebuilt from the new array and waits for an upload.
    EXPECT_NE(copy->GetStaticVertexBuffer(), buffer);
    EXPECT_TRUE(copy->IsVertexDataDirty());
    float changed[3] = {9, 9, 9};
    std::memcpy(copy->GetItem(Zel::ItemPosition).data, changed, sizeof changed);
    float kept[3];
    std::memcpy(kept, original->GetItem(Zel::ItemPosition).data, sizeof kept);
    EXPECT_EQ(kept[0], 1.0f);
    // Resizing keeps the first vertices.
    ASSERT_TRUE(original->ResizeVertexArray(&display, 2));
    EXPECT_EQ(original->GetVertexCount(), 2u);
    std::memcpy(kept, original->GetItem(Zel::ItemPosition).data, sizeof kept);
    EXPECT_EQ(kept[2], 3.0f);
    Zel::PackedGeometryChunk* sized = original->CreateInstance(7, 1, 3, 0);
    EXPECT_EQ(sized->GetVertexCount(), 7u);
    EXPECT_EQ(sized->GetFlags(), original->GetFlags());
    sized->ReleaseReference();
    copy->ReleaseReference();
    original->ReleaseReference();
    EXPECT_EQ(display.GetNumStaticBuffers(), 0u);
}

TEST(ProductGeometryChunksTest, StaticBuffersFollowTheFlagsAndARefusalLeavesNoneAttached)
{
    struct Case {
        const char* what;
        uint32_t flags;
        Zel::Display::Factory refused;
        bool refuse;
        bool ok;
        bool vertexBuffer;
        bool indexBuffer;
    };
    using F = Zel::Display::Factory;
    const Case cases[] = {
        {"both", 4, F::VertexBuffers, false, true, true, true},
        {"no vertex buffer", 4 | 0x10000, F::VertexBuffers, false, true, false, true},
        {"no index buffer", 4 | 0x100, F::VertexBuffers, false, true, true, false},
        {"vertex buffer refused", 4, F::VertexBuffers, true, false, false, false},
        {"index buffer refused", 4, F::IndexBuffers, true, false, true, false},
        {"upload refused", 4, F::Uploads, true, false, false, false},
        {"vertex type refused", 4, F::VertexTypes, true, false, false, false},
    };
    for (const Case& c : cases) {
        Zel::Display display;
        if (c.refuse)
            display.SetRefuse(c.refused, true);
        Zel::PackedGeometryChunk chunk(Zel::PackedVertexPNT(), false, 3, 1, 3, 0, c.flags);
        EXPECT_EQ(chunk.InitializeBuffers(&display, true), c.ok) << c.what;
        EXPECT_EQ(chunk.GetStaticVertexBuffer() != 0, c.vertexBuffer) << c.what;
        EXPECT_EQ(chunk.GetStaticIndexBuffer() != 0, c.indexBuffer) << c.what;
        // Every buffer on the display is one the chunk holds.
        EXPECT_EQ(display.GetNumStaticBuffers(), size_t{c.vertexBuffer} + size_t{c.indexBuffer}) << c.what;
        if (c.ok) {
            EXPECT_EQ(chunk.GetVertexType(), c.vertexBuffer ? 18u : 0u) << c.what;
            display.SetRefuse(F::Uploads, true);
            EXPECT_FALSE(chunk.LoadBuffers(&display)) << c.what;
            display.SetRefuse(F::Uploads, false);
            EXPECT_TRUE(chunk.LoadBuffers(&display)) << c.what;
        }
    }
}

}  // namespace
