// Skinned instances: bones bound to the instance's own skeleton, software skinning as weighted sums of bone-moved points, once per frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "mesh/dynamic_indexed_mesh_instance.h"
#include "mesh/mesh_load_fixture.h"
#include "mesh/skinned_mesh_fixture.h"
#include "mesh/pm_writer.h"
#include "mesh/progressive_mesh_instance.h"

using KorvelTest::ArmQuad;
using KorvelTest::ImFile;
using KorvelTest::MeshLoad;
using KorvelTest::Position;
using KorvelTest::SetLocalPoints;

TEST(SkinnedInstanceTest, SoftwareSkinningPlacesEachVertexAtItsWeightedBonePoints)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(ArmQuad()), MeshOk);
    SetLocalPoints(*load.definition);
    ASSERT_FALSE(load.definition->UsesHardwareSkinning());
    KorvelDynamicIndexedMeshInstance instance(nullptr);
    instance.SetUp(nullptr, *load.definition);
    EXPECT_EQ(instance.GetID(), 18);
    ASSERT_NE(instance.GetRootBone(), nullptr);
    EXPECT_EQ(instance.GetRootBone()->name, "root");
    EXPECT_NE(instance.GetChunk(0), load.definition->GetChunk(0));

    instance.UpdateSkin(1);
    EXPECT_EQ(Position(instance, 1), (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(Position(instance, 2), (std::array<float, 3>{1, 1, 0}));
    EXPECT_EQ(Position(instance, 3), (std::array<float, 3>{0.5f, 0.5f, 0}));

    // The arm turns a quarter about z: its (0, 1, 0) swings onto (-1, 0, 0).
    Zel::ParticleBone* arm = const_cast<Zel::ParticleBone*>(instance.GetSkeletonInstance()->FindByName("arm"));
    ASSERT_NE(arm, nullptr);
    arm->orientation[2] = std::sqrt(0.5f);
    arm->orientation[3] = std::sqrt(0.5f);
    instance.UpdateSkin(1);  // the same frame: nothing changes
    EXPECT_EQ(Position(instance, 2), (std::array<float, 3>{1, 1, 0}));
    instance.UpdateSkin(2);
    EXPECT_NEAR(Position(instance, 2)[0], 0.0f, 1e-6);
    EXPECT_NEAR(Position(instance, 2)[1], 0.0f, 1e-6);
    EXPECT_EQ(Position(instance, 0), (std::array<float, 3>{0, 0, 0}));
    // Frame 0 always updates.
    memset(instance.GetChunk(0)->GetItem(Zel::ItemPosition).data, 0x7F, 12);
    instance.UpdateSkin(0);
    EXPECT_EQ(Position(instance, 0), (std::array<float, 3>{0, 0, 0}));
    // The definition keeps its own positions.
    float stored[3];
    memcpy(stored, load.definition->GetChunk(0)->GetItem(Zel::ItemPosition).data + 2 * 12, 12);
    EXPECT_EQ(stored[0], 1.0f);

    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    auto* skinned = dynamic_cast<KorvelDynamicIndexedMeshInstance*>(copy.get());
    ASSERT_NE(skinned, nullptr);
    EXPECT_NE(skinned->GetSkeletonInstance(), instance.GetSkeletonInstance());
    EXPECT_NE(skinned->GetChunk(0), instance.GetChunk(0));
    arm->orientation[2] = 0;
    arm->orientation[3] = 1;
    skinned->UpdateSkin(7);
    // The copy's skeleton was copied turned; turning the original back does not reach it.
    EXPECT_NEAR(Position(*skinned, 2)[0], 0.0f, 1e-6);
}

TEST(SkinnedInstanceTest, TheLastParentlessBoneIsTheRootAndTheOtherStaysStill)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(ArmQuad()), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    instance.MakeChunkUnique(0);
    std::vector<InfluenceDefinition> bones(2);
    bones[0].name = "first";
    bones[0].entries = {{0, {{0, 1.0f, {5, 5, 5}}}}};
    bones[1].name = "second";
    bones[1].position[1] = 2;
    bones[1].entries = {{0, {{1, 1.0f, {1, 0, 0}}, {4, 1.0f, {1, 1, 1}}}}};
    KorvelInfluenceMesh mesh;
    mesh.BuildFromDefinition(bones, false);
    ASSERT_NE(mesh.GetRootBone(), nullptr);
    EXPECT_EQ(mesh.GetRootBone()->name, "second");
    mesh.AttachSkeleton(nullptr);
    mesh.UpdateSkin(instance.GetChunkCount(), instance.GetChunks(), 1, 0);
    // "first" is no root's descendant: its vertex stays cleared. The weight on
    // vertex 4 of a four-vertex chunk is ignored.
    EXPECT_EQ(Position(instance, 0), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(Position(instance, 1), (std::array<float, 3>{1, 2, 0}));
}

TEST(SkinnedInstanceTest, SkinnedProgressiveInstancesSkinTheirOwnChunksAtEveryDetail)
{
    ImFile file = ArmQuad();
    KorvelTest::PmBlock block;
    block.levels = {{}, {{0, {{0, 1, 1, {0}}}}}};
    file.tail = KorvelTest::WritePm(block);
    std::string bytes = KorvelTest::WriteIm(file);
    MeshLoad load;
    KorvelProgressiveMeshDefinition definition;
    definition.GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), load.resource.name);
    ASSERT_EQ(definition.Load(&load.display, &load.materials, &load.resource, load.resource.name, 0xFFFFFFFFu), MeshOk);
    SetLocalPoints(definition);

    KorvelDynamicProgressiveMeshInstance instance(nullptr);
    instance.SetUp(nullptr, definition);
    EXPECT_EQ(instance.GetID(), 20);
    ASSERT_NE(instance.GetRootBone(), nullptr);
    EXPECT_EQ(instance.GetRootBone()->name, "root");
    EXPECT_NE(instance.GetChunk(0), definition.GetChunk(0));
    EXPECT_EQ(instance.GetCurrentLevel(), 1u);
    instance.UpdateSkin(1);
    EXPECT_EQ(Position(instance, 2), (std::array<float, 3>{1, 1, 0}));
    EXPECT_EQ(Position(instance, 3), (std::array<float, 3>{0.5f, 0.5f, 0}));
    instance.CoarsenToFaces(0);
    EXPECT_EQ(instance.GetCurrentLevel(), 0u);

    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    auto* skinned = dynamic_cast<KorvelDynamicProgressiveMeshInstance*>(copy.get());
    ASSERT_NE(skinned, nullptr);
    EXPECT_EQ(skinned->GetCurrentLevel(), 0u);
    EXPECT_NE(skinned->GetChunk(0), instance.GetChunk(0));
    ASSERT_NE(skinned->GetSkeletonInstance(), nullptr);
    EXPECT_NE(skinned->GetSkeletonInstance(), instance.GetSkeletonInstance());
    // Turning the original's arm moves its vertices only.
    Zel::ParticleBone* arm = const_cast<Zel::ParticleBone*>(instance.GetSkeletonInstance()->FindByName("arm"));
    arm->orientation[2] = std::sqrt(0.5f);
    arm->orientation[3] = std::sqrt(0.5f);
    instance.UpdateSkin(2);
    skinned->UpdateSkin(2);
    EXPECT_NEAR(Position(instance, 2)[0], 0.0f, 1e-6);
    EXPECT_EQ(Position(*skinned, 2), (std::array<float, 3>{1, 1, 0}));
    // The definition keeps its own positions.
    float stored[3];
    memcpy(stored, definition.GetChunk(0)->GetItem(Zel::ItemPosition).data + 2 * 12, 12);
    EXPECT_EQ(stored[1], 1.0f);
}
