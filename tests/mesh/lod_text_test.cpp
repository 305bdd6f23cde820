// LOD text descriptions: levels assembled from mesh files, named levels, settings, skinned levels merged by bone name, and the descriptions refused.
#include <gtest/gtest.h>

#include <memory>

#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/lm_writer.h"
#include "support/temp_folder.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

namespace {

struct TextLoad {
    KorvelTest::TempFolder tree;
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    std::unique_ptr<KorvelIndexedMeshLODDefinition> definition;

    TextLoad()
    {
        KorvelTest::ImFile small;
        small.chunks.push_back(KorvelTest::QuadChunk("body.m.onetex", 1));
        small.writeAttachments = true;
        small.attachments.resize(2);
        small.attachments[0].name = "lamp:Cull";
        small.attachments[1].name = "door";
        KorvelTest::ImFile large = small;
        large.chunks[0] = KorvelTest::QuadChunk("body.m.onetex", 3);
        KorvelTest::ImFile extra = small;
        extra.attachments.resize(3);
        tree.MakeFile("a.im", KorvelTest::WriteIm(small));
        tree.MakeFile("b.im", KorvelTest::WriteIm(large));
        tree.MakeFile("three.im", KorvelTest::WriteIm(extra));
        resource.name = tree / "mesh.lm.txt";
    }

    int Load(const std::string& text)
    {
        tree.MakeFile("mesh.lm.txt", text);
        definition = std::make_unique<KorvelIndexedMeshLODDefinition>();
        int result = definition->LoadText(&display, &materials, &resource, resource.name, 0xFFFFFFFFu);
        return result == MeshOk ? definition->CompleteLoad(nullptr) : result;
    }
};

}  // namespace

TEST(LodTextTest, NumberedLevelsAndANamedLevelThatReusesALoadedFile)
{
    TextLoad load;
    ASSERT_EQ(load.Load("version 1.00\n"
                        "mesh 0 { name a.im }\n"
                        "mesh 50 { name b.im }\n"
                        "mesh Damaged { name a.im; animated true }\n"
                        "calcPoint Near\n"
                        "multiplier 2.5\n"
                        "renderCutOff 900\n"),
              MeshOk);
    const KorvelIndexedMeshLODDefinition& lod = *load.definition;
    EXPECT_EQ(lod.GetLevelCount(), 2u);
    EXPECT_EQ(lod.GetSwitchDistances(), (std::vector<float>{0, 50}));
    ASSERT_EQ(lod.GetNamedLevels().size(), 1u);
    EXPECT_EQ(lod.GetNamedLevels()[0].name, "damaged");
    EXPECT_EQ(lod.GetNamedLevels()[0].level, 0);
    EXPECT_TRUE(lod.GetNamedLevels()[0].animated);
    EXPECT_EQ(lod.GetCalcPoint(), 1u);
    EXPECT_EQ(lod.GetMultiplier(), 2.5f);
    EXPECT_EQ(lod.GetRenderCutOff(), 900.0f);
    EXPECT_EQ(lod.GetOffset(), 0.0f);
    // The definition's own chunks are the last numbered level's, its bounds the largest level's.
    EXPECT_TRUE(lod.GetChunks().SameBlock(lod.GetLevel(1).chunks));
    EXPECT_EQ(lod.GetBoundsMax()[0], 3.0f);
    EXPECT_EQ(lod.GetCullAttachmentNames(), std::vector<std::string>{"lamp"});
    // Both levels draw with the one material the manager hands out.
    EXPECT_EQ(lod.CollectMaterials().size(), 1u);
}

TEST(LodTextTest, DescriptionsThatAreRefused)
{
    struct Case {
        const char* what;
        const char* text;
        int result;
    };
    const Case cases[] = {
        {"equal distances", "version 1.00\nmesh 50 { name a.im }\nmesh 50 { name b.im }\n", MeshBadFormat},
        {"decreasing distances", "version 1.00\nmesh 50 { name a.im }\nmesh 10 { name b.im }\n", MeshBadFormat},
        {"two named levels of one name",
         "version 1.00\nmesh 0 { name a.im }\nmesh Damaged { name a.im }\nmesh damaged { name b.im }\n", MeshBadFormat},
        {"a numbered level after a named one",
         "version 1.00\nmesh 0 { name a.im }\nmesh night { name b.im }\nmesh 90 { name b.im }\n", MeshBadFormat},
        {"no numbered level", "version 1.00\nmesh night { name a.im }\n", MeshBadFormat},
        {"no mesh at all", "version 1.00\noffset 3\n", MeshBadFormat},
        {"a level without a file name", "version 1.00\nmesh 0 { animated true }\n", MeshBadFormat},
        {"version 1.5", "version 1.5\nmesh 0 { name a.im }\n", MeshBadVersion},
        {"no version", "mesh 0 { name a.im }\n", MeshBadVersion},
        {"unbalanced braces", "version 1.00\nmesh 0 { name a.im\n", MeshNoData},
        {"a level with another number of attachments",
         "version 1.00\nmesh 0 { name a.im }\nmesh 10 { name three.im }\n", MeshBadFormat},
        {"a level file that is not there", "version 1.00\nmesh 0 { name gone.im }\n", MeshNoData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextLoad load;
        EXPECT_EQ(load.Load(c.text), c.result);
    }
}

TEST(LodTextTest, SkinnedLevelsKeepTheirWeightsByBoneNameAndSaveAsABinaryFile)
{
    TextLoad load;
    KorvelTest::ImFile near;
    near.chunks.push_back(KorvelTest::QuadChunk());
    near.chunks[0].geometry.weightsPerVertex = 1;
    near.maxInfluences = 1;
    near.maxBones = 2;
    near.writeInfluences = true;
    near.influences.resize(2);
    near.influences[0].name = "root";
    near.influences[0].entries = {{0, {{0, 1.0f}}}};
    near.influences[1].name = "arm";
    near.influences[1].parent = "root";
    near.influences[1].entries = {{0, {{1, 1.0f}, {2, 1.0f}}}};
    KorvelTest::ImFile far = near;
    // The far level lists its bones in another order.
    std::swap(far.influences[0], far.influences[1]);
    far.influences[0].entries = {{0, {{3, 1.0f}}}};
    load.tree.MakeFile("near.im", KorvelTest::WriteIm(near));
    load.tree.MakeFile("far.im", KorvelTest::WriteIm(far));
    ASSERT_EQ(load.Load("version 1.00\nmesh 0 { name near.im }\nmesh 100 { name far.im }\n"), MeshOk);
    const KorvelIndexedMeshLODDefinition& lod = *load.definition;
    ASSERT_EQ(lod.GetInfluences().size(), 2u);
    EXPECT_EQ(lod.GetInfluences()[1].name, "arm");
    ASSERT_NE(lod.GetSkeleton(), nullptr);
    EXPECT_EQ(lod.GetSkeleton()->name, "root");
    ASSERT_EQ(lod.GetBoneLevelWeights(1, 0).size(), 1u);
    EXPECT_EQ(lod.GetBoneLevelWeights(1, 0)[0].weights.size(), 2u);
    ASSERT_EQ(lod.GetBoneLevelWeights(1, 1).size(), 1u);
    EXPECT_EQ(lod.GetBoneLevelWeights(1, 1)[0].weights[0].vertex, 3u);

    std::string bytes;
    ASSERT_TRUE(lod.Serialise(bytes));
    auto binary = std::make_unique<KorvelIndexedMeshLODDefinition>();
    binary->GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), load.resource.name);
    ASSERT_EQ(binary->Load(&load.display, &load.materials, &load.resource, load.resource.name, 0xFFFFFFFFu), MeshOk);
    EXPECT_EQ(binary->GetLevelCount(), 2u);
    EXPECT_EQ(binary->GetBoneLevelWeights(1, 1)[0].weights[0].vertex, 3u);
    EXPECT_EQ(binary->GetSkeleton()->FindByName("arm")->parent->name, "root");
    EXPECT_EQ(binary->LevelMaxBones(0), 2u);
    std::string again;
    ASSERT_TRUE(binary->Serialise(again));
    EXPECT_EQ(again, bytes);
}

namespace {

// One triangle five units wide with the two attachments of the ".im" levels.
const char* const kConfigLevel = R"(version 1.00
chunk body {
    material body.m.onetex {}
    vertex "0 0 0"; vertex "5 0 0"; vertex "0 5 0"
    indices "0 1 2"
}
attachment lamp:Cull {}
attachment door {}
)";

}  // namespace

TEST(LodTextTest, GeometryConfigurationLevelsBuildThroughTheConfigurationReader)
{
    TextLoad load;
    load.tree.MakeFile("far.imtxt", kConfigLevel);
    load.tree.MakeFile("upper.IMTXT", kConfigLevel);
    ASSERT_EQ(load.Load("version 1.00\n"
                        "mesh 0 { name a.im }\n"
                        "mesh 80 { name far.imtxt }\n"
                        "mesh 90 { name upper.IMTXT }\n"
                        "mesh wreck { name far.imtxt }\n"),
              MeshOk);
    const KorvelIndexedMeshLODDefinition& lod = *load.definition;
    ASSERT_EQ(lod.GetLevelCount(), 3u);
    EXPECT_EQ(lod.GetLevel(1).chunkCount, 1u);
    EXPECT_EQ(lod.GetLevel(1).vertexTotal, 3u);
    EXPECT_EQ(lod.GetLevel(1).faceTotal, 1u);
    EXPECT_EQ(lod.GetLevel(1).chunks[0]->GetVertexCount(), 3u);
    EXPECT_EQ(lod.GetNamedLevels()[0].level, 1);  // the configuration is not read twice
    // The configuration level's bounds are the widest, so the definition takes them.
    EXPECT_EQ(lod.GetBoundsMax()[0], 5.0f);
    EXPECT_EQ(lod.GetChunkCount(), 1);
}

TEST(LodTextTest, EachFileKeepsItsOwnParserFailureCode)
{
    struct Case {
        const char* what;
        const char* level;  // written as "level.imtxt"; null: not written
        const char* description;
        int result;
    };
    const Case cases[] = {
        {"the description does not parse", kConfigLevel, "version 1.00\nmesh 0 { name level.imtxt\n", MeshNoData},
        {"the configuration does not parse", "chunk c { vertex \"0 0 0\"\n", "", MeshParseFailed},
        {"the configuration is not there", nullptr, "", MeshNoData},
        {"the configuration cannot be interpreted", "chunk c { vertex \"0 0\" }\n", "", MeshBadFormat},
        {"the configuration has other attachments", "chunk c { vertex \"0 0 0\" }\n", "", MeshBadFormat},
        {"the configuration's material is unknown", "chunk c { material x.m.tbumptex {} }\n", "", MeshMaterialNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextLoad load;
        if (c.level)
            load.tree.MakeFile("level.imtxt", c.level);
        std::string description =
            *c.description ? c.description : "version 1.00\nmesh 0 { name a.im }\nmesh 10 { name level.imtxt }\n";
        EXPECT_EQ(load.Load(description), c.result);
    }
}
