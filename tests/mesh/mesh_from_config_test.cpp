// Meshes built from an interpreted geometry configuration: chunks kept as given, materials, influences and attachments.
#include <gtest/gtest.h>

#include <functional>

#include "mesh/mesh_load_fixture.h"
#include "zel/geometry_config_data.h"

namespace {

Zel::GeometryConfigData::Chunk Triangles(size_t indices, const std::string& material)
{
    Zel::GeometryConfigData::Chunk chunk;
    chunk.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    chunk.texCoords = {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}};
    const uint16_t pattern[] = {0, 1, 2, 1, 3, 2, 0, 3};
    chunk.indices.assign(pattern, pattern + indices);
    chunk.material.name = material;
    chunk.material.colours.power = 0.5f;
    return chunk;
}

int Build(KorvelTest::MeshLoad& load, const Zel::GeometryConfigData& config)
{
    load.definition = std::make_unique<KorvelIndexedMeshDefinition>();
    return load.definition->BuildFromConfig(&load.display, &load.materials, &load.resource, config, load.resource.name,
                                            0xFFFFFFFFu);
}

}  // namespace

TEST(MeshFromConfigTest, BuildsChunksMaterialsInfluencesAndAttachments)
{
    Zel::GeometryConfigData config;
    config.chunks = {Triangles(7, "body.m.onetex"), Triangles(0, "")};
    config.influences.resize(2);
    config.influences[0].name = "root";
    config.influences[1].name = "arm";
    config.influences[1].parent = "root";
    config.influences[1].entries = {{0, {}}, {0, {{1, 1.0f}}}};
    config.attachments.resize(1);
    config.attachments[0].name = "a.light";
    config.attachments[0].orientation[2] = 1;  // half a turn about z
    config.attachments[0].orientation[3] = 0;
    KorvelTest::MeshLoad load;
    load.display.SetCapability(29, true);
    ASSERT_EQ(Build(load, config), MeshOk);
    const KorvelIndexedMeshDefinition& mesh = *load.definition;
    EXPECT_EQ(mesh.GetChunkCount(), 2);  // the empty chunk is kept
    EXPECT_EQ(mesh.GetChunk(0)->GetFaceCount(), 2u);
    EXPECT_EQ(mesh.GetFaceTotal(), 2u);
    EXPECT_EQ(mesh.GetHardwareBoneLimit(), 25u);
    EXPECT_EQ(mesh.GetOrientedBox().extents[0], 0.0f);
    EXPECT_EQ(mesh.GetMaterial(0)->GetDisplayMaterial().power, 64.0f);
    // An undecorated name gets one of ours, of the fallback type.
    EXPECT_EQ(mesh.GetMaterial(1)->GetCreationType(), "onetex");
    ASSERT_EQ(mesh.GetInfluences().size(), 2u);
    EXPECT_EQ(mesh.GetInfluences()[1].entries.size(), 1u);  // the empty entry is dropped
    ASSERT_NE(mesh.GetSkeleton(), nullptr);
    EXPECT_EQ(mesh.GetSkeleton()->children.size(), 1u);
    ASSERT_EQ(mesh.GetAttachments().size(), 1u);
    EXPECT_FLOAT_EQ(mesh.GetAttachments()[0].orientation[0], -1.0f);
}

TEST(MeshFromConfigTest, FailuresStopTheBuild)
{
    struct Case {
        const char* name;
        std::function<void(Zel::GeometryConfigData&)> change;
        int result;
        size_t chunks;
    } cases[] = {
        {"unknown second material",
         [](Zel::GeometryConfigData& c) {
             c.chunks = {Triangles(6, "a.m.onetex"), Triangles(6, "b.m.tbumptex")};
         },
         MeshMaterialNotFound, 1},
        {"nothing interpreted",
         [](Zel::GeometryConfigData& c) {
             c.interpreted = false;
             c.chunks.clear();
         },
         MeshBadFormat, 0},
        {"index past the vertices",
         [](Zel::GeometryConfigData& c) {
             c.chunks = {Triangles(6, "a.m.onetex")};
             c.chunks[0].indices[5] = 4;
         },
         MeshBadFormat, 1},
    };
    for (const Case& c : cases) {
        Zel::GeometryConfigData config;
        c.change(config);
        KorvelTest::MeshLoad load;
        EXPECT_EQ(Build(load, config), c.result) << c.name;
        EXPECT_EQ(load.definition->GetChunks().Size(), c.chunks) << c.name;
    }
    KorvelTest::MeshLoad noManager;
    noManager.definition = std::make_unique<KorvelIndexedMeshDefinition>();
    EXPECT_EQ(noManager.definition->BuildFromConfig(nullptr, nullptr, nullptr, Zel::GeometryConfigData(), "x", 0),
              MeshNoMaterialManager);
}
