// The scene tree: ownership, search and enumeration order, frames between nodes, bounds, culling of hidden nodes, bones, attachment points, lights, scenes and detail.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "zel/attachment_point.h"
#include "zel/light_target.h"
#include "zel/parallel_light.h"
#include "zel/particle.h"
#include "zel/particle_bone.h"
#include "zel/particle_structure.h"
#include "zel/render_kernel.h"
#include "zel/scalable_detail.h"
#include "zel/scene_graph.h"
#include "zel/view_point.h"

namespace {

constexpr float kPi = 3.14159265358979f;

Zel::Particle* AddNamed(Zel::Particle& parent, const std::string& name)
{
    return parent.Add(std::make_unique<Zel::Particle>(name));
}

std::vector<std::string> Names(const std::vector<const Zel::Particle*>& nodes)
{
    std::vector<std::string> names;
    for (const Zel::Particle* node : nodes)
        names.push_back(node->name);
    return names;
}

// top { a { dup, b { deep } }, dup { c } }
struct SmallTree {
    Zel::Particle top{"top"};
    Zel::Particle* a = AddNamed(top, "a");
    Zel::Particle* firstDup = AddNamed(*a, "dup");
    Zel::Particle* b = AddNamed(*a, "b");
    Zel::Particle* deep = AddNamed(*b, "deep");
    Zel::Particle* secondDup = AddNamed(top, "dup");
    Zel::Particle* c = AddNamed(*secondDup, "c");
};

void ExpectNear(const Zel::Vector3& got, const Zel::Vector3& want, const std::string& what)
{
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(got[k], want[k], 1e-4f) << what << " [" << k << "]";
}

}  // namespace

TEST(SceneParticleTest, SearchAndEnumerationGoDepthFirstSelfFirst)
{
    SmallTree tree;
    const Zel::Particle& top = tree.top;
    EXPECT_EQ(Names(top.EnumerateParticles()), (std::vector<std::string>{"top", "a", "dup", "b", "deep", "dup", "c"}));
    struct Case {
        const char* name;
        const Zel::Particle* want;
    } cases[] = {{"top", &tree.top}, {"dup", tree.firstDup}, {"deep", tree.deep}, {"c", tree.c}, {"none", nullptr}};
    for (const Case& c : cases)
        EXPECT_EQ(top.FindByName(c.name), c.want) << c.name;
    // Self before children even when a child has the same name.
    EXPECT_EQ(tree.secondDup->FindByName("dup"), tree.secondDup);
}

TEST(SceneParticleTest, AddRefusesNodesThatWouldBreakTheTreeAndRemoveHandsOwnershipBack)
{
    SmallTree tree;
    EXPECT_EQ(tree.top.Add(std::unique_ptr<Zel::Particle>()), nullptr);
    // An ancestor below its own descendant: the tree would own itself. The
    // refused node stays with the caller.
    auto owner = std::make_unique<Zel::Particle>("owner");
    Zel::Particle* inner = AddNamed(*owner, "inner");
    EXPECT_EQ(inner->Add(std::move(owner)), nullptr);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(inner->Add(std::make_unique<Zel::Particle>("leaf"))->parent, inner);
    std::unique_ptr<Zel::Particle> stray = tree.b->Remove(tree.deep);
    ASSERT_NE(stray, nullptr);
    EXPECT_EQ(stray->parent, nullptr);
    EXPECT_EQ(tree.top.FindByName("deep"), nullptr);
    EXPECT_EQ(tree.b->Remove(tree.c), nullptr);  // not a child of b
    Zel::Particle* back = tree.top.Add(std::move(stray));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->parent, &tree.top);
    EXPECT_EQ(tree.top.GetChildren().back().get(), back);
}

TEST(SceneParticleTest, DeletingAnAttachedNodeTakesItOutOfItsParent)
{
    SmallTree tree;
    // Deleted directly, as an owner outside the tree deletes what it hung in.
    delete tree.b;
    EXPECT_EQ(Names(static_cast<const Zel::Particle&>(tree.top).EnumerateParticles()),
              (std::vector<std::string>{"top", "a", "dup", "dup", "c"}));
    EXPECT_EQ(tree.a->GetChildren().size(), 1u);
    // A subtree given back by Remove and dropped goes alone.
    tree.top.Remove(tree.secondDup).reset();
    EXPECT_EQ(tree.top.FindByName("c"), nullptr);
    EXPECT_EQ(tree.top.GetChildren().size(), 1u);
}

TEST(SceneParticleTest, AChainOfAQuarterMillionBonesIsSearchedAndDestroyedWithoutDeepNesting)
{
    constexpr int kDepth = 250000;
    auto top = std::make_unique<Zel::ParticleBone>("bone0");
    Zel::ParticleBone* last = top.get();
    for (int i = 1; i < kDepth; ++i)
        last = last->Add(std::make_unique<Zel::ParticleBone>("bone" + std::to_string(i)));
    EXPECT_EQ(top->FindByName("bone" + std::to_string(kDepth - 1)), last);
    EXPECT_EQ(static_cast<const Zel::Particle&>(*top).EnumerateParticles().size(), static_cast<size_t>(kDepth));
    // Half the chain deleted from the middle, then the rest with the top.
    Zel::Particle* middle = top->FindByName("bone" + std::to_string(kDepth / 2));
    delete middle;
    EXPECT_EQ(top->FindByName("bone" + std::to_string(kDepth - 1)), nullptr);
    top.reset();
}

TEST(SceneParticleTest, GlobalToLocalUndoesLocalToGlobalAtEveryDepth)
{
    Zel::Particle top("top");
    top.SetLocalTransformation({{5, -2, 1}, Zel::Quaternion::FromAxisAngle({0, 0, 1}, kPi / 2)});
    Zel::Particle* arm = AddNamed(top, "arm");
    arm->SetLocalTransformation({{0, 3, 0}, Zel::Quaternion::FromAxisAngle({1, 1, 1}, 2 * kPi / 3)});
    Zel::Particle* hand = AddNamed(*arm, "hand");
    hand->SetLocalTransformation({{1, 0, -2}, Zel::Quaternion::FromAxisAngle({1, 0, 0}, kPi)});
    Zel::Particle* point = AddNamed(*hand, "point");

    const Zel::Transformation wanted[] = {
        {{0, 0, 0}, {}},
        {{1, 2, 3}, Zel::Quaternion::FromAxisAngle({0, 1, 0}, 0.7f)},
        {{-8, 0.5f, 4}, Zel::Quaternion::FromAxisAngle({1, -1, 2}, kPi)},
    };
    for (Zel::Particle* node : {static_cast<Zel::Particle*>(&top), arm, hand, point}) {
        for (const Zel::Transformation& global : wanted) {
            Zel::Vector3 p = global.position;
            Zel::Quaternion q = global.orientation;
            node->GlobalToLocal(p, q);
            node->SetLocalTransformation({p, q});
            const Zel::Transformation placed = node->GetGlobalTransformation();
            ExpectNear(placed.position, global.position, node->name);
            EXPECT_TRUE(placed.orientation.SameRotation(global.orientation, 1e-4f)) << node->name;
            node->LocalToGlobal(p, q);
            ExpectNear(p, global.position, node->name + " back");
            // The matrix chain agrees with the placement chain.
            float viaMatrix[3];
            const float origin[3] = {0, 0, 0};
            node->GetLocalToGlobalMatrix().TransformPoint(origin, viaMatrix);
            ExpectNear({viaMatrix[0], viaMatrix[1], viaMatrix[2]}, global.position, node->name + " matrix");
        }
    }
}

TEST(SceneParticleTest, PlacementsCanBeTakenInAnAncestorsFrame)
{
    // scene (moved) { mesh (moved, turned) { bone { point } } }
    Zel::Particle scene("scene");
    scene.SetPosition({100, 0, 0});
    Zel::Particle* mesh = AddNamed(scene, "mesh");
    mesh->SetLocalTransformation({{0, 10, 0}, Zel::Quaternion::FromAxisAngle({0, 0, 1}, kPi / 2)});
    Zel::Particle* bone = AddNamed(*mesh, "bone");
    bone->SetLocalTransformation({{1, 0, 0}, Zel::Quaternion::FromAxisAngle({0, 1, 0}, kPi / 3)});
    Zel::Particle* point = AddNamed(*bone, "point");
    const Zel::Transformation wanted = {{2, 3, 4}, Zel::Quaternion::FromAxisAngle({1, 0, 0}, 0.4f)};
    Zel::Vector3 p = wanted.position;
    Zel::Quaternion q = wanted.orientation;
    point->GlobalToLocal(p, q, mesh);
    point->SetLocalTransformation({p, q});
    const Zel::Transformation inMesh = point->GetTransformationIn(mesh);
    ExpectNear(inMesh.position, wanted.position, "in the mesh's frame");
    EXPECT_TRUE(inMesh.orientation.SameRotation(wanted.orientation, 1e-4f));
    // The whole chain differs by the mesh's and the scene's placements.
    ExpectNear(point->GetGlobalTransformation().position, {97, 12, 4}, "in the scene");
    // The parent as the frame leaves the placement as it is.
    Zel::Vector3 same = {5, 6, 7};
    point->GlobalToLocal(same, q, bone);
    ExpectNear(same, {5, 6, 7}, "parent frame");
}

TEST(SceneParticleTest, HiddenNodesAreNotCulledWithEverythingBelowThem)
{
    EXPECT_EQ(Zel::ParticleFlagHidden, 2);
    SmallTree tree;
    tree.a->SetHidden(true);
    tree.a->SetFlag(1, true);  // another bit does not disturb the hidden one
    tree.a->SetFlag(1, false);
    EXPECT_TRUE(tree.a->IsHidden());
    Zel::ViewPoint viewpoint(7);
    tree.top.Cull(viewpoint, tree.top.GetLocalMatrix());
    for (const Zel::Particle* node : tree.top.EnumerateParticles()) {
        const bool belowA = node == tree.a || node->parent == tree.a || node == tree.deep;
        EXPECT_EQ(node->GetLastCulledFrame(), belowA ? 0u : 7u) << node->name;
    }
    tree.a->SetHidden(false);
    viewpoint.SetFrameNumber(8);
    tree.top.Cull(viewpoint, tree.top.GetLocalMatrix());
    EXPECT_EQ(tree.deep->GetLastCulledFrame(), 8u);
}

namespace {

// A node that queues itself once its subtree is culled, as drawable nodes do,
// and notes when the walk reaches and leaves it; it may hide a node as it is
// reached, as a level-of-detail node hides far attachments.
class CullProbe : public Zel::Particle {
public:
    CullProbe(std::string probeName, std::vector<std::string>& log) : Zel::Particle(std::move(probeName)), log_(log) {}
    Zel::Particle* hideOnReach = nullptr;

protected:
    void BeforeCull(Zel::ViewPoint& /*viewpoint*/, const Zel::Matrix4& /*matrix*/) override
    {
        log_.push_back("<" + name);
        if (hideOnReach)
            hideOnReach->SetHidden(true);
    }
    void AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix) override
    {
        log_.push_back(">" + name);
        viewpoint.Add(this, matrix);
    }

private:
    std::vector<std::string>& log_;
};

CullProbe* AddProbe(Zel::Particle& parent, const std::string& name, std::vector<std::string>& log)
{
    return parent.Add(std::make_unique<CullProbe>(name, log));
}

std::vector<std::string> EntryNames(const Zel::ViewPoint& viewpoint)
{
    std::vector<std::string> names;
    for (const Zel::ViewPoint::Entry& entry : viewpoint.GetEntries())
        names.push_back(entry.particle->name);
    return names;
}

}  // namespace

TEST(SceneParticleTest, CullReachesNodesDepthFirstAndQueuesEachAfterItsSubtree)
{
    // top { a { a1, a2 (hidden) { a2x }, plain { p1 } }, b { b1 } }
    std::vector<std::string> log;
    CullProbe top("top", log);
    top.SetPosition({1, 0, 0});
    CullProbe* a = AddProbe(top, "a", log);
    AddProbe(*a, "a1", log);
    CullProbe* a2 = AddProbe(*a, "a2", log);
    a2->SetHidden(true);
    AddProbe(*a2, "a2x", log);
    Zel::Particle* plain = AddNamed(*a, "plain");
    AddProbe(*plain, "p1", log);
    CullProbe* b = AddProbe(top, "b", log);
    b->SetPosition({0, 2, 0});
    CullProbe* b1 = AddProbe(*b, "b1", log);
    b1->SetPosition({0, 0, 3});

    Zel::ViewPoint viewpoint(4);
    top.Cull(viewpoint, top.GetLocalMatrix());
    EXPECT_EQ(log, (std::vector<std::string>{"<top", "<a", "<a1", ">a1", "<a2", ">a2", "<p1", ">p1", ">a", "<b", "<b1",
                                             ">b1", ">b", ">top"}));
    EXPECT_EQ(EntryNames(viewpoint), (std::vector<std::string>{"a1", "a2", "p1", "a", "b1", "b", "top"}));
    // Each node is queued with its own local-to-world matrix.
    const Zel::Matrix4& placed = viewpoint.GetEntries()[4].matrix;
    const Zel::Vector3 origin = {placed.m[3][0], placed.m[3][1], placed.m[3][2]};
    ExpectNear(origin, {1, 2, 3}, "b1's matrix");
    EXPECT_EQ(a2->GetLastCulledFrame(), 0u);
    EXPECT_EQ(b1->GetLastCulledFrame(), 4u);

    // A node hidden as its parent is reached is skipped in that same pass.
    log.clear();
    viewpoint.Clear();
    viewpoint.SetFrameNumber(5);
    top.hideOnReach = b;
    top.Cull(viewpoint, top.GetLocalMatrix());
    EXPECT_EQ(EntryNames(viewpoint), (std::vector<std::string>{"a1", "a2", "p1", "a", "b", "top"}));
    EXPECT_EQ(b1->GetLastCulledFrame(), 4u);
}

TEST(SceneParticleTest, AChainOfAQuarterMillionNodesIsCulledWithoutDeepNesting)
{
    constexpr int kDepth = 250000;
    std::vector<std::string> log;
    CullProbe top("top", log);
    Zel::Particle* last = &top;
    for (int i = 1; i < kDepth; ++i)
        last = AddNamed(*last, "node" + std::to_string(i));
    AddProbe(*last, "bottom", log);
    Zel::ViewPoint viewpoint(9);
    top.Cull(viewpoint, top.GetLocalMatrix());
    EXPECT_EQ(EntryNames(viewpoint), (std::vector<std::string>{"bottom", "top"}));
    EXPECT_EQ(last->GetLastCulledFrame(), 9u);
}

TEST(SceneParticleTest, TheGlobalSphereFollowsThePlacementAndCanHoldTheChildren)
{
    Zel::Particle top("top");
    top.SetBoundingBox({-1, -1, -1}, {1, 1, 1});
    top.SetPosition({10, 0, 0});
    Zel::Particle* child = AddNamed(top, "child");
    child->SetBoundingBox({0, 0, 0}, {0, 0, 0});
    child->SetPosition({0, 5, 0});
    const Zel::BoundingSphere own = top.GetGlobalBoundingSphere();
    ExpectNear(own.centre, {10, 0, 0}, "own");
    EXPECT_NEAR(own.radius, std::sqrt(3.0f), 1e-5f);
    const Zel::BoundingSphere all = top.GetGlobalBoundingSphere(true);
    EXPECT_NEAR(all.radius, (5 + std::sqrt(3.0f)) / 2, 1e-4f);
    // Both spheres lie inside.
    for (const Zel::BoundingSphere& part : {own, child->GetGlobalBoundingSphere()}) {
        float gap = 0;
        for (size_t k = 0; k < 3; ++k)
            gap += (part.centre[k] - all.centre[k]) * (part.centre[k] - all.centre[k]);
        EXPECT_LE(std::sqrt(gap) + part.radius, all.radius + 1e-4f);
    }
}

TEST(SceneParticleTest, TheSphereOfALongChainHoldsItsEveryNodeWithoutDeepNesting)
{
    // Each bone one unit along from its parent, the top moved too: the
    // chain's sphere spans from the top's box to the last bone's.
    constexpr int kDepth = 250000;
    Zel::ParticleBone top("bone0");
    top.SetPosition({-7, 2, 0});
    Zel::ParticleBone* last = &top;
    for (int i = 1; i < kDepth; ++i) {
        last = last->Add(std::make_unique<Zel::ParticleBone>("bone" + std::to_string(i)));
        last->SetPosition({1, 0, 0});
    }
    const Zel::BoundingSphere all = top.GetGlobalBoundingSphere(true);
    const float halfSpan = (kDepth - 1) * 0.5f;
    // Single precision over a quarter million steps: a part in ten thousand.
    const float tolerance = halfSpan * 1e-4f;
    EXPECT_NEAR(all.centre[0], -7 + halfSpan, tolerance);
    EXPECT_NEAR(all.centre[1], 2, tolerance);
    EXPECT_NEAR(all.centre[2], 0, tolerance);
    EXPECT_NEAR(all.radius, halfSpan, tolerance);
    EXPECT_GE(all.radius, halfSpan);
}

TEST(SceneParticleTest, BonesKeepTheirBoxAndSeeOnlyBoneChildren)
{
    Zel::ParticleBone root("root");
    EXPECT_FLOAT_EQ(root.boundsMin[1], -0.01f);
    EXPECT_FLOAT_EQ(root.boundsMax[2], 0.01f);
    Zel::ParticleBone* arm = root.Add(std::make_unique<Zel::ParticleBone>("arm"));
    // A point named like a bone hangs first; the bone search passes over it.
    arm->Add(std::make_unique<Zel::AttachmentPoint>("hand", ""));
    Zel::ParticleBone* hand = arm->Add(std::make_unique<Zel::ParticleBone>("hand"));
    EXPECT_EQ(root.FindByName("hand"), hand);
    EXPECT_EQ(arm->children.size(), 1u);
    std::vector<std::string> names;
    for (const auto& child : arm->children)
        names.push_back(child->name);
    EXPECT_EQ(names, std::vector<std::string>{"hand"});
    EXPECT_EQ(hand->parent, arm);
    arm->SetFrameOrientation(Zel::Quaternion(0, 0, 1, 0));
    arm->SetFramePosition({1, 2, 3});
    EXPECT_FLOAT_EQ(arm->GetFrameOrientation().z, 1.0f);
    EXPECT_FLOAT_EQ(arm->GetFramePosition()[2], 3.0f);
}

TEST(SceneParticleTest, AttachmentPointsHangFromTheNodeTheirNameGives)
{
    struct Split {
        const char* full;
        const char* first;
        const char* second;
    } splits[] = {
        {"a.lamp", "a.lamp", ""}, {"arm/a.lamp", "a.lamp", "arm"}, {"x/y/a.z", "a.z", "x/y"}, {"a/", "", "a"}};
    for (const Split& s : splits) {
        std::string first, second;
        Zel::AttachmentPoint::GetSubNames(s.full, first, second);
        EXPECT_EQ(first, s.first) << s.full;
        EXPECT_EQ(second, s.second) << s.full;
    }

    struct Case {
        const char* node;
        bool useSkeleton;
        bool added;
        const char* hangsFrom;
    } cases[] = {
        {"", false, true, "mesh"},      {"arm", false, true, "mesh"}, {"arm", true, true, "arm"},
        {"root", true, true, "root"},   {"", true, false, nullptr},   {"missing", true, false, nullptr},
        {"mesh", true, false, nullptr},  // the structure itself is not a skeleton node
    };
    for (const Case& c : cases) {
        Zel::ParticleStructure mesh("mesh");
        Zel::ParticleBone* root = mesh.Add(std::make_unique<Zel::ParticleBone>("root"));
        root->Add(std::make_unique<Zel::ParticleBone>("arm"));
        auto point = std::make_unique<Zel::AttachmentPoint>("a.lamp", c.node);
        Zel::AttachmentPoint* raw = point.get();
        EXPECT_EQ(mesh.AddAttachmentPoint(point, c.useSkeleton), c.added) << c.node;
        if (!c.added) {
            EXPECT_EQ(point.get(), raw) << "a refused point stays with the caller";
            continue;
        }
        EXPECT_EQ(point, nullptr);
        ASSERT_NE(raw->parent, nullptr);
        EXPECT_EQ(raw->parent->name, c.hangsFrom);
        EXPECT_EQ(mesh.FindAttachmentPoint("a.lamp"), raw);
    }

    Zel::ParticleStructure mesh("mesh");
    mesh.AddReferencePoint(std::make_unique<Zel::ReferencePoint>("p.eye", Zel::Vector3{1, 2, 3}, Zel::Quaternion()));
    ASSERT_EQ(mesh.GetReferencePoints().size(), 1u);
    EXPECT_FLOAT_EQ(mesh.GetReferencePoints()[0]->position[1], 2.0f);
    EXPECT_TRUE(mesh.GetAttachmentPoints().empty());
}

TEST(SceneParticleTest, LightingIsWorkedOutOnlyWhenTheLightsChangedOrItIsForced)
{
    Zel::Particle scene("scene");
    scene.SetOrientation(Zel::Quaternion::FromAxisAngle({1, 0, 0}, kPi / 2));
    Zel::ParallelLight* light = scene.Add(std::make_unique<Zel::ParallelLight>(Zel::Vector3{0, 0, 0}, Zel::Quaternion(),
                                                                               100000.0f, Zel::Vector4{0, 0, 0, 1}));
    Zel::LightTarget target;
    target.AddLight(light);
    target.AddLight(light);
    EXPECT_EQ(target.GetLights().size(), 1u);
    EXPECT_TRUE(target.IsLightingChanged());
    const Zel::Viewport viewport;
    const Zel::Matrix4 identity;
    struct Step {
        bool mark;
        bool force;
        uint32_t calculations;
    } steps[] = {{false, false, 1}, {false, false, 1}, {false, true, 2}, {true, false, 3}};
    bool first = true;
    for (const Step& step : steps) {
        if (!first && step.mark)
            target.SetUpdateLighting(true);
        first = false;
        target.UpdateLighting(nullptr, viewport, identity, step.force);
        EXPECT_EQ(target.GetCalculationCount(), step.calculations);
        EXPECT_FALSE(target.IsLightingChanged());
    }
    ASSERT_EQ(target.GetLightList().size(), 1u);
    // The rays run along the light's -z, turned with the scene: -z becomes +y.
    ExpectNear(target.GetLightList()[0]->direction, {0, 1, 0}, "direction");
    EXPECT_EQ(target.GetLightList()[0]->type, Zel::LightParallel);
}

TEST(SceneParticleTest, ACopyTakesTheNodesStateButNotItsPlaceInTheTree)
{
    SmallTree tree;
    tree.a->SetLocalTransformation({{1, 2, 3}, Zel::Quaternion::FromAxisAngle({0, 1, 0}, 0.3f)});
    tree.a->SetBoundingBox({-1, -2, -3}, {4, 5, 6});
    tree.a->SetHidden(true);
    tree.a->SetOpacity(0.25f);
    Zel::Particle copy;
    tree.a->InitInstance(copy);
    EXPECT_EQ(copy.name, "a");
    EXPECT_TRUE(copy.IsHidden());
    EXPECT_FLOAT_EQ(copy.GetOpacity(), 0.25f);
    EXPECT_EQ(copy.GetPosition(), tree.a->GetPosition());
    EXPECT_TRUE(copy.GetOrientation().SameRotation(tree.a->GetOrientation(), 0));
    EXPECT_FLOAT_EQ(copy.boundsMin[2], -3);
    EXPECT_FLOAT_EQ(copy.boundsMax[1], 5);
    EXPECT_EQ(copy.parent, nullptr);
    EXPECT_TRUE(copy.GetChildren().empty());

    Zel::ParallelLight light({0, 0, 0}, {}, 1, {0, 0, 0, 1});
    Zel::LightTarget lit;
    lit.AddLight(&light);
    Zel::LightTarget litCopy;
    lit.InitInstance(litCopy);
    EXPECT_EQ(litCopy.GetLights(), lit.GetLights());
    EXPECT_TRUE(litCopy.IsLightingChanged());
}

TEST(SceneParticleTest, TheKernelAlwaysHasASceneGraphThatLinksEachSceneOnce)
{
    Zel::RenderKernel kernel(nullptr, 8.0f);
    Zel::SceneGraph* graph = kernel.GetSceneGraph();
    ASSERT_NE(graph, nullptr);
    Zel::SceneGraph own;
    EXPECT_EQ(Zel::RenderKernel(&own, 8.0f).GetSceneGraph(), &own);
    Zel::Particle scene("scene");
    graph->AddScene(&scene);
    graph->AddScene(&scene);
    graph->AddScene(nullptr);
    EXPECT_EQ(graph->GetScenes().size(), 1u);
    Zel::ViewPoint viewpoint(3);
    graph->Cull(viewpoint);
    EXPECT_EQ(scene.GetLastCulledFrame(), 3u);
    EXPECT_TRUE(graph->UnlinkScene(&scene));
    EXPECT_FALSE(graph->UnlinkScene(&scene));
}

TEST(SceneParticleTest, WantedMipLevelsHalveAtEveryDoublingOfTheDistance)
{
    Zel::Particle mesh("mesh");
    mesh.SetBoundingBox({-1, 0, 0}, {1, 0, 0});  // radius 1
    Zel::ViewPoint viewpoint;
    struct Case {
        float centreDistance;
        float detail;
        int level;
    } cases[] = {{0, 1, 0}, {1.5f, 1, 0},  {2.5f, 1, 0},  {3.5f, 1, 1}, {5.5f, 1, 2},
                 {9, 1, 3}, {17.5f, 2, 3}, {1e9f, 1, 15}, {50, 0, 0},   {50, -1, 0}};
    for (const Case& c : cases) {
        mesh.SetPosition({0, c.centreDistance, 0});
        EXPECT_EQ(viewpoint.CalcWantedMipLevelsForCull(mesh, c.detail), c.level) << c.centreDistance << " " << c.detail;
    }
    viewpoint.Add(&mesh, mesh.GetLocalMatrix());
    ASSERT_EQ(viewpoint.GetEntries().size(), 1u);
    EXPECT_EQ(viewpoint.GetEntries()[0].particle, &mesh);
}

namespace {

// Records which detail operation the base chose.
class DetailProbe : public Zel::ScalableDetail {
public:
    void RefineToFaces(uint32_t wanted) override { calls.push_back(static_cast<int>(wanted)); }
    void CoarsenToFaces(uint32_t wanted) override { calls.push_back(-static_cast<int>(wanted)); }
    std::vector<int> calls;
};

}  // namespace

TEST(SceneParticleTest, DetailMovesWithinTheFullDetailRange)
{
    DetailProbe detail;
    detail.SetCurrentLevel(4);
    detail.Init(300);
    EXPECT_EQ(detail.GetFaceCount(), 300u);
    EXPECT_EQ(detail.GetCurrentLevel(), 4u);
    detail.SetWantedFaces(500);  // above full detail: clamped, nothing to do
    detail.SetWantedFaces(120);
    detail.SetFaceCount(120);
    detail.SetWantedFaces(120);
    detail.SetWantedFaces(900);
    EXPECT_EQ(detail.calls, (std::vector<int>{-120, 300}));
    DetailProbe copy;
    detail.InitInstance(copy);
    EXPECT_EQ(copy.GetFaceCount(), 120u);
    EXPECT_EQ(copy.GetFullDetailFaces(), 300u);
    EXPECT_EQ(copy.GetCurrentLevel(), 4u);
}
