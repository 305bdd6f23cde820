// Mesh materials: colour rules by version, decorated names, fallbacks, texture paths and the missing-texture list.
#include <gtest/gtest.h>

#include "mesh/mesh_load_fixture.h"
#include "support/temp_folder.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

TEST(MeshMaterialsTest, ColoursFollowTheRecordVersion)
{
    struct Case {
        int32_t version;
        float power;
        float expectedPower;
        float expectedSpecular;
    } cases[] = {{102, 40, 10, 0}, {103, 4, 10, 1}, {103, 40, 40, 1}};
    for (const Case& c : cases) {
        ImFile file;
        file.chunks.push_back(KorvelTest::QuadChunk());
        KorvelTest::ImMaterial& m = file.chunks[0].material;
        m.version = c.version;
        m.power = c.power;
        m.specular[0] = m.specular[1] = m.specular[2] = 1;
        m.emissive[0] = 0.8f, m.emissive[1] = 0.6f, m.emissive[2] = 0.4f;
        m.opacity = 0.5f;
        m.flag = 7;
        m.properties = {{"RustAge", "3"}};
        MeshLoad load;
        ASSERT_EQ(load.Load(file), MeshOk) << c.version;
        const Zel::Material* material = load.definition->GetMaterial(0);
        const Zel::DisplayMaterial& colours = material->GetDisplayMaterial();
        EXPECT_EQ(colours.power, c.expectedPower) << c.version;
        EXPECT_EQ(colours.specular[0], c.expectedSpecular) << c.version;
        EXPECT_FLOAT_EQ(colours.emissive[0], 0.4f);
        EXPECT_FLOAT_EQ(colours.emissive[1], 0.3f);
        EXPECT_FLOAT_EQ(colours.emissive[2], 0.2f);
        EXPECT_EQ(material->GetOpacity(), 0.5f);
        EXPECT_EQ(material->GetFlags() & 1u, 1u);
        ASSERT_EQ(material->GetNumProperties(), 1u);
        EXPECT_EQ(material->GetProperty(0).second, "3");
    }
}

TEST(MeshMaterialsTest, FallbackKeepsTheAskedNameAndListsItMissing)
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk("wood.m.tbumpgloss"));
    MeshLoad load;
    load.resource.owner = "<kuid:1:2>";
    load.resource.allowFallbackMaterials = true;
    ASSERT_EQ(load.Load(file), MeshOk);
    const Zel::Material* material = load.definition->GetMaterial(0);
    EXPECT_EQ(material->GetCreationType(), "onetex");
    EXPECT_EQ(material->GetRequestName(), "<kuid:1:2>*assets/shed*wood.m.tbumpgloss");
    ASSERT_EQ(load.resource.missingMaterialNames.size(), 1u);
    EXPECT_EQ(load.resource.missingMaterialNames[0], material->GetRequestName());
    EXPECT_EQ(load.definition->GetStoredMaterialName(0), "wood.m.tbumpgloss");
}

TEST(MeshMaterialsTest, TexturesResolveBesideTheMeshAndFailuresAreListedOnce)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("shed/wood.texture", "x");
    tree.MakeFile("shed/roof.texture.txt", "Primary=roof.tga");
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk("a.m.onetex"));
    file.chunks[0].material.textures = {{0, "maps/wood.texture", 0}, {5, "ignored.texture", 0}};
    file.chunks.push_back(KorvelTest::QuadChunk("b.m.gloss"));
    file.chunks[1].material.textures = {{0, "roof.texture", 0}, {9, "sky\\env.texture", 1}};
    file.chunks.push_back(KorvelTest::QuadChunk("c.m.onetex"));
    file.chunks[2].material.textures = {{0, "gone.texture", 0}};
    MeshLoad load;
    load.resource.name = tree / "shed/shed.im";
    ASSERT_EQ(load.Load(file), MeshOk);
    Zel::FileTextureSource source;
    load.definition->LoadTextures(&source);
    std::vector<TextureDefinition> expected = {{9, tree / "shed/env.texture", 1}, {0, tree / "shed/gone.texture", 0}};
    EXPECT_EQ(load.definition->GetMissingTextures(), expected);
    EXPECT_EQ(ResolveTexturePath("maps/wood.tga", &load.resource), tree / "shed/wood.tga");
    MeshResource relative;
    relative.name = "assets/shed/shed.im";
    EXPECT_EQ(ResolveTexturePath("maps/wood.tga", &relative), "assets/shed/wood.tga");
}
