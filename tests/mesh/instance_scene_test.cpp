// Mesh instances as scene nodes: attachment and reference points, the skeleton as a child carrying chunks, cull and render against a viewpoint and a recording display, opacity, bounds and lighting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "mesh/dynamic_indexed_mesh_instance.h"
#include "mesh/indexed_mesh_lod_instance.h"
#include "mesh/lm_writer.h"
#include "mesh/mesh_load_fixture.h"
#include "mesh/skinned_mesh_fixture.h"
#include "zel/display.h"
#include "zel/parallel_light.h"
#include "zel/view_point.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

namespace {

// Two quads carried by the bones "hull" and its child "turret", an
// attachment point and a reference point.
ImFile Turret()
{
    ImFile file;
    file.chunks = {KorvelTest::QuadChunk(), KorvelTest::QuadChunk()};
    file.chunks[0].geometry.boneName = "hull";
    file.chunks[1].geometry.boneName = "turret";
    file.skeleton = KorvelTest::SkeletonBytes(KorvelTest::BoneBytes("hull", {KorvelTest::BoneBytes("turret", {})}));
    file.writeAttachments = true;
    file.attachments.resize(2);
    file.attachments[0].name = "a.hatch";
    file.attachments[0].position[2] = 3;
    file.attachments[1].name = "p.centre";
    return file;
}

int DrawsOf(const Zel::Display& display, const Zel::GeometryChunk* chunk)
{
    return static_cast<int>(std::count_if(display.GetEvents().begin(), display.GetEvents().end(), [&](const auto& e) {
        return e.kind == Zel::DisplayEventKind::Draw && e.object == chunk;
    }));
}

// One frame: the display and the viewpoint move on, the scene is culled, the instance rendered.
void Frame(Zel::Display& display, Zel::ViewPoint& viewpoint, KorvelIndexedMeshInstance& instance)
{
    display.NextFrame();
    display.ClearEvents();
    viewpoint.SetFrameNumber(display.GetFrameNumber());
    viewpoint.Clear();
    instance.Cull(viewpoint, Zel::Matrix4::Identity());
    if (!viewpoint.GetEntries().empty())
        instance.Render(&display, Zel::Viewport(), Zel::Matrix4::Identity());
}

}  // namespace

TEST(InstanceSceneTest, AnInstanceHungBelowAnotherIsQueuedBeforeItWithItsOwnMatrix)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(Turret()), MeshOk);
    KorvelIndexedMeshInstance outer(nullptr);
    outer.Init(nullptr, *load.definition);
    Zel::Particle* turret = outer.FindByName("turret");
    ASSERT_NE(turret, nullptr);
    auto* inner = turret->Add(std::make_unique<KorvelIndexedMeshInstance>(nullptr));
    inner->Init(nullptr, *load.definition);
    inner->SetPosition({0, 0, 2});
    Zel::ViewPoint viewpoint(3);
    outer.Cull(viewpoint, Zel::Matrix4::Identity());
    ASSERT_EQ(viewpoint.GetEntries().size(), 2u);
    EXPECT_EQ(viewpoint.GetEntries()[0].particle, inner);
    EXPECT_EQ(viewpoint.GetEntries()[1].particle, &outer);
    const Zel::Matrix4 placed = inner->GetLocalToGlobalMatrix();
    EXPECT_EQ(memcmp(viewpoint.GetEntries()[0].matrix.m, placed.m, sizeof placed.m), 0);
    EXPECT_EQ(inner->GetLastCulledFrame(), 3u);
}

TEST(InstanceSceneTest, TheSkeletonIsAChildAndItsCulledBonesCarryTheirChunks)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(Turret()), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.Init(nullptr, *load.definition);
    ASSERT_NE(instance.FindAttachmentPoint("a.hatch"), nullptr);
    EXPECT_EQ(instance.GetReferencePoints().size(), 1u);
    Zel::Particle* hull = instance.FindByName("hull");
    ASSERT_NE(hull, nullptr);
    EXPECT_EQ(hull->parent, &instance);
    ASSERT_EQ(instance.GetBoneParticles().size(), 2u);
    EXPECT_EQ(instance.GetBoneParticles()[1], instance.FindByName("turret"));

    Zel::Display display;
    Zel::ViewPoint viewpoint;
    Frame(display, viewpoint, instance);
    ASSERT_EQ(viewpoint.GetEntries().size(), 1u);
    EXPECT_EQ(viewpoint.GetEntries()[0].particle, &instance);
    EXPECT_EQ(DrawsOf(display, instance.GetChunk(0)), 1);
    EXPECT_EQ(DrawsOf(display, instance.GetChunk(1)), 1);

    // A hidden turret is not culled, so its chunk is not drawn.
    instance.GetBoneParticles()[1]->SetHidden(true);
    Frame(display, viewpoint, instance);
    EXPECT_EQ(DrawsOf(display, instance.GetChunk(0)), 1);
    EXPECT_EQ(DrawsOf(display, instance.GetChunk(1)), 0);

    // A copy has its own skeleton.
    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    EXPECT_EQ(copy->GetChunk(0), instance.GetChunk(0));
}

TEST(InstanceSceneTest, OpacityBoundsAndLightingOfAPlainInstance)
{
    MeshLoad load;
    ImFile file;
    file.chunks = {KorvelTest::QuadChunk()};
    ASSERT_EQ(load.Load(file), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.Init(nullptr, *load.definition);
    EXPECT_TRUE(instance.GetBoneParticles().empty());

    Zel::BoundingSphere sphere = instance.GetGlobalBoundingSphere();
    EXPECT_GT(sphere.radius, 0.0f);
    const float twice[3] = {2, 2, 2};
    instance.SetScale(twice);
    EXPECT_FLOAT_EQ(instance.GetGlobalBoundingSphere().radius, 2 * sphere.radius);

    Zel::Display display;
    Zel::ViewPoint viewpoint;
    Zel::ParallelLight sun({0, 0, 10}, Zel::Quaternion(), 100, {1, 1, 1, 1});
    instance.AddLight(&sun);
    Frame(display, viewpoint, instance);
    Frame(display, viewpoint, instance);
    // Lit once, when the lights had changed.
    EXPECT_EQ(instance.GetCalculationCount(), 1u);
    EXPECT_EQ(instance.GetLightList().size(), 1u);

    instance.SetOpacity(0.5f);
    EXPECT_EQ(instance.GetChunk(0)->GetOpacity(), 0.5f);
    EXPECT_EQ(instance.Zel::Particle::GetOpacity(), 0.5f);
    // A transparent instance is culled but never queued.
    instance.SetOpacity(0);
    Frame(display, viewpoint, instance);
    EXPECT_TRUE(viewpoint.GetEntries().empty());
    EXPECT_EQ(instance.GetLastCulledFrame(), display.GetFrameNumber());
}

TEST(InstanceSceneTest, GeometryDrawsStraightToTheDisplayAndSkinsFirst)
{
    MeshLoad load;
    ImFile file = KorvelTest::OneBoneQuad();
    file.influences[0].position[1] = 4;
    ASSERT_EQ(load.Load(file), MeshOk);
    KorvelDynamicIndexedMeshInstance instance(nullptr);
    instance.SetUp(nullptr, *load.definition);
    Zel::Display display;
    display.NextFrame();
    EXPECT_TRUE(instance.WasNotCulledThisFrame(display));
    Zel::ViewPoint viewpoint(display.GetFrameNumber());
    instance.Cull(viewpoint, Zel::Matrix4::Identity());
    EXPECT_FALSE(instance.WasNotCulledThisFrame(display));
    instance.RenderGeometry(&display, Zel::Viewport(), Zel::Matrix4::Identity(), true);
    EXPECT_EQ(DrawsOf(display, instance.GetChunk(0)), 1);
    // Lit, as asked: the material recorded its lighting state.
    EXPECT_TRUE(std::any_of(display.GetEvents().begin(), display.GetEvents().end(),
                            [](const auto& e) { return e.kind == Zel::DisplayEventKind::SetLighting && e.a == 1; }));
    float y = 0;
    memcpy(&y, instance.GetChunk(0)->GetItem(Zel::ItemPosition).data + 4, 4);
    EXPECT_EQ(y, 4.0f);
}

TEST(InstanceSceneTest, SkinnedInstancesHangTheirSkeletonBelowThemAndSkinBeforeDrawing)
{
    ImFile file = KorvelTest::OneBoneQuad();
    file.influences[0].position[0] = 7;
    MeshLoad load;
    ASSERT_EQ(load.Load(file), MeshOk);
    KorvelDynamicIndexedMeshInstance instance(nullptr);
    instance.SetUp(nullptr, *load.definition);
    ASSERT_NE(instance.GetSkeletonInstance(), nullptr);
    EXPECT_EQ(instance.GetSkeletonInstance()->parent, &instance);
    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    auto* skinned = dynamic_cast<KorvelDynamicIndexedMeshInstance*>(copy.get());
    ASSERT_NE(skinned, nullptr);
    EXPECT_EQ(skinned->GetSkeletonInstance()->parent, skinned);

    Zel::Display display;
    Zel::ViewPoint viewpoint;
    Frame(display, viewpoint, instance);
    // The render skinned vertex 0 by the root, seven units along x.
    float x = 0;
    memcpy(&x, instance.GetChunk(0)->GetItem(Zel::ItemPosition).data, 4);
    EXPECT_EQ(x, 7.0f);
    EXPECT_EQ(DrawsOf(display, instance.GetChunk(0)), 1);
}

TEST(InstanceSceneTest, LodInstancesCullByCameraDistanceAndHideFarAttachments)
{
    KorvelTest::LmFile file;
    file.levels = {KorvelTest::QuadLevel(0), KorvelTest::QuadLevel(100)};
    file.tuning[4] = 50;  // attachment cut-off
    file.attachments.resize(1);
    file.attachments[0].name = "a.lamp:Cull";
    std::string bytes = KorvelTest::WriteLm(file);
    Zel::DisplayCapabilities capabilities;
    Zel::MaterialManager materials;
    MeshResource resource;
    resource.name = "assets/lok/lok.lm";
    KorvelIndexedMeshLODDefinition definition;
    definition.GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), resource.name);
    ASSERT_EQ(definition.Load(&capabilities, &materials, &resource, resource.name, 0xFFFFFFFFu), MeshOk);
    ASSERT_EQ(definition.CompleteLoad(nullptr), MeshOk);
    KorvelIndexedMeshLODInstance instance(nullptr);
    instance.Init(nullptr, definition);
    Zel::Particle* lamp = instance.FindByName("a.lamp");
    ASSERT_NE(lamp, nullptr);

    struct Step {
        float cameraX;
        uint32_t level;
        bool lampHidden;
    };
    const Step steps[] = {{10, 0, false}, {200, 1, true}, {30, 0, false}};
    Zel::Display display;
    Zel::ViewPoint viewpoint;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.cameraX);
        viewpoint.SetCameraPosition({step.cameraX, 0, 0});
        Frame(display, viewpoint, instance);
        EXPECT_EQ(instance.GetDrawnLevel(), step.level);
        EXPECT_EQ(lamp->IsHidden(), step.lampHidden);
        EXPECT_EQ(viewpoint.GetEntries().size(), 1u);
        EXPECT_EQ(DrawsOf(display, instance.GetRecord(step.level).chunks[0]), 1);
    }
    // Each level was lit once, the first time it was drawn.
    EXPECT_EQ(instance.GetLightingCalculations(), 2u);
    EXPECT_FALSE(instance.LightsChanged());
}
