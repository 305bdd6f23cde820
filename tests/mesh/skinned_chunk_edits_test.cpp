// Skinned instances taking chunks of other skinned meshes: influence sets and matrix slots follow the chunk by bone name, blend indices are renumbered, and every refusal leaves the instance as it was.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "mesh/dynamic_indexed_mesh_instance.h"
#include "mesh/mesh_load_fixture.h"
#include "mesh/skinned_mesh_fixture.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;
using KorvelTest::Position;

namespace {

// An instance whose chunks' program holds a palette of the given registers.
class PaletteInstance : public KorvelDynamicIndexedMeshInstance {
public:
    explicit PaletteInstance(MatrixPalette palette) : KorvelDynamicIndexedMeshInstance(nullptr), palette_(palette) {}

protected:
    MatrixPalette GetMatrixPalette(const Zel::GeometryChunk&) const override { return palette_; }

private:
    MatrixPalette palette_;
};

// A skinned mesh loaded and set up as an instance; display-skinned when the
// display can skin.
struct Skinned {
    MeshLoad load;
    std::unique_ptr<KorvelDynamicIndexedMeshInstance> instance;

    Skinned(const ImFile& file, bool display, MatrixPalette palette = {})
    {
        load.display.SetCapability(29, display);
        EXPECT_EQ(load.Load(file), MeshOk);
        EXPECT_EQ(load.definition->UsesHardwareSkinning(), display);
        KorvelTest::SetLocalPoints(*load.definition);
        instance = std::make_unique<PaletteInstance>(palette);
        instance->SetUp(nullptr, *load.definition);
    }
    KorvelDynamicIndexedMeshInstance& operator*() { return *instance; }
    KorvelDynamicIndexedMeshInstance* operator->() { return instance.get(); }
};

// The arm quad with a third bone, "hand", that weighs nothing here.
ImFile WithHand()
{
    ImFile file = KorvelTest::ArmQuad();
    file.influences.resize(3);
    file.influences[2].name = "hand";
    file.influences[2].parent = "arm";
    return file;
}

// A quad skinned by "hand" (vertices 0 and 1) and "arm" (2 and 3), listed in that order.
ImFile HandFirst()
{
    ImFile file = KorvelTest::ArmQuad();
    file.influences[0].name = "hand";
    file.influences[0].parent = "arm";
    file.influences[0].entries = {{0, {{0, 1.0f}, {1, 1.0f}}}};
    file.influences[1].parent = "";
    file.influences[1].entries = {{0, {{2, 1.0f}, {3, 1.0f}}}};
    return file;
}

uint8_t FirstBlendIndex(Zel::GeometryChunk& chunk, uint32_t vertex)
{
    Zel::VertexStream blend = chunk.GetItem(Zel::ItemBlendIndices);
    return blend.data[size_t{vertex} * blend.stride];
}

}  // namespace

TEST(SkinnedChunkEditsTest, SoftwareChunksBringTheirInfluenceSetsByBoneName)
{
    Skinned target(KorvelTest::ArmQuad(), false), source(KorvelTest::ArmQuad(), false);
    EXPECT_NE(source->GetChunk(0)->GetFlags() & ChunkFlagRefused, 0u);
    ASSERT_TRUE(target->AddSkinnedChunk(source->GetChunk(0), source->GetMaterial(0), source.instance.get(), 0));
    ASSERT_EQ(target->GetChunkCount(), 2u);
    EXPECT_NE(target->GetChunk(1), source->GetChunk(0));
    EXPECT_EQ(target->GetMaterial(1), source->GetMaterial(0));
    target->UpdateSkin(1);
    EXPECT_EQ(Position(*target, 2, 1), (std::array<float, 3>{1, 1, 0}));
    EXPECT_EQ(Position(*target, 3, 1), (std::array<float, 3>{0.5f, 0.5f, 0}));

    // Merged into chunk 0, the second quad's weights land four vertices on.
    ASSERT_TRUE(target->MergeSkinnedChunk(source->GetChunk(0), 0, source.instance.get(), 0));
    EXPECT_EQ(target->GetChunk(0)->GetVertexCount(), 8u);
    const InfluenceBone& arm = target->GetBones()[1];
    ASSERT_EQ(arm.levels[0].sets[0].weights.size(), 4u);
    EXPECT_EQ(arm.levels[0].sets[0].weights[2].vertex, 6u);
    target->UpdateSkin(2);
    EXPECT_EQ(Position(*target, 6), (std::array<float, 3>{1, 1, 0}));
    EXPECT_EQ(Position(*target, 7), (std::array<float, 3>{0.5f, 0.5f, 0}));
    EXPECT_EQ(Position(*target, 2), (std::array<float, 3>{1, 1, 0}));
}

TEST(SkinnedChunkEditsTest, TheFirstSourceBoneWeLackEndsTheSetCopyingButTheChunkIsAdded)
{
    ImFile legged = KorvelTest::ArmQuad();
    // root, leg (ours has none), arm: arm's sets are not reached.
    legged.influences.insert(legged.influences.begin() + 1, legged.influences[1]);
    legged.influences[1].name = "leg";
    Skinned target(KorvelTest::ArmQuad(), false), source(legged, false);
    ASSERT_TRUE(target->AddSkinnedChunk(source->GetChunk(0), source->GetMaterial(0), source.instance.get(), 0));
    target->UpdateSkin(1);
    EXPECT_EQ(Position(*target, 1, 1), (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(Position(*target, 2, 1), (std::array<float, 3>{0, 0, 0}));
}

TEST(SkinnedChunkEditsTest, DisplaySkinnedChunksTakeOurBoneNumbersAndRenumberedBlendIndices)
{
    Skinned source(HandFirst(), true);
    ASSERT_EQ(source->GetChunk(0)->GetInfluenceMatrices(), (std::vector<int>{0, 1}));  // hand, arm
    ASSERT_EQ(FirstBlendIndex(*source->GetChunk(0), 0), 0);
    ASSERT_EQ(FirstBlendIndex(*source->GetChunk(0), 2), 3);

    Skinned added(WithHand(), true);
    ASSERT_TRUE(added->AddSkinnedChunk(source->GetChunk(0), source->GetMaterial(0), source.instance.get(), 0));
    EXPECT_EQ(added->GetChunk(1)->GetInfluenceMatrices(), (std::vector<int>{2, 1}));
    EXPECT_EQ(added->GetChunk(1)->GetFlags() & ChunkFlagRefused, 0u);

    Skinned merged(WithHand(), true, MatrixPalette{10, 19});
    std::vector<int> before = merged->GetChunk(0)->GetInfluenceMatrices();
    ASSERT_EQ(before, (std::vector<int>{0, 1}));  // root, arm
    uint8_t firstOwn = FirstBlendIndex(*merged->GetChunk(0), 0);
    ASSERT_TRUE(merged->MergeSkinnedChunk(source->GetChunk(0), 0, source.instance.get(), 0));
    Zel::GeometryChunk& joined = *merged->GetChunk(0);
    EXPECT_EQ(joined.GetInfluenceMatrices(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(FirstBlendIndex(joined, 0), firstOwn);
    EXPECT_EQ(FirstBlendIndex(joined, 4), 6);  // hand: the new slot 2
    EXPECT_EQ(FirstBlendIndex(joined, 6), 3);  // arm: our slot 1
    // The source's chunk is untouched.
    EXPECT_EQ(FirstBlendIndex(*source->GetChunk(0), 0), 0);
}

TEST(SkinnedChunkEditsTest, RefusalsLeaveTheInstanceAsItWas)
{
    MeshLoad plain;
    ImFile quad;
    quad.chunks.push_back(KorvelTest::QuadChunk());
    ASSERT_EQ(plain.Load(quad), MeshOk);
    Skinned software(KorvelTest::ArmQuad(), false), display(HandFirst(), true);
    Zel::Material* material = plain.definition->GetMaterial(0);
    struct Case {
        const char* what;
        bool displayTarget;
        MatrixPalette palette;
        std::function<bool(KorvelDynamicIndexedMeshInstance&)> edit;
    };
    const Case cases[] = {
        {"no source",
         false,
         {},
         [&](auto& t) { return t.AddSkinnedChunk(software->GetChunk(0), material, nullptr, 0); }},
        {"a chunk that is not skinned",
         false,
         {},
         [&](auto& t) {
             return t.AddSkinnedChunk(plain.definition->GetChunk(0), material, software.instance.get(), 0);
         }},
        {"a display-skinned chunk into software skinning",
         false,
         {},
         [&](auto& t) { return t.AddSkinnedChunk(display->GetChunk(0), material, display.instance.get(), 0); }},
        {"a software chunk into display skinning",
         true,
         {},
         [&](auto& t) { return t.AddSkinnedChunk(software->GetChunk(0), material, software.instance.get(), 0); }},
        {"a bone we lack",
         true,
         {},
         [&](auto& t) { return t.AddSkinnedChunk(display->GetChunk(0), material, display.instance.get(), 0); }},
        {"a merge past the last chunk",
         false,
         {},
         [&](auto& t) { return t.MergeSkinnedChunk(software->GetChunk(0), 1, software.instance.get(), 0); }},
        {"a display merge without a palette",
         true,
         {},
         [&](auto& t) { return t.MergeSkinnedChunk(display->GetChunk(0), 0, display.instance.get(), 0); }},
        {"a palette one matrix short", true, MatrixPalette{0, 6},
         [&](auto& t) { return t.MergeSkinnedChunk(display->GetChunk(0), 0, display.instance.get(), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // "a bone we lack": the plain arm quad has no "hand".
        bool lacksHand = std::string(c.what) == "a bone we lack";
        Skinned target(c.displayTarget && !lacksHand ? WithHand() : KorvelTest::ArmQuad(), c.displayTarget, c.palette);
        Zel::GeometryChunk* chunk = target->GetChunk(0);
        size_t sets = target->GetBones()[1].levels[0].sets.size();
        EXPECT_FALSE(c.edit(*target));
        EXPECT_EQ(target->GetChunkCount(), 1u);
        EXPECT_EQ(target->GetChunk(0), chunk);
        EXPECT_EQ(target->GetChunk(0)->GetInfluenceMatrices().size(), c.displayTarget ? 2u : 0u);
        EXPECT_EQ(target->GetBones()[1].levels[0].sets.size(), sets);
    }
}

TEST(SkinnedChunkEditsTest, BlendIndicesAreRenumberedUntilTheFirstByteThatNamesNoSlot)
{
    struct Case {
        const char* what;
        std::array<uint8_t, 4> bytes;
        std::vector<int> map;
        std::array<uint8_t, 4> expected;
    };
    const Case cases[] = {
        {"every byte", {0, 3, 6, 0}, {2, 0, 1}, {6, 0, 3, 6}},
        {"stops at a byte past the slots", {3, 9, 0, 3}, {2, 0, 1}, {0, 9, 0, 3}},
        {"a first byte out of range changes nothing", {0xFE, 0, 3, 6}, {2, 0, 1}, {0xFE, 0, 3, 6}},
        {"a map shorter than the slots", {6, 0, 3, 0}, {1, 2}, {6, 0, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Zel::GeometryChunk chunk(2, 0, 0, 0, 4, 1u << Zel::ItemPosition | 1u << Zel::ItemBlendIndices);
        for (int bone : {7, 8, 9})
            chunk.AddInfluenceMatrix(bone);
        Zel::VertexStream blend = chunk.GetItem(Zel::ItemBlendIndices);
        memcpy(blend.data, c.bytes.data(), 4);
        memcpy(blend.data + blend.stride, c.bytes.data(), 4);
        ASSERT_TRUE(RemapBlendIndices(1, chunk, c.map));
        EXPECT_EQ(0, memcmp(blend.data, c.bytes.data(), 4));  // before the first vertex: untouched
        std::array<uint8_t, 4> after;
        memcpy(after.data(), blend.data + blend.stride, 4);
        EXPECT_EQ(after, c.expected);
    }
    Zel::GeometryChunk bare(2, 0, 0, 0, 4, 1u << Zel::ItemPosition);
    EXPECT_FALSE(RemapBlendIndices(0, bare, {0}));
    Zel::GeometryChunk blended(2, 0, 0, 0, 4, 1u << Zel::ItemPosition | 1u << Zel::ItemBlendIndices);
    EXPECT_FALSE(RemapBlendIndices(2, blended, {0}));
}
