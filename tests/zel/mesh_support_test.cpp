// Engine pieces mesh loading stands on: chunk flags round trip, bounded memory-file reads, padded strings, material names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "zel/file.h"
#include "zel/geometry_chunk.h"
#include "zel/material_manager.h"
#include "zel/memory_file.h"
#include "zel/mesh_file_support.h"

TEST(MeshSupportTest, ChunkFlagsRoundTripThePrimitiveKind)
{
    struct Case {
        int type;
        uint32_t flags;
    } cases[] = {{Zel::GeometryList, 4},  {Zel::GeometryStrip, 8},     {Zel::GeometryFan, 16},
                 {Zel::GeometryLines, 1}, {Zel::GeometryLineStrip, 2}, {Zel::GeometryPoints, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(Zel::MakeGeometryChunkFlags(c.type), c.flags) << c.type;
        EXPECT_EQ(Zel::GeometryTypeFromChunkFlags(c.flags), c.type) << c.type;
        // Bits above bit 4 are not the kind.
        EXPECT_EQ(Zel::GeometryTypeFromChunkFlags(c.flags | 0xFFE0u), c.type) << c.type;
    }
    for (uint32_t bad : {3u, 5u, 12u, 31u})
        EXPECT_EQ(Zel::GeometryTypeFromChunkFlags(bad), -1) << bad;
}

TEST(MeshSupportTest, MemoryFileReadsNothingPastTheEnd)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("six.bin", std::string("\x01\x00\x00\x00\xAA\xBB", 6));
    Zel::MemoryFile file;
    ASSERT_EQ(file.Open((tree / "six.bin").c_str()), 0);
    uint32_t value = 7;
    EXPECT_TRUE(file.Read(value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(file.Read(value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(file.Position(), 4u);
    char bytes[4] = {};
    EXPECT_FALSE(file.ReadBytes(bytes, 3));
    EXPECT_TRUE(file.ReadBytes(bytes, 2));
    EXPECT_EQ(file.Left(), 0u);
    file.SetPosition(-5);
    EXPECT_EQ(file.Position(), 0u);
    EXPECT_NE(file.Open((tree / "absent.bin").c_str()), 0);
}

// A loader takes the bytes over by moving the file: the source must be left
// empty, not holding a size without storage behind it.
TEST(MeshSupportTest, MovedMemoryFileKeepsItsPlaceAndLeavesItsSourceEmpty)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("six.bin", std::string("\x01\x00\x00\x00\xAA\xBB", 6));
    Zel::File opened;
    ASSERT_EQ(opened.Open((tree / "six.bin").c_str(), Zel::File::ModeRead), 0);
    Zel::MemoryFile source;
    ASSERT_EQ(source.Open(opened), 0);
    uint32_t value = 0;
    ASSERT_TRUE(source.Read(value));
    Zel::MemoryFile taken;
    taken = std::move(source);
    EXPECT_EQ(taken.Size(), 6u);
    EXPECT_EQ(taken.Position(), 4u);
    EXPECT_EQ(taken.Name(), opened.Name());
    EXPECT_FALSE(source.HasData());
    EXPECT_EQ(source.Left(), 0u);
    EXPECT_FALSE(source.Read(value));
    Zel::MemoryFile built(std::move(taken));
    EXPECT_EQ(built.Size(), 6u);
    EXPECT_EQ(taken.Size(), 0u);
}

TEST(MeshSupportTest, PaddedStringsAreSelfDelimitingFromTheirOwnStart)
{
    struct Case {
        std::string text;
        size_t bytes;
    } cases[] = {{"", 4}, {"a", 4}, {"abc", 4}, {"abcd", 8}, {"bone_tip", 12}, {"\xc3\xa9t\xc3\xa9", 8}};
    for (const Case& c : cases) {
        std::string out = "X";  // a one-byte field before the string
        Zel::MeshFileSupport::AppendPaddedString(out, c.text);
        EXPECT_EQ(out.size() - 1, c.bytes) << c.text;
        Zel::MemoryFile file;
        file.Open(std::vector<uint8_t>(out.begin(), out.end()));
        file.SetPosition(1);
        std::string back;
        ASSERT_TRUE(Zel::MeshFileSupport::ReadPaddedString(file, -1, back)) << c.text;
        EXPECT_EQ(back, c.text);
        EXPECT_EQ(file.Position(), out.size());
    }
    // No NUL before the limit: nothing read.
    Zel::MemoryFile file;
    std::string unterminated = "abcdefgh";
    file.Open(std::vector<uint8_t>(unterminated.begin(), unterminated.end()));
    std::string back = "kept";
    EXPECT_FALSE(Zel::MeshFileSupport::ReadPaddedString(file, 4, back));
    EXPECT_EQ(back, "kept");
    EXPECT_EQ(file.Position(), 0u);
}

TEST(MeshSupportTest, MaterialNamesSplitIntoTypeAndBase)
{
    Zel::MaterialManager manager;
    struct Case {
        std::string name, type, base;
    } cases[] = {
        {"o*f*wood.m.tbumpgloss", "tbumpgloss", "o*f*wood."},
        {"wood.m.onetex", "onetex", "wood."},
        {"a.m.b.m.gloss", "gloss", "a.m.b."},
        {"plain", "onetex", "plain."},
    };
    for (const Case& c : cases) {
        std::string type, base;
        manager.SplitDecoratedMaterialName(c.name, type, base);
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(base, c.base) << c.name;
    }
}

TEST(MeshSupportTest, ManagerMakesBuiltInTypesOnceAndRefusesOthers)
{
    Zel::MaterialManager manager;
    struct Case {
        const char* name;
        int result;
    } cases[] = {{"x.m.onetex", 0}, {"x.m.notex", 0},      {"x.m.gloss", 0},    {"x.m.reflect", 0},
                 {"x", 0},          {"x.m.tbumpgloss", 3}, {"x.m.tbumptex", 3}, {"x.m.", 3}};
    for (const Case& c : cases) {
        Zel::Material* material = nullptr;
        EXPECT_EQ(manager.Request(c.name, material), c.result) << c.name;
        EXPECT_EQ(material != nullptr, c.result == 0) << c.name;
        if (material)
            material->ReleaseReference();
    }
    Zel::Material* first = nullptr;
    Zel::Material* second = nullptr;
    manager.Request("o*f*w.m.gloss", first);
    manager.Request("o*f*w.m.gloss", second);
    EXPECT_EQ(first, second);
    // Slot 9 is drawn by gloss; an unknown slot is recorded and accepted.
    EXPECT_EQ(first->SetTexture(9, nullptr, "env.texture", 0), Zel::Material::TextureMissing);
    EXPECT_EQ(first->SetTexture(5, nullptr, "odd.texture", 0), Zel::Material::TextureOk);
    first->ReleaseReference();
    second->ReleaseReference();
}

TEST(MeshSupportTest, ManagerDropsOnlyTheMaterialsNothingElseHolds)
{
    Zel::MaterialManager manager;
    Zel::Material* held = nullptr;
    Zel::Material* dropped = nullptr;
    ASSERT_EQ(manager.Request("o*f*held.m.onetex", held), 0);
    ASSERT_EQ(manager.Request("o*f*dropped.m.onetex", dropped), 0);
    dropped->SetTexture(0, nullptr, "old.tga", 1.0f);
    dropped->ReleaseReference();
    EXPECT_EQ(manager.ReleaseUnusedMaterials(), 1);
    EXPECT_EQ(manager.ReleaseUnusedMaterials(), 0);
    // A material asked for again is made afresh, without what was set on the old one.
    Zel::Material* again = nullptr;
    ASSERT_EQ(manager.Request("o*f*dropped.m.onetex", again), 0);
    EXPECT_TRUE(again->GetTextures().empty());
    Zel::Material* same = nullptr;
    ASSERT_EQ(manager.Request("o*f*held.m.onetex", same), 0);
    EXPECT_EQ(same, held);
    for (Zel::Material* material : {held, again, same})
        material->ReleaseReference();
}
