// LOD mesh files: levels, distances, named levels, bones and attachments read back, saved and re-read, and damaged forms ending in their result codes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/lm_writer.h"
#include "mesh/named_bone_tree.h"
#include "mesh/tree_shape.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

using KorvelTest::LmFile;
using KorvelTest::QuadLevel;

namespace {

struct LodLoad {
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    std::unique_ptr<KorvelIndexedMeshLODDefinition> definition;

    LodLoad() { resource.name = "assets/shed/shed.lm"; }

    int Load(const std::string& bytes)
    {
        definition = std::make_unique<KorvelIndexedMeshLODDefinition>();
        definition->GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), resource.name);
        int result = definition->Load(&display, &materials, &resource, resource.name, 0xFFFFFFFFu);
        return result == MeshOk ? definition->CompleteLoad(nullptr) : result;
    }
    int Load(const LmFile& file) { return Load(KorvelTest::WriteLm(file)); }
};

// Distances 10, 20 and a named-only level "night" at index 2.
LmFile ThreeLevels()
{
    LmFile file;
    file.levels = {QuadLevel(10, 4), QuadLevel(20, 2), QuadLevel(-1, 1)};
    file.named = {{2, "Night", true}};
    return file;
}

std::string Saved(const KorvelIndexedMeshLODDefinition& definition)
{
    std::string bytes;
    EXPECT_TRUE(definition.Serialise(bytes));
    return bytes;
}

}  // namespace

TEST(LodDefinitionTest, NumberedAndNamedLevelsAndTheDefinitionsOwnChunksAreThoseOfTheLastNumberedLevel)
{
    LodLoad load;
    LmFile file = ThreeLevels();
    file.calcPoint = 2;
    file.tuning[0] = 1.5f;
    file.tuning[1] = 2.0f;
    ASSERT_EQ(load.Load(file), MeshOk);
    const KorvelIndexedMeshLODDefinition& lod = *load.definition;
    EXPECT_EQ(lod.GetLevelCount(), 3u);
    EXPECT_EQ(lod.GetSwitchDistances(), (std::vector<float>{10, 20}));
    ASSERT_EQ(lod.GetNamedLevels().size(), 1u);
    EXPECT_EQ(lod.GetNamedLevels()[0].name, "night");
    EXPECT_EQ(lod.GetNamedLevels()[0].level, 2);
    EXPECT_TRUE(lod.GetNamedLevels()[0].animated);
    EXPECT_EQ(lod.GetCalcPoint(), 2u);
    EXPECT_EQ(lod.GetOffset(), 1.5f);
    EXPECT_EQ(lod.GetMultiplier(), 2.0f);
    EXPECT_TRUE(lod.GetChunks().SameBlock(lod.GetLevel(1).chunks));
    EXPECT_EQ(lod.GetChunkCount(), 1);
    EXPECT_EQ(lod.GetVertexTotal(), 4u);
    // Bounds follow the last numbered level (a quad of side 2).
    EXPECT_EQ(lod.GetBoundsMax()[0], 2.0f);
    EXPECT_EQ(lod.GetLevel(0).faceTotal, 2u);
    EXPECT_TRUE(lod.GetChunk(0)->BuffersInitialized());
}

TEST(LodDefinitionTest, SwitchDistancesAndNamedLevelsFollowTheirRules)
{
    struct Case {
        const char* what;
        std::vector<float> distances;
        std::vector<KorvelTest::LmNamed> named;
        int result;
    };
    const Case cases[] = {
        {"equal distances load", {10, 10}, {}, MeshOk},
        {"decreasing distances", {20, 10}, {}, MeshBadFormat},
        {"only named levels", {-1}, {{0, "a", false}}, MeshBadFormat},
        {"a numbered level after a named one", {10, -1, 20}, {{1, "a", false}}, MeshBadFormat},
        {"a named-only level nobody names", {10, -1}, {}, MeshBadFormat},
        {"a named level past the levels", {10}, {{3, "a", false}}, MeshBadFormat},
        {"a negative named level", {10}, {{-1, "a", false}}, MeshBadFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LodLoad load;
        LmFile file;
        for (float distance : c.distances)
            file.levels.push_back(QuadLevel(distance));
        file.named = c.named;
        EXPECT_EQ(load.Load(file), c.result);
    }
}

TEST(LodDefinitionTest, SkeletonComesFromTheBoneTableElseTheBoneTreeElseThereIsNone)
{
    LmFile file;
    file.levels = {QuadLevel(0)};
    {
        LodLoad load;
        ASSERT_EQ(load.Load(file), MeshOk);
        EXPECT_EQ(load.definition->GetSkeleton(), nullptr);
    }
    file.boneTree = {{"root", ""}, {"arm", "root"}, {"hand", "arm"}, {"stray", "nobody"}};
    {
        LodLoad load;
        ASSERT_EQ(load.Load(file), MeshOk);
        const Zel::ParticleBone* root = load.definition->GetSkeleton();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->name, "root");
        ASSERT_NE(root->FindByName("hand"), nullptr);
        EXPECT_EQ(root->FindByName("hand")->parent->name, "arm");
        EXPECT_EQ(root->FindByName("stray")->parent, root);
        EXPECT_FALSE(load.definition->HasBoneTable());
    }
    file.boneTree = {{"arm", "root"}};
    {
        LodLoad load;
        EXPECT_EQ(load.Load(file), MeshBadFormat);
    }
}

TEST(LodDefinitionTest, CullAttachmentsLoseTheirMarkAndSavingWritesItBack)
{
    LodLoad load;
    LmFile file;
    file.levels = {QuadLevel(0)};
    file.attachments.resize(2);
    file.attachments[0].name = "lamp:CULL";
    file.attachments[1].name = "a.door";
    ASSERT_EQ(load.Load(file), MeshOk);
    EXPECT_EQ(load.definition->GetAttachments()[0].name, "lamp");
    EXPECT_EQ(load.definition->GetCullAttachmentNames(), std::vector<std::string>{"lamp"});
    std::string saved = Saved(*load.definition);
    EXPECT_NE(saved.find(std::string("lamp:Cull\0\0\0", 12)), std::string::npos);
    LodLoad again;
    ASSERT_EQ(again.Load(saved), MeshOk);
    EXPECT_EQ(again.definition->GetCullAttachmentNames(), std::vector<std::string>{"lamp"});
}

TEST(LodDefinitionTest, SaveAndReloadKeepEverythingAndASecondSaveIsByteIdentical)
{
    LodLoad load;
    LmFile file = ThreeLevels();
    file.named.push_back({0, "dusk", false});
    file.materials[0].name = "body.m.onetex";
    file.materials[0].emissive[0] = 0.5f;
    file.materials[0].emissive[2] = 0.25f;
    file.materials[0].properties = {{"RustAge", "3"}};
    file.materials[0].textures = {{0, "maps/body.texture", 1.5f}};
    KorvelTest::ImMaterial glass;
    glass.name = "glass.m.notex";
    glass.opacity = 0.5f;
    file.materials.push_back(glass);
    file.levels[1].chunks.push_back(file.levels[1].chunks[0]);
    file.levels[1].chunks[1].material = 1;
    file.levels[1].chunks[1].geometry.tangents = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};
    file.levels[1].chunks[1].geometry.flags2 = 1;
    file.levels[1].chunks[1].geometry.faceNormals = {{0, 0, 1}, {0, 0, 1}};
    file.levels[1].chunks[1].writeNeighbours = true;
    file.levels[1].chunks[1].neighbours = {{-1, 1, -1}, {0, -1, -1}};
    file.boneTable = {{"root", ""}, {"arm", "root"}};
    file.levels[0].weights = {{{}, {{0, {{0, 1.0f}, {1, 0.5f}}}}}};
    file.levels[0].chunks[0].geometry.weightsPerVertex = 1;
    file.attachments.resize(1);
    file.attachments[0].name = "a.light:Cull";
    file.attachments[0].position[1] = 2.5f;
    ASSERT_EQ(load.Load(file), MeshOk);

    std::string first = Saved(*load.definition);
    LodLoad again;
    ASSERT_EQ(again.Load(first), MeshOk);
    const KorvelIndexedMeshLODDefinition& lod = *again.definition;
    EXPECT_EQ(lod.GetLevelCount(), 3u);
    EXPECT_EQ(lod.GetSwitchDistances(), (std::vector<float>{10, 20}));
    ASSERT_EQ(lod.GetNamedLevels().size(), 2u);
    EXPECT_EQ(lod.GetNamedLevels()[1].name, "dusk");
    EXPECT_FALSE(lod.GetNamedLevels()[1].animated);
    std::vector<Zel::Material*> materials = lod.CollectMaterials();
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(lod.GetWrittenMaterialName(materials[0]), "body.m.onetex");
    EXPECT_EQ(materials[0]->GetDisplayMaterial().emissive[0], 0.25f);
    EXPECT_EQ(materials[0]->GetDisplayMaterial().emissive[2], 0.125f);
    ASSERT_EQ(materials[0]->GetNumProperties(), 1u);
    EXPECT_EQ(materials[0]->GetProperty(0).second, "3");
    ASSERT_EQ(materials[0]->GetTextures().size(), 1u);
    EXPECT_EQ(materials[0]->GetTextures()[0].file, "assets/shed/body.texture");
    EXPECT_EQ(materials[1]->GetOpacity(), 0.5f);
    const MeshLODRecord& level1 = lod.GetLevel(1);
    ASSERT_EQ(level1.chunks.Size(), 2u);
    EXPECT_EQ(level1.materials[1], materials[1]);
    // The built-in materials keep no tangents: the stored ones are read past.
    Zel::GeometryChunk* tangentChunk = level1.chunks[1];
    EXPECT_FALSE(tangentChunk->HasItem(Zel::ItemTangent));
    float position[3];
    memcpy(position, tangentChunk->GetItem(Zel::ItemPosition).data + 2 * 12, 12);
    EXPECT_EQ(position[1], 2.0f);
    EXPECT_EQ(tangentChunk->GetFaceNeighbors().size(), 2u);
    EXPECT_EQ(tangentChunk->GetFaceNormalCount(), 2u);
    EXPECT_EQ(lod.GetInfluences().size(), 2u);
    ASSERT_EQ(lod.GetBoneLevelWeights(1, 0).size(), 1u);
    EXPECT_EQ(lod.GetBoneLevelWeights(1, 0)[0].weights[1].weight, 0.5f);
    EXPECT_EQ(lod.LevelMaxBones(0), 1u);
    EXPECT_EQ(lod.GetAttachments()[0].position[1], 2.5f);
    EXPECT_EQ(lod.GetCullAttachmentNames(), std::vector<std::string>{"a.light"});

    EXPECT_EQ(Saved(lod), first);
}

TEST(LodDefinitionTest, ABoneTreeAndLinesSurviveTwoSaves)
{
    LodLoad load;
    LmFile file;
    file.levels = {QuadLevel(0)};
    file.levels[0].chunks[0].geometry.flags = 1;  // lines: no face normals written
    file.levels[0].chunks[0].geometry.faceNormals = {{0, 0, 1}, {0, 0, 1}};
    float turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    file.boneTree = {{"root", ""}, {"arm", "root"}};
    memcpy(file.boneTree[1].matrix, turned, sizeof turned);
    ASSERT_EQ(load.Load(file), MeshOk);
    std::string first = Saved(*load.definition);
    LodLoad again;
    ASSERT_EQ(again.Load(first), MeshOk);
    EXPECT_EQ(again.definition->GetChunk(0)->GetFaceNormalCount(), 0u);
    EXPECT_EQ(Zel::GeometryTypeFromChunkFlags(again.definition->GetChunk(0)->GetFlags()), Zel::GeometryLines);
    EXPECT_EQ(Saved(*again.definition), first);
    EXPECT_EQ(first, KorvelTest::WriteLm([&] {
                  LmFile expected = file;
                  expected.levels[0].chunks[0].geometry.faceNormals.clear();
                  return expected;
              }()));
}

TEST(LodDefinitionTest, DamagedFilesEndInTheirResultCodes)
{
    struct Case {
        const char* what;
        std::function<void(LmFile&)> change;
        int result;
    };
    const Case cases[] = {
        {"not a LOD file", [](LmFile& f) { f.fileType = "IDXM"; }, MeshBadFormat},
        {"info version", [](LmFile& f) { f.infoVersion = 101; }, MeshBadVersion},
        {"table material of version 102", [](LmFile& f) { f.materials[0].version = 102; }, MeshBadVersion},
        {"material index -1", [](LmFile& f) { f.levels[0].chunks[0].material = -1; }, MeshBadFormat},
        {"material index past the table", [](LmFile& f) { f.levels[0].chunks[0].material = 1; }, MeshBadFormat},
        {"index past the vertices", [](LmFile& f) { f.levels[0].chunks[0].geometry.indices[2] = 4; }, MeshBadFormat},
        {"hostile level count", [](LmFile& f) { f.levelCount = 0x40000000; }, MeshBadFormat},
        {"hostile material count", [](LmFile& f) { f.materialCount = 0xFFFFFFFF; }, MeshBadFormat},
        {"hostile vertex count", [](LmFile& f) { f.levels[0].chunks[0].geometry.vertexCount = 0x10000000; },
         MeshBadFormat},
        {"level version", [](LmFile& f) { f.levels[0].version = 99; }, MeshBadVersion},
        {"geometry version", [](LmFile& f) { f.levels[0].chunks[0].geometry.version = 202; }, MeshBadVersion},
        {"geometry with trailing bytes", [](LmFile& f) { f.levels[0].chunks[0].geometry.trailing = "xxxx"; },
         MeshBadFormat},
        {"material not found", [](LmFile& f) { f.materials[0].name = "x.m.nosuchtype"; }, MeshMaterialNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LodLoad load;
        LmFile file;
        file.levels = {QuadLevel(0)};
        c.change(file);
        EXPECT_EQ(load.Load(file), c.result);
        // Nothing a damaged file leaves behind is sent to missing names.
        EXPECT_TRUE(load.resource.missingMaterialNames.empty());
    }
}

TEST(LodDefinitionTest, ALastNamedLevelWithoutItsFlagByteReadsNotAnimated)
{
    LodLoad load;
    LmFile file = ThreeLevels();
    file.dropLastAnimatedByte = true;
    ASSERT_EQ(load.Load(file), MeshOk);
    EXPECT_FALSE(load.definition->GetNamedLevels()[0].animated);
}

TEST(LodDefinitionTest, EmptyChunksAreDroppedAndNothingToSaveIsResultOne)
{
    LodLoad load;
    LmFile file;
    file.levels = {QuadLevel(0)};
    file.levels[0].chunks.insert(file.levels[0].chunks.begin(), file.levels[0].chunks[0]);
    file.levels[0].chunks[0].geometry.indices.clear();
    ASSERT_EQ(load.Load(file), MeshOk);
    EXPECT_EQ(load.definition->GetLevel(0).chunkCount, 1u);
    EXPECT_EQ(load.definition->GetChunkCount(), 1);

    KorvelIndexedMeshLODDefinition empty;
    std::string bytes;
    EXPECT_FALSE(empty.Serialise(bytes));
    EXPECT_TRUE(bytes.empty());
}

// A LOD mesh keeps the bone limit of 25 on a display that skins; an indexed
// mesh drops to 24 there (its own tests), and the two stay apart.
TEST(LodDefinitionTest, DisplaySkinningTakesUpToTwentyFiveBonesAndOnlyWhenTheDisplaySkins)
{
    struct Case {
        uint32_t maxBones;
        bool displaySkins;
        bool hardware;
    } cases[] = {{24, true, true}, {25, true, true}, {26, true, false}, {2, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxBones);
        LmFile file;
        file.boneTable = {{"root", ""}};
        file.levels = {QuadLevel(0)};
        file.levels[0].maxInfluences = 1;
        file.levels[0].maxBones = c.maxBones;
        file.levels[0].chunks[0].geometry.weightsPerVertex = 1;
        file.levels[0].weights = {{{0, {{0, 1.0f}}}}};
        LodLoad load;
        load.display.SetCapability(29, c.displaySkins);
        ASSERT_EQ(load.Load(file), MeshOk);
        EXPECT_EQ(load.definition->GetHardwareBoneLimit(), 25u);
        EXPECT_EQ(load.definition->GetLevel(0).hardwareSkinning, c.hardware);
        EXPECT_EQ(load.definition->GetLevel(0).chunks[0]->HasItem(Zel::ItemBlendIndices), c.hardware);
    }
}

namespace {

LmFile TreeFile(const std::vector<KorvelTest::LmBone>& tree)
{
    LmFile file;
    file.levels = {QuadLevel(0)};
    file.boneTree = tree;
    return file;
}

// The tree as a search of the whole tree per bone grows it: the parent is
// the first bone of the name depth-first, else the root.
std::unique_ptr<Zel::ParticleBone> GrowBySearch(const std::vector<KorvelTest::LmBone>& records)
{
    std::unique_ptr<Zel::ParticleBone> root;
    for (const KorvelTest::LmBone& record : records) {
        auto bone = std::make_unique<Zel::ParticleBone>(record.name);
        if (record.parent.empty() && !root) {
            root = std::move(bone);
            continue;
        }
        Zel::ParticleBone* parent = record.parent.empty() ? nullptr : root->FindByName(record.parent);
        (parent ? parent : root.get())->Add(std::move(bone));
    }
    return root;
}

}  // namespace

TEST(LodDefinitionTest, ParentsOfSharedNamesAreTheBonesADepthFirstSearchFindsFirst)
{
    // "x" is first added under b, then under a: depth-first the later one
    // comes first, so "y" hangs under it; "z" names nobody and takes the
    // root; the second root record becomes the root's child.
    const std::vector<KorvelTest::LmBone> tree = {{"root", ""}, {"a", "root"}, {"b", "root"}, {"x", "b"},
                                                  {"x", "a"},   {"y", "x"},    {"z", "w"},    {"root2", ""}};
    LodLoad load;
    ASSERT_EQ(load.Load(TreeFile(tree)), MeshOk);
    EXPECT_EQ(KorvelTest::TreeShape(*load.definition->GetSkeleton()), KorvelTest::TreeShape(*GrowBySearch(tree)));
    EXPECT_EQ(KorvelTest::TreeShape(*load.definition->GetSkeleton()),
              (std::vector<std::string>{"root<8", "a<0", "x<1", "y<2", "b<0", "x<4", "z<0", "root2<0"}));
}

TEST(LodDefinitionTest, ManyBonesOfFewNamesHangWhereASearchOfTheWholeTreeWouldPutThem)
{
    // Random parents from a few names, unknown names and empty ones: every
    // tree grows as the whole-tree search grows it.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<KorvelTest::LmBone> tree = {{"n0", ""}};
        for (int i = 1; i < 600; ++i) {
            const uint32_t pick = random() % 40;
            std::string parent = pick == 0 ? "" : pick == 1 ? "none" : "n" + std::to_string(random() % 12);
            tree.push_back({"n" + std::to_string(random() % 12), parent});
        }
        NamedBoneTree::Result last = NamedBoneTree::Result::Added;
        std::unique_ptr<Zel::ParticleBone> grown;
        NamedBoneTree named(grown);
        for (const KorvelTest::LmBone& record : tree)
            last = named.Add(std::make_unique<Zel::ParticleBone>(record.name), record.parent);
        ASSERT_EQ(last, NamedBoneTree::Result::Added);
        ASSERT_EQ(KorvelTest::TreeShape(*grown), KorvelTest::TreeShape(*GrowBySearch(tree))) << round;
    }
}

TEST(LodDefinitionTest, ATreeGrownFurtherFindsItsEarlierBonesByName)
{
    std::unique_ptr<Zel::ParticleBone> root = std::make_unique<Zel::ParticleBone>("root");
    Zel::ParticleBone* arm = root->Add(std::make_unique<Zel::ParticleBone>("arm"));
    root->Add(std::make_unique<Zel::Particle>("hand"));  // no bone: not found by name
    arm->Add(std::make_unique<Zel::ParticleBone>("hand"));
    NamedBoneTree tree(root);
    ASSERT_EQ(tree.Add(std::make_unique<Zel::ParticleBone>("finger"), "hand"), NamedBoneTree::Result::Added);
    EXPECT_EQ(root->FindByName("finger")->parent->parent, arm);
    ASSERT_EQ(tree.Add(std::make_unique<Zel::ParticleBone>("arm"), "root"), NamedBoneTree::Result::Added);
    ASSERT_EQ(tree.Add(std::make_unique<Zel::ParticleBone>("elbow"), "arm"), NamedBoneTree::Result::Added);
    EXPECT_EQ(root->FindByName("elbow")->parent, arm);
}

TEST(LodDefinitionTest, HostileTreesEndInAResultCode)
{
    struct Case {
        const char* what;
        std::vector<KorvelTest::LmBone> tree;
        int result;
    };
    std::vector<KorvelTest::LmBone> deepest = {{"b0", ""}};
    for (size_t i = 1; i < NamedBoneTree::kMaxDepth; ++i)
        deepest.push_back({"b" + std::to_string(i), "b" + std::to_string(i - 1)});
    std::vector<KorvelTest::LmBone> tooDeep = deepest;
    tooDeep.push_back({"past", deepest.back().name});
    // Many bones of one name, every other one under the first of them: a
    // search per bone would walk the whole tree each time.
    std::vector<KorvelTest::LmBone> wide = {{"root", ""}};
    for (int i = 0; i < 16383; ++i)
        wide.push_back({"same", i % 2 == 0 ? "root" : "same"});
    std::vector<KorvelTest::LmBone> tooMany = wide;
    tooMany.push_back({"more", "root"});
    const Case cases[] = {
        {"a chain as deep as allowed", deepest, MeshOk},
        {"a chain one deeper", tooDeep, MeshBadFormat},
        {"as many bones as allowed", wide, MeshOk},
        {"one bone more", tooMany, MeshBadFormat},
        {"a parent before any root", {{"arm", "root"}, {"root", ""}}, MeshBadFormat},
    };
    for (const Case& c : cases) {
        LodLoad load;
        EXPECT_EQ(load.Load(TreeFile(c.tree)), c.result) << c.what;
    }
    // A bone table holds no more bones than an indexed level's influences.
    LmFile table = TreeFile({});
    table.boneTable.assign(1023, {"bone", "bone"});
    table.boneTable[0].parent.clear();
    {
        LodLoad load;
        EXPECT_EQ(load.Load(table), MeshOk);
    }
    table.boneTable.push_back({"more", "bone"});
    {
        LodLoad load;
        EXPECT_EQ(load.Load(table), MeshBadFormat);
    }
}
