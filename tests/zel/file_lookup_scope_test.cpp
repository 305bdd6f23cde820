// FileLookupScope: look-ups answered from listings taken once give what the file system gives, and see their own thread's changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"
#include "zel/file.h"
#include "zel/file_lookup_scope.h"

using Zel::File;

namespace {

struct Answer {
    bool found = false;
    std::string resolved;
    bool exists = false;
    bool folder = false;

    bool operator==(const Answer&) const = default;
};

Answer Ask(const std::string& path)
{
    Answer answer;
    answer.found = File::Resolve(nullptr, path.c_str(), answer.resolved);
    answer.exists = File::Exists(path.c_str()) == 0;
    answer.folder = File::IsDirectory(path.c_str());
    return answer;
}

class FileLookupScopeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_.MakeFolder("Asset/Sub");
        tree_.MakeFile("Asset/Body.LM", "mesh");
        tree_.MakeFile("Asset/t0.TGA", "image");
        tree_.MakeFile("Asset/T0.tga", "other case");
        tree_.MakeFile("Asset/Sub/Note.txt", "note");
        tree_.MakeFile("Asset/Dup/x.txt", "exact");
        tree_.MakeFile("Asset/DUP/y.txt", "smaller");
        std::filesystem::create_symlink(At("Asset/Sub"), At("Asset/LinkedSub"));
        std::filesystem::create_symlink(At("Asset/Gone.txt"), At("Asset/Dangling.txt"));
    }
    std::string At(const std::string& relative) const { return tree_ / relative; }
    KorvelTest::TempFolder tree_;
};

}  // namespace

TEST_F(FileLookupScopeTest, AnswersAsTheFileSystemDoes)
{
    const char* paths[] = {
        "Asset/Body.LM",
        "asset/body.lm",
        "ASSET/SUB/NOTE.TXT",
        "Asset/t0.tga",
        "asset/T0.TGA",
        "Asset/t0.TGA",
        "Asset/missing.txt",
        "missing/Body.LM",
        "Asset/Sub",
        "asset/sub",
        "Asset/Sub/",
        "Asset/Body.LM/deeper",
        "Asset/Sub/../Body.LM",
        "Asset/./Body.LM",
        "Asset//Body.LM",
        "asset/linkedsub",
        "Asset/LinkedSub/Note.txt",
        "Asset/Dangling.txt",
        "asset/dangling.TXT",
        "asset/Dup/x.txt",
        "asset/Dup/y.txt",
        "asset/dup/y.txt",
        "ASSET/SUB/",
        "asset/Body.LM/",
    };
    for (const char* path : paths) {
        const Answer direct = Ask(At(path));
        Zel::FileLookupScope scope;
        // Asked twice: the second answer comes from what the first one listed.
        EXPECT_EQ(Ask(At(path)), direct) << path;
        EXPECT_EQ(Ask(At(path)), direct) << path;
    }
}

TEST_F(FileLookupScopeTest, SeesItsOwnChangesAndOthersOnceItEnds)
{
    {
        Zel::FileLookupScope scope;
        EXPECT_NE(File::Exists(At("asset/new.txt").c_str()), 0);
        File file;
        ASSERT_EQ(file.Open(At("asset/New.txt").c_str(), File::ModeWrite), 0);
        file.Close();
        EXPECT_EQ(File::Exists(At("asset/NEW.TXT").c_str()), 0);
        EXPECT_EQ(File::Unlink(At("Asset/Body.LM").c_str()), 0);
        EXPECT_NE(File::Exists(At("Asset/Body.LM").c_str()), 0);
        EXPECT_EQ(File::Md(At("asset/Made/Deeper").c_str()), 0);
        EXPECT_TRUE(File::IsDirectory(At("ASSET/MADE/DEEPER").c_str()));

        // Behind its back (another process, in effect): not seen while it lives ...
        EXPECT_NE(File::Exists(At("asset/late.txt").c_str()), 0);
        tree_.MakeFile("Asset/Late.txt", "late");
        EXPECT_NE(File::Exists(At("asset/late.txt").c_str()), 0);
        // ... and not by another thread's look-ups either, which ask afresh.
        bool seenElsewhere = false;
        std::thread([&] { seenElsewhere = File::Exists(At("asset/late.txt").c_str()) == 0; }).join();
        EXPECT_TRUE(seenElsewhere);
        {
            Zel::FileLookupScope inner;
            EXPECT_NE(File::Exists(At("asset/late.txt").c_str()), 0);
        }
        EXPECT_TRUE(Zel::FileLookupScope::IsOpen());
    }
    EXPECT_FALSE(Zel::FileLookupScope::IsOpen());
    EXPECT_EQ(File::Exists(At("asset/late.txt").c_str()), 0);
}

// In one scope, folders asked for after their contents were listed, and every
// path below a folder anchored under another spelling (the installation root
// asked for lower-cased), give what the direct look-ups give.
TEST_F(FileLookupScopeTest, AnswersInOneScopeAndBelowAnAnchoredFolderAsTheFileSystemDoes)
{
    tree_.MakeFile("Root/Asset/Body.LM", "mesh");
    tree_.MakeFile("Root/Asset/Sub/Note.txt", "note");
    tree_.MakeFile("Root/Asset/Dup/x.txt", "exact");
    tree_.MakeFile("Root/Asset/DUP/y.txt", "smaller");
    File::AnchorFolder(At("root").c_str(), At("Root").c_str());
    const char* paths[] = {
        "root/Asset/Body.LM", "root/asset/sub/note.txt",
        "root/Asset/Sub",     "root/asset/sub",
        "root/Asset",         "root/ASSET",
        "root/Asset/Sub/",    "root/asset/dup/y.txt",
        "root/asset/dup",     "root/Asset/Dup",
        "root/missing/x",     "root/Asset/missing",
        "Root/Asset/Body.LM", "Root/Asset/Sub",
        "Asset/Sub/Note.txt", "Asset/Sub",
        "asset/sub",          "Asset",
        "asset/dup/y.txt",    "asset/dup",
    };
    std::vector<Answer> direct;
    for (const char* path : paths)
        direct.push_back(Ask(At(path)));
    Zel::FileLookupScope scope;
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < std::size(paths); ++i)
            EXPECT_EQ(Ask(At(paths[i])), direct[i]) << paths[i] << " round " << round;
    }
}
