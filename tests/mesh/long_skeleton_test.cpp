// Skeletons from influence tables: bones linked as a search per bone links them, and long skeletons built, copied, bound and skinned.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mesh/influence_mesh.h"
#include "mesh/mesh_load_fixture.h"
#include "mesh/skinned_mesh_fixture.h"
#include "mesh/tree_shape.h"
#include "zel/geometry_config_data.h"

namespace {

int Build(KorvelTest::MeshLoad& load, const Zel::GeometryConfigData& config)
{
    load.definition = std::make_unique<KorvelIndexedMeshDefinition>();
    return load.definition->BuildFromConfig(&load.display, &load.materials, &load.resource, config, load.resource.name,
                                            0xFFFFFFFFu);
}

Zel::GeometryConfigData::Chunk Quad()
{
    Zel::GeometryConfigData::Chunk chunk;
    chunk.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    chunk.texCoords = {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}};
    chunk.indices = {0, 1, 2, 1, 3, 2};
    chunk.material.name = "body.m.onetex";
    return chunk;
}

struct Linked {
    std::vector<std::string> parents;  // the influences' parent names afterwards
    std::vector<int> parentOf;         // -1 for the root
};

// What a walk per bone makes of an influence table: the first bone without
// a parent is the root and the others without one name it; a parent is the
// first bone of its name (the root for none, or for the bone itself); then,
// bone by bone, one whose chain as it stands then misses the root is hung
// under it.
Linked LinkByWalks(const std::vector<Zel::GeometryConfigData::Influence>& bones)
{
    const int count = static_cast<int>(bones.size());
    Linked linked;
    for (const auto& bone : bones)
        linked.parents.push_back(bone.parent);
    int root = -1;
    for (int i = 0; i < count; ++i) {
        if (!linked.parents[size_t(i)].empty())
            continue;
        if (root < 0)
            root = i;
        else
            linked.parents[size_t(i)] = bones[size_t(root)].name;
    }
    linked.parentOf.assign(bones.size(), -1);
    for (int i = 0; i < count; ++i) {
        if (i == root || linked.parents[size_t(i)].empty())
            continue;
        int parent = -1;
        for (int p = 0; p < count && parent < 0; ++p)
            parent = bones[size_t(p)].name == linked.parents[size_t(i)] ? p : -1;
        if (parent < 0 || parent == i) {
            linked.parents[size_t(i)] = bones[size_t(root)].name;
            parent = root;
        }
        linked.parentOf[size_t(i)] = parent;
    }
    for (int i = 0; i < count; ++i) {
        int walk = i, steps = 0;
        while (walk >= 0 && walk != root && steps <= count) {
            walk = linked.parentOf[size_t(walk)];
            ++steps;
        }
        if (walk != root && i != root)
            linked.parentOf[size_t(i)] = root;
    }
    return linked;
}

// The tree of the links, each parent taking its children in index order.
std::vector<std::string> ShapeOf(const std::vector<Zel::GeometryConfigData::Influence>& bones, const Linked& linked)
{
    std::vector<std::unique_ptr<Zel::ParticleBone>> nodes;
    std::vector<Zel::ParticleBone*> raw;
    for (const auto& bone : bones) {
        nodes.push_back(std::make_unique<Zel::ParticleBone>(bone.name));
        raw.push_back(nodes.back().get());
    }
    size_t root = 0;
    for (size_t i = 0; i < bones.size(); ++i) {
        if (linked.parentOf[i] < 0)
            root = i;
        else
            raw[size_t(linked.parentOf[i])]->Add(std::move(nodes[i]));
    }
    return KorvelTest::TreeShape(*nodes[root]);
}

}  // namespace

TEST(LongSkeletonTest, InfluencesOfSharedNamesAndLoopsLinkAsASearchPerBoneLinksThem)
{
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        Zel::GeometryConfigData config;
        config.chunks = {Quad()};
        const int count = 2 + static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            Zel::GeometryConfigData::Influence bone;
            bone.name = "b" + std::to_string(random() % 9);
            const uint32_t pick = random() % 12;
            bone.parent = pick == 0 ? "" : pick == 1 ? "none" : "b" + std::to_string(random() % 9);
            config.influences.push_back(bone);
        }
        config.influences[random() % config.influences.size()].parent.clear();
        KorvelTest::MeshLoad load;
        ASSERT_EQ(Build(load, config), MeshOk);
        const Linked linked = LinkByWalks(config.influences);
        ASSERT_NE(load.definition->GetSkeleton(), nullptr);
        ASSERT_EQ(KorvelTest::TreeShape(*load.definition->GetSkeleton()), ShapeOf(config.influences, linked)) << round;
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(load.definition->GetInfluences()[size_t(i)].parent, linked.parents[size_t(i)]) << round;

        // The instance's bones: children by the first other bone of the
        // parent's name, each bound to the first skeleton bone of its name.
        KorvelInfluenceMesh mesh;
        mesh.BuildFromDefinition(load.definition->GetInfluences(), false);
        std::unique_ptr<Zel::ParticleBone> skeleton = CopyBoneTree(*load.definition->GetSkeleton());
        ASSERT_EQ(KorvelTest::TreeShape(*skeleton), KorvelTest::TreeShape(*load.definition->GetSkeleton()));
        mesh.AttachSkeleton(skeleton.get());
        const std::vector<InfluenceBone>& bones = mesh.GetBones();
        std::vector<std::vector<size_t>> children(bones.size());
        for (size_t i = 0; i < bones.size(); ++i) {
            for (size_t p = 0; p < bones.size() && !bones[i].parent.empty(); ++p) {
                if (p != i && bones[p].name == bones[i].parent) {
                    children[p].push_back(i);
                    break;
                }
            }
        }
        for (size_t i = 0; i < bones.size(); ++i) {
            EXPECT_EQ(bones[i].children, children[i]) << round;
            EXPECT_EQ(bones[i].node, skeleton->FindByName(bones[i].name)) << round;
        }
    }
}

TEST(LongSkeletonTest, AChainOfAHundredThousandInfluencesIsBuiltCopiedBoundAndSkinned)
{
    // Each bone one unit along x from its parent; the deepest moves vertex 0.
    constexpr int kBones = 100000;
    Zel::GeometryConfigData config;
    config.chunks = {Quad()};
    config.influences.resize(kBones);
    for (int i = 0; i < kBones; ++i) {
        config.influences[size_t(i)].name = "bone" + std::to_string(i);
        if (i > 0) {
            config.influences[size_t(i)].parent = "bone" + std::to_string(i - 1);
            config.influences[size_t(i)].position[0] = 1;
        }
    }
    config.influences.back().entries = {{0, {{0, 1.0f, {0, 0.5f, 0}}}}};
    KorvelTest::MeshLoad load;
    ASSERT_EQ(Build(load, config), MeshOk);
    const Zel::ParticleBone* deepest = load.definition->GetSkeleton()->FindByName("bone99999");
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->parent->name, "bone99998");

    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    instance.MakeChunkUnique(0);
    std::unique_ptr<Zel::ParticleBone> skeleton = CopyBoneTree(*load.definition->GetSkeleton());
    KorvelInfluenceMesh mesh;
    mesh.BuildFromDefinition(load.definition->GetInfluences(), false);
    mesh.AttachSkeleton(skeleton.get());
    ASSERT_EQ(mesh.GetBones().back().node, skeleton->FindByName("bone99999"));
    mesh.UpdateSkin(instance.GetChunkCount(), instance.GetChunks(), 1, 0);
    EXPECT_EQ(KorvelTest::Position(instance, 0), (std::array<float, 3>{kBones - 1, 0.5f, 0}));
}
