// The resource-database table: sharing by name, use counts, purging, the 256-entry limit and the name's substitution.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetdb/client_test_environment.h"
#include "foundation/base/install_paths.h"
#include "assetdb/resource_database.h"
#include "zel/file.h"
#include "support/temp_folder.h"

namespace {

class ResourceDatabaseTest : public ::testing::Test {
protected:
    KorvelTest::TempFolder scratch;
    void SetUp() override
    {
        ClientTestRoot();
        ASSERT_FALSE(scratch.Root().empty());
        base = scratch.Root();
    }
    void TearDown() override { PurgeResourceDatabases(); }
    void WriteFile(const std::string& relative, const std::string& text)
    {
        std::filesystem::path path = base + "/" + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    Zel::File::Path Base() const { return Zel::File::Path(base.c_str()); }

    std::string base;
};

TEST_F(ResourceDatabaseTest, SameNameIsSharedAndClosedOnlyByAPurgeAfterTheLastRelease)
{
    Zel::PString name("resdb-shared");
    KorvelResourceDatabase* first = OpenResourceDatabase(name, Base());
    KorvelResourceDatabase* second = OpenResourceDatabase(name, Base());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(GetResourceDatabaseUses(name), 2);

    ReleaseResourceDatabase(first);
    ReleaseResourceDatabase(second);
    EXPECT_EQ(GetResourceDatabaseUses(name), 0);
    EXPECT_EQ(FindOpenResourceDatabase(name), first);
    std::string target;
    EXPECT_TRUE(Zel::File::GetSubst("resdb-shared", target));

    PurgeResourceDatabases();
    EXPECT_EQ(GetResourceDatabaseUses(name), -1);
    EXPECT_FALSE(Zel::File::GetSubst("resdb-shared", target));
}

TEST_F(ResourceDatabaseTest, PurgeKeepsDatabasesInUse)
{
    Zel::PString held("resdb-held");
    Zel::PString idle("resdb-idle");
    KorvelResourceDatabase* heldDatabase = OpenResourceDatabase(held, Base());
    ReleaseResourceDatabase(OpenResourceDatabase(idle, Base()));
    PurgeResourceDatabases();
    EXPECT_EQ(GetResourceDatabaseUses(held), 1);
    EXPECT_EQ(GetResourceDatabaseUses(idle), -1);
    ReleaseResourceDatabase(heldDatabase);
}

TEST_F(ResourceDatabaseTest, FolderDatabaseReachesItsFilesThroughTheNameInAnyLetterCase)
{
    WriteFile("Pack/Sub/Config.TXT", "kind \"scenery\"\n");
    KorvelResourceDatabase* database = OpenResourceDatabase(Zel::PString("pack"), Base());
    ASSERT_NE(database, nullptr);
    EXPECT_FALSE(database->IsArchive());
    std::string target;
    bool folder = false;
    ASSERT_TRUE(Zel::File::GetSubst("PACK", target, &folder));
    EXPECT_TRUE(folder);
    EXPECT_EQ(target, base + "/pack/");
    EXPECT_EQ(Zel::File::Exists("pack", "sub/config.txt"), 0);
    EXPECT_EQ(Zel::File::Exists("pack/sub/config.txt"), 0);
    ReleaseResourceDatabase(database);
}

TEST_F(ResourceDatabaseTest, ArchiveBesideTheBaseIsRegisteredAsAnArchiveTarget)
{
    WriteFile("content.ja", "not read");
    KorvelResourceDatabase* database = OpenResourceDatabase(Zel::PString("content"), Base());
    ASSERT_NE(database, nullptr);
    EXPECT_TRUE(database->IsArchive());
    std::string target;
    bool folder = true;
    ASSERT_TRUE(Zel::File::GetSubst("content", target, &folder));
    EXPECT_FALSE(folder);
    EXPECT_EQ(target, base + "/content.ja");
    ReleaseResourceDatabase(database);
}

TEST_F(ResourceDatabaseTest, BackslashInTheNameIsASeparatorOnlyInTheTarget)
{
    WriteFile("builtin/Trains/config.txt", "kind \"traincar\"\n");
    Zel::PString name("builtin\\trains");
    KorvelResourceDatabase* database = OpenResourceDatabase(name, Base());
    ASSERT_NE(database, nullptr);
    EXPECT_EQ(database->GetDatabaseName().View(), "builtin\\trains");
    EXPECT_EQ(database->GetTarget().Str(), base + "/builtin/trains/");
    EXPECT_EQ(Zel::File::Exists("builtin\\trains", "config.txt"), 0);
    EXPECT_EQ(Zel::File::Exists("builtin/trains", "CONFIG.txt"), 0);
    ReleaseResourceDatabase(database);
}

TEST_F(ResourceDatabaseTest, UserDataStoresAlwaysMapUnderTheUserDataRoot)
{
    KorvelResourceDatabase* database = OpenResourceDatabase(Zel::PString("editing"), Base());
    ASSERT_NE(database, nullptr);
    Zel::File::Path expected = GetRootFolderPath("editing");
    EXPECT_EQ(database->GetTarget().Str(), expected.Str() + "/");
    ReleaseResourceDatabase(database);
}

TEST_F(ResourceDatabaseTest, FullTableRefusesANewNameUntilOneEntryHasNoUses)
{
    PurgeResourceDatabases();
    int free = ResourceDatabaseTableSize - CountOpenResourceDatabases();
    std::vector<KorvelResourceDatabase*> opened;
    for (int i = 0; i < free; ++i) {
        KorvelResourceDatabase* database =
            OpenResourceDatabase(Zel::PString(("resdb-fill-" + std::to_string(i)).c_str()), Base());
        ASSERT_NE(database, nullptr) << i;
        opened.push_back(database);
    }
    EXPECT_EQ(CountOpenResourceDatabases(), ResourceDatabaseTableSize);
    EXPECT_EQ(OpenResourceDatabase(Zel::PString("resdb-one-too-many"), Base()), nullptr);
    // An open of a name already in the table still succeeds.
    KorvelResourceDatabase* again = OpenResourceDatabase(Zel::PString("resdb-fill-0"), Base());
    EXPECT_EQ(again, opened[0]);
    ReleaseResourceDatabase(again);

    ReleaseResourceDatabase(opened[5]);
    KorvelResourceDatabase* extra = OpenResourceDatabase(Zel::PString("resdb-one-too-many"), Base());
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("resdb-fill-5")), -1);
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("resdb-fill-6")), 1);

    ReleaseResourceDatabase(extra);
    for (size_t i = 0; i < opened.size(); ++i)
        if (i != 5)
            ReleaseResourceDatabase(opened[i]);
    PurgeResourceDatabases();
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("resdb-fill-0")), -1);
}

TEST_F(ResourceDatabaseTest, ReleasesOfNothingOfStrangersAndOfTooManyChangeNothing)
{
    Zel::PString name("resdb-counted");
    KorvelResourceDatabase* database = OpenResourceDatabase(name, Base());
    int open = CountOpenResourceDatabases();
    ReleaseResourceDatabase(nullptr);
    KorvelResourceDatabase stranger(Zel::PString("resdb-stranger"), Base(), false);
    ReleaseResourceDatabase(&stranger);
    EXPECT_EQ(GetResourceDatabaseUses(name), 1);
    EXPECT_EQ(CountOpenResourceDatabases(), open);

    ReleaseResourceDatabase(database);
    ReleaseResourceDatabase(database);
    EXPECT_EQ(GetResourceDatabaseUses(name), 0);
    EXPECT_EQ(OpenResourceDatabase(Zel::PString(), Base()), nullptr);
    EXPECT_EQ(OpenResourceDatabase(Zel::PString(""), Base()), nullptr);
}

TEST_F(ResourceDatabaseTest, ScopedReferenceOpensForItsLifeAndAnEmptyNameIsOk)
{
    {
        ResourceDatabaseRef none(nullptr);
        EXPECT_TRUE(none.IsOk());
        EXPECT_EQ(none.Get(), nullptr);
        ResourceDatabaseRef empty("");
        EXPECT_TRUE(empty.IsOk());
    }
    {
        ResourceDatabaseRef held("resdb-scoped");
        EXPECT_TRUE(held.IsOk());
        EXPECT_NE(held.Get(), nullptr);
        EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("resdb-scoped")), 1);
    }
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("resdb-scoped")), 0);
}

}  // namespace
