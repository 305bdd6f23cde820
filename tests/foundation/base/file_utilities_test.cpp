// Path and file utilities: folder-relative paths, the deletion safety rules, copies and names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/base/file_utilities.h"
#include "foundation/base/install_paths.h"
#include "support/temp_folder.h"

namespace {

// A temporary installation root with its UserData folder, and a folder
// beside it that deletions must never reach.
class FileUtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(base_.empty());
        install_ = base_ + "/Install";
        outside_ = base_ + "/outside";
        ASSERT_EQ(mkdir(install_.c_str(), 0700), 0);
        ASSERT_EQ(mkdir(outside_.c_str(), 0700), 0);
        WriteFile(outside_ + "/keep.txt", "keep");
        ASSERT_TRUE(InitInstallPaths(Zel::File::Path(install_.c_str())));
        userData_ = install_ + "/UserData";
        ASSERT_EQ(mkdir((userData_ + "/local").c_str(), 0700), 0);
    }

    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(base_, error);
        ASSERT_FALSE(error) << error.message();
    }

    static void WriteFile(const std::string& path, const std::string& content)
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    static bool Exists(const std::string& path)
    {
        struct stat info;
        return lstat(path.c_str(), &info) == 0;
    }

    KorvelTest::TempFolder place_{"KorvelFileUtil"};
    const std::string& base_ = place_.Root();
    std::string install_;
    std::string outside_;
    std::string userData_;
};

TEST_F(FileUtilitiesTest, FolderRelativeAndAbsoluteForms)
{
    const Zel::PString none;
    EXPECT_FALSE(MakeDirectory(none, "relative/folder"));
    EXPECT_TRUE(MakeDirectory(Zel::PString("local"), "a/b"));
    EXPECT_TRUE(Exists(userData_ + "/local/a/b"));
    EXPECT_TRUE(FileExists(Zel::PString("local"), "a\\b"));
    EXPECT_FALSE(FileExists(Zel::PString("local"), "a/c"));
    // Without a folder name a relative path counts as existing, unlooked.
    EXPECT_TRUE(FileExists(none, "no/such/thing"));
    EXPECT_FALSE(FileExists(none, (userData_ + "/missing").c_str()));

    WriteFile(userData_ + "/local/a/x.txt", "x");
    EXPECT_TRUE(RenameFile(Zel::PString("local"), "a/x.txt", "a/y.txt"));
    EXPECT_TRUE(Exists(userData_ + "/local/a/y.txt"));
    EXPECT_FALSE(RenameFile(none, "a/y.txt", "a/z.txt"));
    EXPECT_FALSE(RenameFile(none, (userData_ + "/local/a/y.txt").c_str(), "relative.txt"));
}

TEST_F(FileUtilitiesTest, DeletionRefusesEverythingOutsideTheUserDataRoot)
{
    const Zel::PString none;
    const std::string sibling = install_ + "/UserData2";
    ASSERT_EQ(mkdir(sibling.c_str(), 0700), 0);
    const struct {
        Zel::PString folder;
        std::string path;
    } refused[] = {
        {none, ""},
        {none, "relative/path"},
        {none, outside_ + "/keep.txt"},
        {none, outside_},
        {none, sibling},
        {none, userData_ + "/../../outside/keep.txt"},
        {Zel::PString("local"), "../../../outside/keep.txt"},
        {Zel::PString("local"), ""},
    };
    for (const auto& c : refused)
        EXPECT_FALSE(DeleteFileOrFolder(c.folder, c.path.c_str())) << c.path;
    EXPECT_EQ(ReadFile(outside_ + "/keep.txt"), "keep");
    EXPECT_TRUE(Exists(sibling));
}

TEST_F(FileUtilitiesTest, DeletionRemovesFilesAndFolderTreesInside)
{
    const std::string tree = userData_ + "/local/tree";
    ASSERT_TRUE(MakeDirectory(Zel::PString(), (tree + "/deep/er").c_str()));
    WriteFile(tree + "/deep/er/f.txt", "f");
    WriteFile(userData_ + "/single.txt", "s");
    EXPECT_TRUE(DeleteFileOrFolder(Zel::PString(), (userData_ + "/single.txt").c_str()));
    EXPECT_FALSE(Exists(userData_ + "/single.txt"));
    EXPECT_TRUE(DeleteFileOrFolder(Zel::PString(), tree.c_str()));
    EXPECT_FALSE(Exists(tree));
    WriteFile(userData_ + "/local/named.txt", "n");
    EXPECT_TRUE(DeleteFileOrFolder(Zel::PString("local"), "named.txt"));
    EXPECT_FALSE(Exists(userData_ + "/local/named.txt"));
    EXPECT_FALSE(DeleteFileOrFolder(Zel::PString("local"), "named.txt"));
}

TEST_F(FileUtilitiesTest, DeletionNeverGoesThroughASymbolicLink)
{
    const std::string link = userData_ + "/local/link";
    ASSERT_EQ(symlink(outside_.c_str(), link.c_str()), 0);
    EXPECT_FALSE(DeleteFileOrFolder(Zel::PString(), (link + "/keep.txt").c_str()));
    EXPECT_FALSE(DeleteFileOrFolder(Zel::PString("local"), "link/keep.txt"));
    EXPECT_EQ(ReadFile(outside_ + "/keep.txt"), "keep");
    // The link itself is removed, not what it points to.
    EXPECT_TRUE(DeleteFileOrFolder(Zel::PString(), link.c_str()));
    EXPECT_FALSE(Exists(link));
    EXPECT_EQ(ReadFile(outside_ + "/keep.txt"), "keep");
    // A link inside a folder being pruned goes with the folder; its target stays.
    const std::string folder = userData_ + "/local/holder";
    ASSERT_TRUE(MakeDirectory(Zel::PString(), folder.c_str()));
    ASSERT_EQ(symlink(outside_.c_str(), (folder + "/inner").c_str()), 0);
    EXPECT_TRUE(DeleteFileOrFolder(Zel::PString(), folder.c_str()));
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(ReadFile(outside_ + "/keep.txt"), "keep");
}

TEST_F(FileUtilitiesTest, CopyFile)
{
    const Zel::PString none;
    // Past one 16 MB chunk, with a pattern that shows a misplaced chunk.
    std::string big(kCopyFileChunkSize + 4096 + 7, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char((i * 131) >> 7);
    WriteFile(userData_ + "/big.bin", big);
    EXPECT_TRUE(CopyFile(none, (userData_ + "/big.bin").c_str(), Zel::PString("local"), "copy.bin"));
    EXPECT_TRUE(ReadFile(userData_ + "/local/copy.bin") == big);

    WriteFile(userData_ + "/empty.bin", "");
    EXPECT_TRUE(CopyFile(none, (userData_ + "/empty.bin").c_str(), none, (userData_ + "/empty2.bin").c_str()));
    EXPECT_TRUE(Exists(userData_ + "/empty2.bin"));
    EXPECT_FALSE(CopyFile(none, (userData_ + "/missing").c_str(), none, (userData_ + "/x").c_str()));
    EXPECT_FALSE(Exists(userData_ + "/x"));
}

TEST_F(FileUtilitiesTest, TemporaryFilePaths)
{
    Zel::File::Path first;
    Zel::File::Path second;
    ASSERT_TRUE(CreateTemporaryFilePath(first, Zel::PString()));
    ASSERT_TRUE(CreateTemporaryFilePath(second, Zel::PString()));
    const std::string name = first.GetFileName();
    ASSERT_GE(name.size(), 18u);
    EXPECT_EQ(name.substr(0, 5), "temp-");
    for (size_t i = 5; i < 13; ++i)
        EXPECT_TRUE((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'z')) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    EXPECT_NE(first, second);
    EXPECT_FALSE(Exists(first.c_str()));
    Zel::File::Path folder = first;
    folder.DelName(true);
    EXPECT_EQ(folder, GetUserDataRoot());
}

TEST(FileNames, NextFileExtension)
{
    const char* cursor = nullptr;
    EXPECT_TRUE(NextFileExtension(cursor, "dir/config.chump"));
    EXPECT_STREQ(cursor, "chump");
    const char* name = "a.texture.txt";
    cursor = nullptr;
    EXPECT_TRUE(NextFileExtension(cursor, name));
    EXPECT_STREQ(cursor, "txt");
    EXPECT_TRUE(NextFileExtension(cursor, name));
    EXPECT_STREQ(cursor, "texture.txt");
    EXPECT_FALSE(NextFileExtension(cursor, name));
    EXPECT_STREQ(cursor, "");
    cursor = nullptr;
    EXPECT_FALSE(NextFileExtension(cursor, "noextension"));
    EXPECT_STREQ(cursor, "");
}

TEST(FileNames, SmallNameTests)
{
    EXPECT_TRUE(IsTextureSourceName("wheel.texture.txt"));
    EXPECT_TRUE(IsTextureSourceName("DIR/Wheel.TEXTURE.TXT"));
    EXPECT_FALSE(IsTextureSourceName("texture.txt"));
    EXPECT_FALSE(IsTextureSourceName("wheel.texture.tx"));
    EXPECT_FALSE(IsTextureSourceName(nullptr));
    EXPECT_TRUE(IsDotOrDotDot("."));
    EXPECT_TRUE(IsDotOrDotDot(".."));
    EXPECT_FALSE(IsDotOrDotDot("..."));
    EXPECT_FALSE(IsDotOrDotDot(".a"));
}

TEST(FileNames, WildcardPrefixMatch)
{
    const struct {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"ab?d", "abcd", true}, {"ab?d", "ABxDrest", true}, {"ab?d", "abc", false},       {"ab?d", "abce", false},
        {"", "anything", true}, {"a", "", false},           {"caf\xE9", "CAF\xE9", true}, {"?", "x", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardPrefixMatch(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
}

}  // namespace
