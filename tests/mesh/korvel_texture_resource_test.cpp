// The release-on-demand list and KorvelTextureResource: unlinking across lists, a destroyed head, and the texture going before the database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "assetdb/resource_database.h"
#include "foundation/base/install_paths.h"
#include "mesh/compress_ascii_resource.h"
#include "mesh/korvel_texture_resource.h"
#include "support/temp_folder.h"
#include "support/test_images.h"

namespace {

class Counted : public AutoReleasingResource {
public:
    void Release() override { ++released; }
    int released = 0;
};

TEST(AutoReleasingResourceTest, RemoveFromAnotherHeadChangesNothing)
{
    LinkedListHead<AutoReleasingResource> mine;
    LinkedListHead<AutoReleasingResource> theirs;
    Counted a, b, c;
    mine.Append(&a.Node());
    mine.Append(&b.Node());
    theirs.Append(&c.Node());
    EXPECT_EQ(mine.Remove(&c.Node()), &c.Node());
    EXPECT_EQ(c.Node().Head(), &theirs);
    EXPECT_EQ(theirs.First(), &c.Node());
    EXPECT_EQ(mine.First(), &a.Node());
    EXPECT_EQ(mine.Last(), &b.Node());
    EXPECT_EQ(a.Node().Next(), &b.Node());

    mine.Remove(&a.Node());
    EXPECT_EQ(mine.First(), &b.Node());
    EXPECT_EQ(b.Node().Previous(), nullptr);
    EXPECT_EQ(a.Node().Head(), nullptr);
}

TEST(AutoReleasingResourceTest, DestroyedHeadLeavesItsNodesUnlinked)
{
    Counted a, b;
    {
        LinkedListHead<AutoReleasingResource> list;
        list.Append(&a.Node());
        list.Append(&b.Node());
    }
    for (Counted* node : {&a, &b}) {
        EXPECT_EQ(node->Node().Head(), nullptr);
        EXPECT_EQ(node->Node().Next(), nullptr);
        EXPECT_EQ(node->Node().Previous(), nullptr);
    }
    // A node destroyed while listed leaves the list by itself.
    LinkedListHead<AutoReleasingResource> list;
    {
        Counted gone;
        list.Append(&gone.Node());
    }
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(AutoReleasingResources().First(), nullptr);
}

TEST(KorvelTextureResourceTest, ReleasingTheDatabaseGivesTheTextureBackFirst)
{
    KorvelTest::TempFolder root;
    InitInstallPaths(Zel::File::Path(root.Root().c_str()));
    std::filesystem::create_directories(root / "UserData/local/pack");
    std::ofstream(root / "UserData/local/pack/wood.bmp", std::ios::binary) << TestImages::Bmp24(8, 8);
    std::ofstream(root / "UserData/local/pack/wood.convert-tex.txt") << "Primary=wood.bmp\n";
    CompressAsciiResource::RegisterType();

    KorvelTextureResource held;
    ASSERT_TRUE(held.AcquireDatabase(Zel::PString("local")));
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("local")), 1);
    ASSERT_TRUE(held.AcquireTexture(Zel::PString("pack/wood.convert-tex")));
    Zel::Resource* texture = held.GetTexture();
    texture->AddReference();

    held.ReleaseDatabase();
    EXPECT_FALSE(held.HoldsTexture());
    EXPECT_FALSE(held.HoldsDatabase());
    EXPECT_TRUE(held.GetTextureName().IsEmpty());
    EXPECT_EQ(texture->GetReferenceCount(), 1);
    EXPECT_EQ(texture->GetPriority(), 0.0f);
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("local")), 0);
    held.ReleaseDatabase();
    held.ReleaseTexture();
    EXPECT_EQ(texture->GetReferenceCount(), 1);
    texture->ReleaseReference();
}

}  // namespace
