// Making folders with their parents, the parent of a path, and a folder that cannot be made.
#include <gtest/gtest.h>

#include <errno.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/folders.h"

namespace {

class PlatformFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/platform_folders_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override
    {
        if (mounted_)
            umount2(mount_.c_str(), MNT_DETACH);
        std::filesystem::remove_all(root_);
    }
    // A read-only file system at root_/ro; false when mounting is not allowed here.
    bool MountReadOnly()
    {
        mount_ = root_ + "/ro";
        std::filesystem::create_directory(mount_);
        if (mount("tmpfs", mount_.c_str(), "tmpfs", 0, "size=64k") != 0)
            return false;
        mounted_ = true;
        return mount("tmpfs", mount_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    }

    std::string root_;
    std::string mount_;
    bool mounted_ = false;
};

TEST(PlatformParentFolder, NamesTheFolderThatHoldsThePath)
{
    const struct {
        const char* path;
        const char* parent;
    } cases[] = {
        {"/a/b/c", "/a/b"}, {"/a/b/", "/a"},  {"/a", "/"},       {"/", "/"},   {"a/b", "a"},
        {"a", ""},          {"", ""},         {"/a//b", "/a"},   {"//a", "/"}, {"Ünïcödé/ß", "Ünïcödé"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Platform::ParentFolder(c.path), c.parent) << c.path;
}

TEST_F(PlatformFolders, MakesEveryMissingFolderAndAcceptsOnesThatExist)
{
    std::string deep = root_ + "/one/twö/" + std::string(200, 'x') + "/four";
    EXPECT_TRUE(Platform::MakeFolders(deep));
    EXPECT_TRUE(Platform::FolderExists(deep));
    EXPECT_TRUE(Platform::MakeFolders(deep));
    EXPECT_TRUE(Platform::MakeFolders(root_ + "/one/"));
}

TEST_F(PlatformFolders, AFileInTheWayIsAFailure)
{
    std::ofstream(root_ + "/file") << "x";
    errno = 0;
    EXPECT_FALSE(Platform::MakeFolders(root_ + "/file"));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(Platform::MakeFolders(root_ + "/file/below"));
    EXPECT_FALSE(Platform::MakeFolders(""));
}

TEST_F(PlatformFolders, AReadOnlyFileSystemIsAFailure)
{
    if (!MountReadOnly())
        GTEST_SKIP() << "cannot mount a read-only tmpfs here (needs privilege)";
    errno = 0;
    EXPECT_FALSE(Platform::MakeFolders(mount_ + "/a/b"));
    EXPECT_EQ(errno, EROFS);
    EXPECT_FALSE(Platform::FolderExists(mount_ + "/a"));
}

}  // namespace
