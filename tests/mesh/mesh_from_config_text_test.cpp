// Meshes loaded from ".imtxt" geometry configurations: the text form read through the parser and built, and each fault's result.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mesh/mesh_load_fixture.h"
#include "support/temp_folder.h"
#include "zel/config_data.h"
#include "zel/geometry_config_data.h"

namespace {

// Two chunks: four vertices with two uv sets and normals, one coloured
// vertex, seven indices and a face normal; then an empty chunk.
const char* const kMesh = R"(version 1.00
position "1 2 3"
most-influences 1
most-bones 2
chunk body {
    material body.m.onetex {
        texture "body.texture" { slot 0; value 1 }
        property tint { value "1 0 0" }
        opacity 0.5; power 0.25
        diffuse "0.1 0.2 0.3 1"
    }
    weights 1
    vertex "0 0 0" { uv "0 0"; uv "1 1"; normal "0 0 1" }
    vertex "1 0 0" { uv "1 0"; uv "0 1"; normal "0 0 1"; colour 0x80FF0000 }
    vertex "0 1 0" { uv "0 1"; uv "1 0"; normal "0 0 1" }
    vertex "1 1 0" { uv "1 1"; uv "0 0"; normal "0 0 1" }
    indices "0 1 2 1 3"
    indices "2 0"
    face-normal "0 0 1"
}
chunk "second, empty" { material "" {} }
influence root { position "0 0 0" }
influence "arm bone" {
    parent root; orientation "0 0 0 1"
    entry 0 { weight "1 1"; weight "2 0.5 0 0 1" }
    entry 0 {}
}
attachment a.light { position "4 5 6"; orientation "0 0 1 0" }
)";

class MeshFromConfigTextTest : public KorvelTest::TempFolderTest {
protected:
    int LoadText(const std::string& text, KorvelTest::MeshLoad& load)
    {
        folder_.MakeFile("shed/shed.imtxt", text);
        load.resource.name = folder_ / "shed/shed.imtxt";
        load.definition = std::make_unique<KorvelIndexedMeshDefinition>();
        return load.definition->LoadConfig(&load.display, &load.materials, &load.resource, load.resource.name,
                                           0xFF102030u);
    }
};

uint32_t ColourAt(Zel::GeometryChunk& chunk, uint32_t vertex)
{
    Zel::VertexStream colours = chunk.GetItem(Zel::ItemColour);
    uint32_t colour = 0;
    memcpy(&colour, colours.data + size_t{vertex} * colours.stride, 4);
    return colour;
}

}  // namespace

TEST_F(MeshFromConfigTextTest, ReadsEveryPartOfTheTextForm)
{
    KorvelTest::MeshLoad load;
    load.display.SetCapability(29, true);
    ASSERT_EQ(LoadText(kMesh, load), MeshOk);
    const KorvelIndexedMeshDefinition& mesh = *load.definition;
    ASSERT_EQ(mesh.GetChunkCount(), 2);
    Zel::GeometryChunk& body = *mesh.GetChunk(0);
    EXPECT_EQ(body.GetVertexCount(), 4u);
    EXPECT_EQ(body.GetFaceCount(), 2u);  // seven indices
    EXPECT_EQ(mesh.GetChunk(1)->GetVertexCount(), 0u);
    EXPECT_EQ(mesh.GetVertexTotal(), 4u);
    EXPECT_EQ(mesh.GetHardwareBoneLimit(), 25u);
    Zel::VertexStream uv1 = body.GetItem(Zel::ItemTexCoord0 + 1);
    ASSERT_TRUE(uv1);
    float second[2];
    memcpy(second, uv1.data + 3 * size_t{uv1.stride}, 8);
    EXPECT_EQ(second[0], 0.0f);
    EXPECT_EQ(second[1], 0.0f);
    EXPECT_EQ(ColourAt(body, 1), 0x80FF0000u);
    EXPECT_EQ(ColourAt(body, 0), 0xFF102030u);  // vertices without a colour take the default
    EXPECT_EQ(ColourAt(body, 3), 0xFF102030u);
    EXPECT_EQ(body.GetIndices()[6], 0u);
    EXPECT_EQ(body.GetFaceNormals()[2], 1.0f);
    EXPECT_FLOAT_EQ(mesh.GetMaterial(0)->GetDisplayMaterial().power, 32.0f);
    EXPECT_FLOAT_EQ(mesh.GetMaterial(0)->GetDisplayMaterial().diffuse[2], 0.3f);
    ASSERT_EQ(mesh.GetInfluences().size(), 2u);
    const auto& arm = mesh.GetInfluences()[1];
    EXPECT_EQ(arm.name, "arm bone");
    EXPECT_EQ(arm.parent, "root");
    ASSERT_EQ(arm.entries.size(), 1u);  // the entry without weights is dropped
    ASSERT_EQ(arm.entries[0].weights.size(), 2u);
    EXPECT_EQ(arm.entries[0].weights[1].vertex, 2u);
    EXPECT_EQ(arm.entries[0].weights[1].extra[2], 1.0f);
    ASSERT_EQ(mesh.GetAttachments().size(), 1u);
    EXPECT_EQ(mesh.GetAttachments()[0].position[2], 6.0f);
    EXPECT_FLOAT_EQ(mesh.GetAttachments()[0].orientation[0], -1.0f);
}

TEST_F(MeshFromConfigTextTest, EachFaultEndsInItsResult)
{
    const std::string chunk =
        "chunk c { material m.m.onetex {}\n vertex \"0 0 0\"; vertex \"1 0 0\"; vertex \"0 1 0\"\n";
    struct Case {
        const char* name;
        std::string text;
        int result;
    } cases[] = {
        {"unbalanced brace", chunk, MeshParseFailed},
        {"entry without a value", "position\n", MeshParseFailed},
        {"empty file", "", MeshBadFormat},
        {"only comments", "// nothing\n", MeshBadFormat},
        {"unknown key", chunk + "vertices 3 }", MeshBadFormat},
        {"nine uv sets",
         "chunk c { vertex \"0 0 0\" { uv \"0 0\"; uv \"0 0\"; uv \"0 0\"; uv \"0 0\"; uv \"0 0\"; "
         "uv \"0 0\"; uv \"0 0\"; uv \"0 0\"; uv \"0 0\" } }",
         MeshBadFormat},
        {"uv sets differ", "chunk c { vertex \"0 0 0\" { uv \"0 0\" }; vertex \"1 0 0\" }", MeshBadFormat},
        {"normals on some", "chunk c { vertex \"0 0 0\"; vertex \"1 0 0\" { normal \"0 0 1\" } }", MeshBadFormat},
        {"index above 65535", chunk + "indices \"0 1 65536\" }", MeshBadFormat},
        {"negative index", chunk + "indices \"0 1 -2\" }", MeshBadFormat},
        {"index equal to the vertex count", chunk + "indices \"0 1 3\" }", MeshBadFormat},
        {"not a number", chunk + "} \nposition \"1 x 3\"", MeshBadFormat},
        {"nan", chunk + "} \nposition \"1 nan 3\"", MeshBadFormat},
        {"overflowing number", chunk + "} \nposition \"1 1e99 3\"", MeshBadFormat},
        {"too few numbers", chunk + "} \norientation \"0 0 1\"", MeshBadFormat},
        {"bad colour", "chunk c { vertex \"0 0 0\" { colour 0x1FFFFFFFF } }", MeshBadFormat},
        {"weight without a weight", chunk + "} influence b { entry 0 { weight \"1\" } }", MeshBadFormat},
        {"unknown material, no fallback", "chunk c { material x.m.tbumptex {} }", MeshMaterialNotFound},
    };
    for (const Case& c : cases) {
        KorvelTest::MeshLoad load;
        EXPECT_EQ(LoadText(c.text, load), c.result) << c.name;
        if (c.result == MeshBadFormat && c.text.find("indices \"0 1 3\"") == std::string::npos) {
            EXPECT_EQ(load.definition->GetChunks().Size(), 0u) << c.name;  // nothing half-built
        }
    }
    KorvelTest::MeshLoad missing;
    missing.definition = std::make_unique<KorvelIndexedMeshDefinition>();
    EXPECT_EQ(missing.definition->LoadConfig(&missing.display, &missing.materials, &missing.resource,
                                             folder_ / "absent.imtxt", 0),
              MeshNoData);
}

TEST(GeometryConfigDataTest, SkipsWhatTheFlagsLeaveOutAndNamesTheFault)
{
    Zel::ConfigData root;
    std::string error;
    ASSERT_TRUE(Zel::ConfigParser().Parse(kMesh, root, error)) << error;
    Zel::GeometryConfigData config;
    ASSERT_TRUE(config.LoadConfigData(root, false, false, false, "shed.imtxt"));
    EXPECT_EQ(config.GetNumChunks(), 2);
    EXPECT_EQ(config.GetMaxVertices(), 4u);
    EXPECT_TRUE(config.chunks[0].material.name.empty());
    EXPECT_TRUE(config.influences.empty());
    EXPECT_TRUE(config.attachments.empty());
    ASSERT_TRUE(Zel::ConfigParser().Parse("chunk c { vertex \"0 0\" }", root, error));
    EXPECT_FALSE(config.LoadConfigData(root, true, true, true, "shed.imtxt"));
    EXPECT_FALSE(config.interpreted);
    EXPECT_EQ(config.GetMaxVertices(), 0u);
    EXPECT_EQ(config.error, "shed.imtxt: 'vertex 0 0': too few numbers");
}
