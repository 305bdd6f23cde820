// LOD instances: the collision level, level choice by metric with a lock, hidden nodes, lighting per level, copies, and the skinned kind's far band.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "mesh/indexed_mesh_lod_instance.h"
#include "mesh/lm_writer.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

using KorvelTest::LmFile;
using KorvelTest::QuadLevel;

namespace {

struct LodLoad {
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    KorvelIndexedMeshLODDefinition definition;

    int Load(const LmFile& file)
    {
        resource.name = "assets/lok/lok.lm";
        std::string bytes = KorvelTest::WriteLm(file);
        definition.GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), resource.name);
        int result = definition.Load(&display, &materials, &resource, resource.name, 0xFFFFFFFFu);
        return result == MeshOk ? definition.CompleteLoad(nullptr) : result;
    }
};

// Distances 10 and 20, a named-only level "night" at 2; render cut-off 8,
// attachment cut-off 50, a cull attachment "lamp".
LmFile Levels()
{
    LmFile file;
    file.levels = {QuadLevel(10, 4), QuadLevel(20, 2), QuadLevel(-1, 1)};
    file.named = {{2, "night", false}};
    file.tuning[3] = 8;   // render cut-off: the draw minimum
    file.tuning[4] = 50;  // attachment cut-off
    file.attachments.resize(1);
    file.attachments[0].name = "lamp:Cull";
    return file;
}

}  // namespace

TEST(LodInstanceTest, TheCollisionLevelIsTheNamedOneElseTheLastNumbered)
{
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "named collision" : "no collision level");
        LodLoad load;
        LmFile file = Levels();
        if (named)
            file.named.push_back({0, "collision", false});
        ASSERT_EQ(load.Load(file), MeshOk);
        KorvelIndexedMeshLODInstance instance(nullptr);
        instance.Init(nullptr, load.definition);
        EXPECT_EQ(instance.GetID(), 21);
        EXPECT_EQ(instance.CountLODs(), 3u);
        EXPECT_EQ(instance.GetCurrentLevel(), named ? 0u : 1u);
        EXPECT_TRUE(instance.GetChunks().SameBlock(load.definition.GetLevel(named ? 0 : 1).chunks));
        EXPECT_EQ(instance.FindNamedIndex("night"), 2);
        EXPECT_EQ(instance.FindNamedIndex("day"), -1);
        EXPECT_FALSE(instance.AddChunk(instance.GetChunk(0), instance.GetMaterial(0)));
    }
}

TEST(LodInstanceTest, CullPicksTheLevelHidesFarNodesAndKeepsTheDrawMinimum)
{
    LodLoad load;
    ASSERT_EQ(load.Load(Levels()), MeshOk);
    KorvelIndexedMeshLODInstance instance(nullptr);
    instance.Init(nullptr, load.definition);
    ASSERT_EQ(instance.GetHiddenNodes().size(), 1u);
    EXPECT_EQ(instance.GetHiddenNodes()[0].first, "lamp");
    struct Step {
        float metric;
        bool drawn;
        uint32_t level;
        bool hidden;
    };
    const Step steps[] = {{5, false, 0, false}, {9, true, 0, false}, {15, true, 0, false},
                          {25, true, 1, false}, {60, true, 1, true}, {12, true, 0, false}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.metric);
        EXPECT_EQ(instance.Cull(step.metric), step.drawn);
        EXPECT_EQ(instance.GetDrawnLevel(), step.level);
        EXPECT_EQ(instance.GetHiddenNodes()[0].second, step.hidden);
    }
    instance.LockLevel(true);
    instance.Cull(25);
    EXPECT_EQ(instance.GetDrawnLevel(), 0u);

    // A copy draws whatever the metric: its draw minimum is 0.
    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    auto* lod = dynamic_cast<KorvelIndexedMeshLODInstance*>(copy.get());
    ASSERT_NE(lod, nullptr);
    EXPECT_TRUE(lod->Cull(1));
    EXPECT_EQ(lod->CountLODs(), 3u);
    EXPECT_EQ(lod->GetCurrentLevel(), instance.GetCurrentLevel());

    // A LOD node keeps the scale without refitting its volume.
    const float extent = instance.GetBoundingVolume().extents[0];
    ASSERT_GT(extent, 0.0f);
    const float twice[3] = {2, 2, 2};
    instance.SetScale(twice);
    EXPECT_TRUE(instance.IsScaled());
    EXPECT_EQ(instance.GetBoundingVolume().extents[0], extent);
}

TEST(LodInstanceTest, EachDirtyLevelIsRelitOnceAndTheChangedMarkClearsWhenAllWere)
{
    LodLoad load;
    ASSERT_EQ(load.Load(Levels()), MeshOk);
    KorvelIndexedMeshLODInstance instance(nullptr);
    instance.Init(nullptr, load.definition);
    EXPECT_TRUE(instance.LightsChanged());
    EXPECT_TRUE(instance.UpdateLODLighting(0, false));
    EXPECT_FALSE(instance.UpdateLODLighting(0, false));
    EXPECT_TRUE(instance.UpdateLODLighting(1, false));
    EXPECT_TRUE(instance.LightsChanged());
    EXPECT_TRUE(instance.UpdateLODLighting(2, false));
    EXPECT_FALSE(instance.LightsChanged());
    EXPECT_TRUE(instance.UpdateLODLighting(2, true));
    EXPECT_EQ(instance.GetLightingCalculations(), 4u);
    instance.SetUpdateLighting(true);
    EXPECT_TRUE(instance.LightsChanged());
    EXPECT_TRUE(instance.UpdateLODLighting(1, false));
}

TEST(LodInstanceTest, SkinnedLevelsFollowTheFarBandAndSkinTheDrawnAndKeptLevels)
{
    LodLoad load;
    LmFile file = Levels();
    file.tuning[0] = 10;   // the margin
    file.tuning[2] = 100;  // bone-hide distance
    file.named = {{2, "night", true}};
    file.boneTable = {{"root", ""}};
    for (auto& level : file.levels) {
        level.weights = {{{0, {{0, 1.0f}, {1, 1.0f}, {2, 1.0f}, {3, 1.0f}}}}};
        level.chunks[0].geometry.weightsPerVertex = 1;
    }
    ASSERT_EQ(load.Load(file), MeshOk);
    KorvelDynamicIndexedMeshLODInstance instance(nullptr);
    instance.SetUp(nullptr, load.definition);
    EXPECT_EQ(instance.GetID(), 22);
    EXPECT_EQ(instance.GetKeepAnimatedLevels(), std::vector<uint32_t>{2});
    ASSERT_NE(instance.GetSkeletonInstance(), nullptr);
    // The software levels have chunks of their own.
    EXPECT_NE(instance.GetRecord(2).chunks[0], load.definition.GetLevel(2).chunks[0]);

    struct Step {
        float metric;
        bool far;
    };
    // The far bit starts set; far beyond 110, near below 90, unchanged between.
    EXPECT_TRUE(instance.IsFar());
    const Step steps[] = {{85, false}, {95, false}, {120, true}, {95, true}, {105, true}, {85, false}, {105, false}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.metric);
        instance.Cull(step.metric);
        instance.UpdateSkins(1);
        EXPECT_EQ(instance.IsFar(), step.far);
        EXPECT_EQ(instance.BoneNodesHidden(), step.far);
    }
    // Every weight's local point is the origin: skinned positions collapse to the root's.
    float position[3] = {9, 9, 9};
    memcpy(position, instance.GetRecord(2).chunks[0]->GetItem(Zel::ItemPosition).data + 12, 12);
    EXPECT_EQ(position[0], 0.0f);
}
