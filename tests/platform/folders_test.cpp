// Making folders with their parents, the parent of a path, and a folder that cannot be made.
#include <gtest/gtest.h>

#include <errno.h>

#include <string>

#include "platform/folders.h"
#include "support/scratch_tmpfs.h"
#include "support/temp_folder.h"

namespace {

using PlatformFolders = KorvelTest::TempFolderTest;

TEST(PlatformParentFolder, NamesTheFolderThatHoldsThePath)
{
    const struct {
        const char* path;
        const char* parent;
    } cases[] = {
        {"/a/b/c", "/a/b"}, {"/a/b/", "/a"}, {"/a", "/"},     {"/", "/"},   {"a/b", "a"},
        {"a", ""},          {"", ""},        {"/a//b", "/a"}, {"//a", "/"}, {"Ünïcödé/ß", "Ünïcödé"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Platform::ParentFolder(c.path), c.parent) << c.path;
}

TEST_F(PlatformFolders, MakesEveryMissingFolderAndAcceptsOnesThatExist)
{
    std::string deep = folder_ / "one/twö/" + std::string(200, 'x') + "/four";
    EXPECT_TRUE(Platform::MakeFolders(deep));
    EXPECT_TRUE(Platform::FolderExists(deep));
    EXPECT_TRUE(Platform::MakeFolders(deep));
    EXPECT_TRUE(Platform::MakeFolders(folder_ / "one/"));
}

TEST_F(PlatformFolders, AFileInTheWayIsAFailure)
{
    folder_.MakeFile("file", "x");
    errno = 0;
    EXPECT_FALSE(Platform::MakeFolders(folder_ / "file"));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(Platform::MakeFolders(folder_ / "file/below"));
    EXPECT_FALSE(Platform::MakeFolders(""));
}

TEST(PlatformFoldersReadOnly, AReadOnlyFileSystemIsAFailure)
{
    KorvelTest::TempFolder place;
    KorvelTest::ScratchTmpfs readOnly(place / "disk", 64 << 10);
    if (!readOnly.Mounted() || !readOnly.MakeReadOnly())
        GTEST_SKIP() << readOnly.Reason();
    errno = 0;
    EXPECT_FALSE(Platform::MakeFolders(readOnly / "a/b"));
    EXPECT_EQ(errno, EROFS);
    EXPECT_FALSE(Platform::FolderExists(readOnly / "a"));
}

}  // namespace
