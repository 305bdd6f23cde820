// What a load derives: the bone tree from influences, packed blend data, texel scale and the oriented box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "mesh/mesh_load_fixture.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

namespace {

KorvelTest::ImInfluence Influence(const std::string& name, const std::string& parent,
                                  std::vector<KorvelTest::ImWeight> weights = {})
{
    KorvelTest::ImInfluence influence;
    influence.name = name;
    influence.parent = parent;
    if (!weights.empty())
        influence.entries = {{0, weights}};
    return influence;
}

std::vector<std::string> ChildNames(const Zel::ParticleBone& bone)
{
    std::vector<std::string> names;
    for (const auto& child : bone.children)
        names.push_back(child->name);
    return names;
}

}  // namespace

TEST(MeshDerivedDataTest, SkeletonHangsOrphansAndLaterRootsUnderTheFirstRoot)
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.writeInfluences = true;
    file.influences = {Influence("root", ""), Influence("arm", "root"), Influence("hand", "nowhere"),
                       Influence("second", ""), Influence("finger", "arm")};
    MeshLoad load;
    ASSERT_EQ(load.Load(file), MeshOk);
    const Zel::ParticleBone* root = load.definition->GetSkeleton();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name, "root");
    EXPECT_EQ(ChildNames(*root), (std::vector<std::string>{"arm", "hand", "second"}));
    EXPECT_EQ(ChildNames(*root->FindByName("arm")), std::vector<std::string>{"finger"});
    EXPECT_EQ(load.definition->GetInfluences()[2].parent, "root");
    EXPECT_EQ(load.definition->GetInfluences()[3].parent, "root");
}

TEST(MeshDerivedDataTest, PackedBlendDataTakesFourWeightsThenStartsAgain)
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.chunks[0].geometry.weightsPerVertex = 4;
    file.maxInfluences = 4;
    file.maxBones = 8;
    file.writeInfluences = true;
    // Vertex 0 gets five weights; vertex 1 one of 0.5; vertex 99 is not in the chunk.
    for (int bone = 0; bone < 5; ++bone) {
        std::vector<KorvelTest::ImWeight> weights = {{0, 0.1f * static_cast<float>(bone + 1)}};
        if (bone == 0) {
            weights.push_back({1, 0.5f});
            weights.push_back({99, 1.0f});
            weights.push_back({2, 1.0f});
        }
        file.influences.push_back(Influence("b" + std::to_string(bone), bone ? "b0" : "", weights));
    }
    MeshLoad load;
    load.display.SetCapability(29, true);
    ASSERT_EQ(load.Load(file), MeshOk);
    ASSERT_TRUE(load.definition->UsesHardwareSkinning());
    Zel::GeometryChunk* chunk = load.definition->GetChunk(0);
    EXPECT_EQ(chunk->GetInfluenceMatrices().size(), 5u);
    Zel::VertexStream weights = chunk->GetItem(Zel::ItemPackedWeights);
    Zel::VertexStream indices = chunk->GetItem(Zel::ItemBlendIndices);
    ASSERT_TRUE(weights && indices);
    auto word = [](Zel::VertexStream stream, int vertex) {
        uint32_t value;
        memcpy(&value, stream.data + static_cast<size_t>(vertex) * stream.stride, 4);
        return value;
    };
    // The fifth weight (0.5 -> 127) restarts at slot 0 with register 3 * 4.
    EXPECT_EQ(word(weights, 0), 127u);
    EXPECT_EQ(word(indices, 0), 12u + 0xFE00u);
    EXPECT_EQ(word(weights, 1), 127u);
    EXPECT_EQ(word(weights, 2), 255u);
    EXPECT_EQ(word(indices, 2), 0xFE00u);
    EXPECT_EQ(word(weights, 3), 0xFF000000u);  // untouched: as initialised
}

TEST(MeshDerivedDataTest, TexelScaleAndOrientedBox)
{
    struct Case {
        float size;
        bool uvs;
        float texelScale;
    } cases[] = {{2, true, 2}, {2, false, 0}, {8, true, 8}};
    for (const Case& c : cases) {
        ImFile file;
        file.chunks.push_back(KorvelTest::QuadChunk("body.m.onetex", c.size));
        if (!c.uvs)
            file.chunks[0].geometry.uvSets = {{}};
        MeshLoad load;
        ASSERT_EQ(load.Load(file), MeshOk);
        EXPECT_FLOAT_EQ(load.definition->GetTexelScale(), c.texelScale) << c.size;
        const Zel::OrientedBox& box = load.definition->GetOrientedBox();
        float extents[3] = {box.extents[0], box.extents[1], box.extents[2]};
        std::sort(extents, extents + 3);
        EXPECT_NEAR(extents[0], 0, 1e-4);
        EXPECT_NEAR(extents[1], c.size / 2, 1e-3);
        EXPECT_NEAR(extents[2], c.size / 2, 1e-3);
        EXPECT_NEAR(box.centre[0], c.size / 2, 1e-3);
    }
}
