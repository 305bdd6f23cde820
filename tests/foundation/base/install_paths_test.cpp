// Installation and user-data roots: fixing them, the folder tree, legacy moves and path mapping.
#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "foundation/base/file_utilities.h"
#include "foundation/base/install_paths.h"
#include "support/temp_folder.h"
#include "zel/rand.h"

namespace {

namespace fs = std::filesystem;

// A fresh installation root in a mixed-case temporary folder, so the
// lower-cased root resolves only through the file layer's case fallback.
class InstallPathsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(root_.empty()); }

    std::string Lower(std::string text) const
    {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    KorvelTest::TempFolder folder_{"InstallRoot"};
    const std::string& root_ = folder_.Root();
};

TEST_F(InstallPathsTest, RootIsNormalisedAndLowerCasedAndUserDataBelowIt)
{
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_ + "/bin/../")));
    EXPECT_EQ(GetInstallRoot().Str(), Lower(root_));
    EXPECT_EQ(GetUserDataRoot().Str(), Lower(root_) + "/UserData");
    EXPECT_TRUE(fs::is_directory(root_ + "/UserData"));
    EXPECT_EQ(GetDaemonExecutablePath().Str(), Lower(root_) + "/bin/kaddaemon.exe");
    EXPECT_EQ(GetAssetDatabasePath().Str(), Lower(root_) + "/UserData/assets.tdx");
    EXPECT_EQ(GetCacheFolder().Str(), Lower(root_) + "/UserData/cache");
    EXPECT_EQ(GetPluginsFolder().Str(), Lower(root_) + "/bin/plugins");
    EXPECT_EQ(GetRootFolderPath("local").Str(), Lower(root_) + "/UserData/local");
    EXPECT_EQ(GetRootFolderPath("data").Str(), Lower(root_) + "/data");
    // No temporary file is left behind by the write-access check.
    EXPECT_TRUE(fs::is_empty(root_ + "/UserData"));
}

TEST_F(InstallPathsTest, FolderTreeIsCreatedAndExistingFoldersAreFine)
{
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    fs::create_directories(root_ + "/UserData/local/kept");
    CreateUserFolders();
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root_ + "/UserData"))
        found.insert(fs::relative(entry.path(), root_ + "/UserData").string());
    std::set<std::string> expected = {"cache",       "cache/bookmarks", "cache/libraries", "cache/sessions",
                                      "cache/water", "trash",           "local",           "local/kept",
                                      "original",    "editing",         "settings"};
    EXPECT_EQ(found, expected);
    std::string target;
    ASSERT_TRUE(Zel::File::GetSubst("scripts", target));
    EXPECT_EQ(target, Lower(root_) + "/scripts/");
    ResetResourceDatabases();
    EXPECT_FALSE(Zel::File::GetSubst("scripts", target));
    EXPECT_FALSE(Zel::File::GetSubst("libraries", target));
}

// A lower-cased twin beside the root is where every look-up of the
// lower-cased root leads: the folder tree is made there, even when the root
// as given holds it already.
TEST_F(InstallPathsTest, FolderTreeFollowsTheLookUpsToALowerCasedTwinOfTheRoot)
{
    const std::string twin = Lower(root_);
    ASSERT_NE(twin, root_);
    fs::create_directories(root_ + "/UserData/cache/water");
    fs::create_directories(twin);
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    CreateUserFolders();
    for (const char* name : {"cache", "cache/water", "trash", "settings"})
        EXPECT_TRUE(fs::is_directory(twin + "/UserData/" + name)) << name;
    EXPECT_FALSE(fs::exists(root_ + "/UserData/trash"));
    ResetResourceDatabases();
    fs::remove_all(twin);
}

TEST_F(InstallPathsTest, LegacyFoldersMoveIntoUserDataAndMissingOnesAreNoError)
{
    fs::create_directories(root_ + "/local/asset");
    fs::create_directories(root_ + "/assets.tdx");
    fs::create_directories(root_ + "/UserData/trash");
    fs::create_directories(root_ + "/trash/old");
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    EXPECT_TRUE(fs::is_directory(root_ + "/UserData/local/asset"));
    EXPECT_TRUE(fs::is_directory(root_ + "/UserData/assets.tdx"));
    EXPECT_FALSE(fs::exists(root_ + "/local"));
    // An existing target is never overwritten: the old folder stays.
    EXPECT_TRUE(fs::is_directory(root_ + "/trash/old"));
    EXPECT_FALSE(fs::exists(root_ + "/UserData/original"));
}

// The old folders are found whatever their case, as a look-up finds them.
TEST_F(InstallPathsTest, LegacyFoldersSpeltInAnyCaseMove)
{
    fs::create_directories(root_ + "/Original/asset");
    fs::create_directories(root_ + "/SCREENSHOTS/shot");
    std::ofstream(root_ + "/Readme.txt") << "kept";
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    EXPECT_TRUE(fs::is_directory(root_ + "/UserData/original/asset"));
    EXPECT_TRUE(fs::is_directory(root_ + "/UserData/screenshots/shot"));
    EXPECT_FALSE(fs::exists(root_ + "/Original"));
    EXPECT_FALSE(fs::exists(root_ + "/SCREENSHOTS"));
    EXPECT_TRUE(fs::exists(root_ + "/Readme.txt"));
}

TEST_F(InstallPathsTest, WriteAccessFailsWhenUserDataIsAFile)
{
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    EXPECT_TRUE(CheckWriteAccess());
    fs::remove_all(root_ + "/UserData");
    std::ofstream(root_ + "/UserData") << "a file";
    EXPECT_FALSE(CheckWriteAccess());
}

TEST_F(InstallPathsTest, WriteAccessNeverWritesThroughALinkPlantedUnderItsName)
{
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    // The temporary name is "temp-" + 8 random characters + a counter +
    // ".tmp". With the same seed the next name differs only in its counter,
    // so a dangling link can be planted exactly where the check would write.
    // The name check passes over it, and the exclusive create would refuse
    // it if it appeared between check and create.
    Zel::Rand::Seed(42);
    Zel::File::Path first;
    ASSERT_TRUE(CreateTemporaryFilePath(first, Zel::PString()));
    std::string name = first.GetFileName();
    ASSERT_EQ(name.rfind("temp-", 0), 0u) << name;
    std::string randomPart = name.substr(5, 8);
    long counter = std::stol(name.substr(13, name.size() - 13 - 4));
    std::string next = "temp-" + randomPart + std::to_string(counter + 1) + ".tmp";
    fs::create_symlink(root_ + "/outside.txt", root_ + "/UserData/" + next);
    Zel::Rand::Seed(42);
    CheckWriteAccess();
    EXPECT_FALSE(fs::exists(root_ + "/outside.txt"));
}

TEST_F(InstallPathsTest, UserDataThatIsAFileIsFatal)
{
    std::ofstream(root_ + "/UserData") << "a file";
    EXPECT_EXIT(InitInstallPaths(Zel::File::Path(root_)), testing::ExitedWithCode(1),
                "Error: Unable to acquire write access to UserData folder\\.");
}

TEST(InstallPathsDeathTest, EmptyRootIsFatal)
{
    EXPECT_EXIT(InitInstallPaths(Zel::File::Path("")), testing::ExitedWithCode(1),
                "Error: Unable to determine application installation path\\.");
}

struct InsideCase {
    std::string relative;
    bool inside;
};

TEST_F(InstallPathsTest, IsInUserDataFolderComparesWholeComponents)
{
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    const InsideCase cases[] = {
        {"/UserData", true},
        {"/UserData/", true},
        {"/userdata/local/x.txt", true},
        {"/UserData/../UserData/a", true},
        {"/UserData2", false},
        {"/UserData2/a", false},
        {"/UserDat", false},
        {"/UserData/../bin/x", false},
        {"", false},
    };
    for (const InsideCase& c : cases)
        EXPECT_EQ(IsInUserDataFolder(Zel::File::Path(root_ + c.relative)), c.inside) << c.relative;
    EXPECT_FALSE(IsInUserDataFolder(Zel::File::Path("UserData/local")));
}

TEST_F(InstallPathsTest, MakeRelativePathNeedsAComponentBoundary)
{
    Zel::File::Path out("stale");
    EXPECT_FALSE(MakeRelativePath(Zel::File::Path("/r/game"), Zel::File::Path("/r/gamedata/x"), out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(MakeRelativePath(Zel::File::Path("/r/Game/"), Zel::File::Path("/r/game/Sub/File.txt"), out));
    EXPECT_EQ(out.Str(), "sub/file.txt");
    EXPECT_TRUE(MakeRelativePath(Zel::File::Path("/r/game"), Zel::File::Path("/r/game/"), out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_FALSE(MakeRelativePath(Zel::File::Path(""), Zel::File::Path("/r"), out));
}

TEST_F(InstallPathsTest, RootFolderOfPathNamesTheTopLevelFolder)
{
    ASSERT_TRUE(InitInstallPaths(Zel::File::Path(root_)));
    Zel::PString name;
    Zel::File::Path path(root_ + "/UserData/Local/kuid 1/config.txt");
    ASSERT_TRUE(GetRootFolderOfPath(name, path));
    EXPECT_STREQ(name.c_str(), "local");
    EXPECT_EQ(path.Str(), "kuid 1/config.txt");

    name = Zel::PString();
    path = Zel::File::Path(root_ + "/builtin/foo/bar.txt");
    ASSERT_TRUE(GetRootFolderOfPath(name, path));
    EXPECT_STREQ(name.c_str(), "builtin\\foo");
    EXPECT_EQ(path.Str(), "bar.txt");

    name = Zel::PString();
    path = Zel::File::Path("/elsewhere/x");
    EXPECT_FALSE(GetRootFolderOfPath(name, path));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_TRUE(path.IsEmpty());

    name = Zel::PString("given");
    path = Zel::File::Path("kept/as/is");
    EXPECT_TRUE(GetRootFolderOfPath(name, path));
    EXPECT_EQ(path.Str(), "kept/as/is");
}

}  // namespace
