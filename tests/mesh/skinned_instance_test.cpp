// Skinned instances: bones bound to the instance's own skeleton, software skinning as weighted sums of bone-moved points, once per frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "mesh/dynamic_indexed_mesh_instance.h"
#include "mesh/mesh_load_fixture.h"
#include "mesh/pm_writer.h"
#include "mesh/progressive_mesh_instance.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

namespace {

// A quad skinned by "root" (vertices 0 and 1) and "arm", one unit along x
// (vertices 2 and 3, half each with root for vertex 3).
ImFile ArmQuad()
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.chunks[0].geometry.weightsPerVertex = 2;
    file.maxInfluences = 2;
    file.maxBones = 2;
    file.writeInfluences = true;
    file.influences.resize(2);
    file.influences[0].name = "root";
    file.influences[0].entries = {{0, {{0, 1.0f}, {1, 1.0f}, {3, 0.5f}, {9, 1.0f}}}};
    file.influences[1].name = "arm";
    file.influences[1].parent = "root";
    file.influences[1].position[0] = 1;
    file.influences[1].entries = {{0, {{2, 1.0f}, {3, 0.5f}}}};
    return file;
}

// Local points: what each weight moves (the bind pose puts vertex v there).
void SetLocalPoints(KorvelIndexedMeshDefinition& definition)
{
    auto& influences = const_cast<std::vector<InfluenceDefinition>&>(definition.GetInfluences());
    float root[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}};
    for (InfluenceWeight& w : influences[0].entries[0].weights) {
        if (w.vertex < 4)
            memcpy(w.extra, root[w.vertex], 12);
    }
    influences[1].entries[0].weights[0].extra[1] = 1;  // vertex 2: (0, 1, 0) from the arm
    influences[1].entries[0].weights[1].extra[1] = 1;  // vertex 3: half of it
}

std::array<float, 3> Position(const KorvelIndexedMeshInstance& instance, uint32_t vertex)
{
    std::array<float, 3> p;
    memcpy(p.data(), instance.GetChunk(0)->GetItem(Zel::ItemPosition).data + size_t{vertex} * 12, 12);
    return p;
}

}  // namespace

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
