// Moving the store's folders: into the trash across file systems, and removing only trees that hold nothing.
#include "daemon/folder_moves.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "daemon/asset_folders.h"
#include "support/file_text.h"
#include "support/scratch_tmpfs.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const KUID Asset(12, 34, 0);

class FolderMovesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(root.empty()); }

    void TearDown() override { mount.Unmount(); }

    // The only entry of the trash; empty when it holds none or several.
    std::string TrashEntry() const
    {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(root + "/trash"))
            entries.push_back(entry.path());
        return entries.size() == 1 ? entries[0].string() : std::string();
    }

    KorvelTest::TempFolder place{"KorvelFolderMoves"};
    const std::string& root = place.Root();
    KorvelTest::ScratchTmpfs mount;
};

TEST_F(FolderMovesTest, AFolderOnAnotherFileSystemIsCopiedIntoTheTrashBeforeItLeaves)
{
    if (!mount.Mount(root + "/editing", 32 << 20))
        GTEST_SKIP() << "Needs a second file system: " << mount.Reason();
    std::string big(4 << 20, 'b');
    std::string folder = root + "/editing/kuid_12_34_0/e1";
    KorvelTest::WriteFileText(folder + "/asset/config.txt", "kuid <kuid:12:34>\n");
    KorvelTest::WriteFileText(folder + "/asset/art/big.im", big);

    std::string error;
    ASSERT_TRUE(KADMoveToTrash(root, Asset, folder, &error)) << error;
    EXPECT_FALSE(fs::exists(folder));
    std::string entry = TrashEntry();
    ASSERT_FALSE(entry.empty());
    EXPECT_EQ(fs::path(entry).filename().string().rfind("kuid_12_34_0-", 0), 0u) << entry;
    EXPECT_EQ(KorvelTest::ReadFileText(entry + "/asset/config.txt"), "kuid <kuid:12:34>\n");
    EXPECT_EQ(KorvelTest::ReadFileText(entry + "/asset/art/big.im"), big);
}

TEST_F(FolderMovesTest, AFolderTheTrashCannotTakeStaysWholeInItsPlace)
{
    if (!mount.Mount(root + "/trash", 1 << 20))
        GTEST_SKIP() << "Needs a second file system: " << mount.Reason();
    std::string folder = root + "/local/kuid_12_34_0/r1";
    KorvelTest::WriteFileText(folder + "/asset/config.txt", "kuid <kuid:12:34>\n");
    KorvelTest::WriteFileText(folder + "/asset/big.im", std::string(3 << 20, 'b'));

    std::string error;
    EXPECT_FALSE(KADMoveToTrash(root, Asset, folder, &error));
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(KorvelTest::ReadFileText(folder + "/asset/big.im"), std::string(3 << 20, 'b'));
    EXPECT_TRUE(fs::is_empty(root + "/trash"));  // no half copy either

    ASSERT_TRUE(mount.MakeReadOnly()) << mount.Reason();
    EXPECT_FALSE(KADMoveToTrash(root, Asset, folder, &error));
    EXPECT_NE(error.find("Read-only file system"), std::string::npos) << error;
    EXPECT_TRUE(fs::exists(folder + "/asset/config.txt"));
}

TEST_F(FolderMovesTest, OnlyATreeOfEmptyFoldersIsRemoved)
{
    struct Tree {
        const char* name;
        bool removed;
    };
    std::string outside = root + "/outside";
    KorvelTest::WriteFileText(outside + "/kept.txt", "kept");
    const std::string base = root + "/local/";
    fs::create_directories(base + "empty/r1/asset/art");
    fs::create_directories(base + "nothing");
    KorvelTest::WriteFileText(base + "file/r1/asset/art/skin.tga", "skin");
    fs::create_directories(base + "file/r2/asset");
    fs::create_directories(base + "link/r1");
    fs::create_directory_symlink(outside, base + "link/r1/asset");
    for (const Tree& tree : {Tree{"empty", true}, Tree{"nothing", true}, Tree{"file", false}, Tree{"link", false}}) {
        SCOPED_TRACE(tree.name);
        EXPECT_EQ(KADTreeHoldsNoFiles(base + tree.name), tree.removed);
        EXPECT_EQ(KADRemoveEmptyTree(base + tree.name), tree.removed);
        EXPECT_EQ(fs::exists(base + tree.name), !tree.removed);
    }
    // A tree that holds a file keeps all of it, its empty folders too.
    EXPECT_EQ(KorvelTest::ReadFileText(base + "file/r1/asset/art/skin.tga"), "skin");
    EXPECT_TRUE(fs::exists(base + "file/r2/asset"));
    // A link is never followed.
    EXPECT_EQ(KorvelTest::ReadFileText(outside + "/kept.txt"), "kept");
}

TEST_F(FolderMovesTest, EmptyAssetFoldersGoAndOthersStay)
{
    fs::create_directories(root + "/local/kuid_12_34_0");
    fs::create_directories(root + "/editing/kuid_12_34_0/e1");
    KADRemoveEmptyAssetFolders(root, Asset);
    EXPECT_FALSE(fs::exists(root + "/local/kuid_12_34_0"));
    EXPECT_TRUE(fs::exists(root + "/editing/kuid_12_34_0/e1"));
}

}  // namespace
