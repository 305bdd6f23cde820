// File layer over the file system: letter-case resolution, creation, rename, prune, substitution, find.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/temp_folder.h"
#include "zel/ascii.h"
#include "zel/file.h"

using Zel::File;

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_.MakeFolder("Assets/Meshes");
        tree_.MakeFile("Assets/Meshes/Body.IM", "mesh");
        tree_.MakeFile("Assets/Config.txt", "config");
    }
    std::string At(const std::string& relative) const { return tree_ / relative; }
    KorvelTest::TempFolder tree_;
};

TEST_F(FileSystemTest, ResolvesComponentsWithoutRegardToCase)
{
    struct Case {
        const char* path;
        const char* resolved;  // nullptr: does not exist
    } cases[] = {
        {"Assets/Meshes/Body.IM", "Assets/Meshes/Body.IM"},
        {"assets/meshes/body.im", "Assets/Meshes/Body.IM"},
        {"ASSETS\\CONFIG.TXT", "Assets/Config.txt"},
        {"assets/missing.txt", nullptr},
        {"assets/config.txt/deeper", nullptr},
    };
    for (const Case& c : cases) {
        std::string resolved;
        bool found = File::Resolve(nullptr, At(c.path).c_str(), resolved);
        EXPECT_EQ(found, c.resolved != nullptr) << c.path;
        if (c.resolved) {
            EXPECT_EQ(resolved, At(c.resolved)) << c.path;
        }
        EXPECT_EQ(File::Exists(At(c.path).c_str()) == 0, c.resolved != nullptr) << c.path;
    }
    File file;
    ASSERT_EQ(file.Open(At("ASSETS/meshes/BODY.im").c_str(), File::ModeRead), 0);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 8), 4);
    EXPECT_STREQ(buffer, "mesh");
}

// Links are told apart by what they lead to, as the two separate questions
// (exists, is a folder) tell them.
TEST_F(FileSystemTest, IsFileAnswersExistsAndNotAFolderInOneLookUp)
{
    ASSERT_EQ(symlink(At("Assets/Meshes").c_str(), At("Assets/FolderLink").c_str()), 0);
    ASSERT_EQ(symlink(At("Assets/Config.txt").c_str(), At("Assets/FileLink").c_str()), 0);
    const char* paths[] = {
        "Assets/Meshes/Body.IM", "assets/meshes/body.im", "Assets/Meshes", "ASSETS/MESHES",
        "assets/missing.txt",    "assets/config.txt/deeper", "Assets/FolderLink", "assets/filelink",
    };
    const bool files[] = {true, true, false, false, false, false, false, true};
    for (size_t i = 0; i < std::size(paths); ++i) {
        const std::string path = At(paths[i]);
        EXPECT_EQ(File::IsFile(path.c_str()), files[i]) << paths[i];
        EXPECT_EQ(File::IsFile(path.c_str()), File::Exists(path.c_str()) == 0 && !File::IsDirectory(path.c_str()))
            << paths[i];
    }
}

TEST_F(FileSystemTest, SeveralMatchesPreferExactCaseThenSmallestName)
{
    tree_.MakeFile("Dup/readme.TXT", "upper-ext");
    tree_.MakeFile("Dup/README.txt", "upper-name");
    tree_.MakeFile("Dup/Readme.txt", "title");
    std::string resolved;
    ASSERT_TRUE(File::Resolve(nullptr, At("Dup/ReadMe.Txt").c_str(), resolved));
    EXPECT_EQ(resolved, At("Dup/README.txt"));  // bytes: 'E' < 'e'
    ASSERT_TRUE(File::Resolve(nullptr, At("Dup/Readme.txt").c_str(), resolved));
    EXPECT_EQ(resolved, At("Dup/Readme.txt"));
}

TEST_F(FileSystemTest, CreationKeepsGivenCaseAndReusesExistingParents)
{
    File file;
    ASSERT_EQ(file.Open(At("assets/meshes/NewFile.Txt").c_str(), File::ModeWrite), 0);
    file.Close();
    EXPECT_TRUE(tree_.Has("Assets/Meshes/NewFile.Txt"));
    EXPECT_FALSE(tree_.Has("assets"));
    // Writing to an existing file under another case rewrites that file.
    ASSERT_EQ(file.Open(At("ASSETS/CONFIG.TXT").c_str(), File::ModeWrite), 0);
    file.WriteLine("new");
    file.Close();
    EXPECT_EQ(tree_.ReadFile("Assets/Config.txt"), "new\n");
    EXPECT_FALSE(tree_.Has("Assets/CONFIG.TXT"));
}

TEST_F(FileSystemTest, MdCreatesMissingTailWithoutLowerCasedTwins)
{
    EXPECT_EQ(File::Md(At("assets/meshes/LOD/Level1").c_str()), 0);
    EXPECT_TRUE(tree_.Has("Assets/Meshes/LOD/Level1"));
    EXPECT_FALSE(tree_.Has("assets"));
    EXPECT_EQ(File::Md(At("ASSETS").c_str()), 0);  // existing folder: fine
    EXPECT_NE(File::Md(At("Assets/Config.txt/sub").c_str()), 0);
    EXPECT_NE(File::Md(At("assets/config.txt").c_str()), 0);  // a file where a folder is wanted
    EXPECT_TRUE(File::IsDirectory(At("assets/meshes/lod").c_str()));
}

// A root asked for lower-cased, as the installation root is: once anchored,
// what lies below it resolves as it would through a walk from the top.
TEST_F(FileSystemTest, AnAnchoredFolderResolvesWhatLiesBelowItAsAWalkWould)
{
    const std::string longName = "Textures_" + std::string(200, 'X') + "\xC3\x84.Tga";
    tree_.MakeFolder("Korvel Root \xC3\x84/UserData/Cache");
    tree_.MakeFile("Korvel Root \xC3\x84/UserData/" + longName, "long");
    tree_.MakeFile("Korvel Root \xC3\x84/Data/InterfaceText.TXT", "text");
    const std::string asked = At(Zel::AsciiLowerCopy("Korvel Root \xC3\x84"));
    const std::string onDisk = At("Korvel Root \xC3\x84");
    File::AnchorFolder(asked.c_str());
    struct Case {
        std::string below;
        bool exists;
        std::string resolved;  // below the root as on disk
    } cases[] = {
        {"", true, ""},
        {"/userdata/cache", true, "/UserData/Cache"},
        {"/userdata/" + Zel::AsciiLowerCopy(longName), true, "/UserData/" + longName},
        {"/data/interfacetext.txt", true, "/Data/InterfaceText.TXT"},
        {"/data/interfacetext.chump", false, ""},
        {"/userdata/missing/deeper", false, ""},
    };
    for (const Case& c : cases) {
        std::string resolved;
        bool found = File::Resolve(nullptr, (asked + c.below).c_str(), resolved);
        EXPECT_EQ(found, c.exists) << c.below;
        if (c.exists) {
            EXPECT_EQ(resolved, onDisk + c.resolved) << c.below;
        }
    }
    // Made below the folder as on disk, with the case given for what is new.
    std::string created;
    ASSERT_TRUE(File::Resolve(nullptr, (asked + "/userdata/cache/New.tmp").c_str(), created, true));
    EXPECT_EQ(created, onDisk + "/UserData/Cache/New.tmp");
    EXPECT_EQ(File::Md((asked + "/userdata/cache").c_str()), 0);
    EXPECT_EQ(File::Md((asked + "/data/interfacetext.txt").c_str()), EEXIST);
    EXPECT_FALSE(tree_.Has(Zel::AsciiLowerCopy("Korvel Root \xC3\x84")));

    // A folder made later under the very spelling asked for is the one meant.
    tree_.MakeFile(Zel::AsciiLowerCopy("Korvel Root \xC3\x84") + "/data/interfacetext.chump", "twin");
    std::string twin;
    ASSERT_TRUE(File::Resolve(nullptr, (asked + "/data/interfacetext.chump").c_str(), twin));
    EXPECT_EQ(twin, asked + "/data/interfacetext.chump");
    std::filesystem::remove_all(asked);

    // Renamed since: found again the long way.
    std::filesystem::rename(onDisk, At("KORVEL ROOT \xC3\x84"));
    std::string moved;
    ASSERT_TRUE(File::Resolve(nullptr, (asked + "/data/interfacetext.txt").c_str(), moved));
    EXPECT_EQ(moved, At("KORVEL ROOT \xC3\x84/Data/InterfaceText.TXT"));
}

// The program's own folder is known as spelt on disk: that spelling answers
// for the anchored one even where a walk would choose another match.
TEST_F(FileSystemTest, AKnownSpellingAnswersForTheAnchoredFolder)
{
    tree_.MakeFile("Second Root/Data/Text.txt", "ours");
    tree_.MakeFile("SECOND ROOT/Data/Text.txt", "another");
    const std::string asked = At("second root");
    struct Case {
        const char* known;  // nullptr: none given
        const char* root;
    } cases[] = {
        {nullptr, "SECOND ROOT"},        // the walk's choice: the byte-wise smallest
        {"Second Root", "Second Root"},  // the known spelling
        {"Other Root", "SECOND ROOT"},   // not the same folder: ignored
    };
    for (const Case& c : cases) {
        std::string known = c.known ? At(c.known) : std::string();
        File::AnchorFolder(asked.c_str(), c.known ? known.c_str() : nullptr);
        std::string resolved;
        ASSERT_TRUE(File::Resolve(nullptr, (asked + "/data/text.txt").c_str(), resolved));
        EXPECT_EQ(resolved, At(std::string(c.root) + "/Data/Text.txt")) << (c.known ? c.known : "none");
    }
}

TEST_F(FileSystemTest, ListingCacheSeesChangesMadeBehindItsBack)
{
    std::string resolved;
    EXPECT_FALSE(File::Resolve(nullptr, At("assets/LATE.txt").c_str(), resolved));
    tree_.MakeFile("Assets/Late.txt", "x");  // another process, in effect
    EXPECT_TRUE(File::Resolve(nullptr, At("assets/LATE.txt").c_str(), resolved));
    EXPECT_EQ(resolved, At("Assets/Late.txt"));
    std::filesystem::rename(At("Assets/Late.txt"), At("Assets/Later.txt"));
    EXPECT_FALSE(File::Resolve(nullptr, At("assets/LATE.txt").c_str(), resolved));
}

TEST_F(FileSystemTest, RenameRefusesExistingTargetsAndAllowsCaseChanges)
{
    tree_.MakeFile("a.txt", "a");
    tree_.MakeFile("b.txt", "b");
    EXPECT_NE(File::Rename(At("a.txt").c_str(), At("B.TXT").c_str()), 0);
    EXPECT_EQ(tree_.ReadFile("b.txt"), "b");
    EXPECT_EQ(File::Rename(At("A.TXT").c_str(), At("c.txt").c_str()), 0);
    EXPECT_TRUE(tree_.Has("c.txt"));
    EXPECT_FALSE(tree_.Has("a.txt"));
    EXPECT_EQ(File::Rename(At("c.txt").c_str(), At("C.txt").c_str()), 0);
    EXPECT_TRUE(tree_.Has("C.txt"));
    EXPECT_FALSE(tree_.Has("c.txt"));
    EXPECT_NE(File::Rename(At("missing").c_str(), At("x").c_str()), 0);
}

TEST_F(FileSystemTest, UnlinkRemovesFilesOnly)
{
    EXPECT_EQ(File::Unlink(At("assets/config.txt").c_str()), 0);
    EXPECT_FALSE(tree_.Has("Assets/Config.txt"));
    EXPECT_NE(File::Unlink(At("assets/config.txt").c_str()), 0);
    EXPECT_NE(File::Unlink(At("assets/meshes").c_str()), 0);
    EXPECT_TRUE(tree_.Has("Assets/Meshes"));
}

TEST_F(FileSystemTest, PruneNeverFollowsSymlinks)
{
    KorvelTest::TempFolder outside;
    outside.MakeFile("precious/keep.txt", "keep");
    tree_.MakeFolder("Doomed/Sub");
    tree_.MakeFile("Doomed/Sub/file.txt", "x");
    ASSERT_EQ(symlink(outside.Root().c_str(), At("Doomed/LinkToOutside").c_str()), 0);
    ASSERT_EQ(symlink((outside / "precious/keep.txt").c_str(), At("Doomed/Sub/LinkToFile").c_str()), 0);
    ASSERT_EQ(symlink((outside / "precious").c_str(), At("TopLink").c_str()), 0);

    EXPECT_NE(File::Prune(At("TopLink").c_str()), 0);  // a link to a folder is not a folder
    EXPECT_TRUE(tree_.Has("TopLink"));
    EXPECT_NE(File::Prune(At("assets/config.txt").c_str()), 0);

    EXPECT_EQ(File::Prune(At("doomed").c_str()), 0);
    EXPECT_FALSE(tree_.Has("Doomed"));
    EXPECT_EQ(outside.ReadFile("precious/keep.txt"), "keep");
}

TEST_F(FileSystemTest, SubstitutionMapsFirstComponentAndContainer)
{
    File::Subst("MyStore", (tree_.Root() + "/Assets/").c_str(), true);
    EXPECT_EQ(File::Exists("mystore/CONFIG.txt"), 0);
    EXPECT_EQ(File::Exists("MYSTORE\\meshes\\body.im"), 0);
    EXPECT_EQ(File::Exists("mystore", "Meshes/Body.IM"), 0);
    EXPECT_EQ(File::Exists("MyStore"), 0);
    EXPECT_NE(File::Exists("otherstore", "Meshes/Body.IM"), 0);
    File file;
    ASSERT_EQ(file.Open("mystore", "meshes/Made.txt", File::ModeWrite), 0);
    file.Close();
    EXPECT_TRUE(tree_.Has("Assets/Meshes/Made.txt"));

    File::Subst("builtin\\Pack", (tree_.Root() + "/Assets").c_str(), true);
    EXPECT_EQ(File::Exists("BUILTIN/pack", "config.txt"), 0);
    File::Subst("builtin/pack", nullptr);
    EXPECT_NE(File::Exists("builtin\\pack", "config.txt"), 0);

    File::Subst("archive", (tree_.Root() + "/pack.ja").c_str(), false);
    EXPECT_NE(File::Exists("archive", "x"), 0);  // archives are not reachable through files

    File::Subst("MYSTORE", nullptr);
    EXPECT_NE(File::Exists("mystore/config.txt"), 0);
    std::string target;
    EXPECT_FALSE(File::GetSubst("mystore", target));
    File::Subst("archive", "");
}

TEST_F(FileSystemTest, FindUsesWindowsWildcards)
{
    tree_.MakeFile("List/alpha.gs", "");
    tree_.MakeFile("List/Beta.GSE", "");
    tree_.MakeFile("List/noext", "");
    tree_.MakeFile("List/.hidden", "");
    tree_.MakeFolder("List/Folder.d");
    struct Case {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {"list/*.*", {".hidden", "alpha.gs", "Beta.GSE", "Folder.d", "noext"}},
        {"list/*", {".hidden", "alpha.gs", "Beta.GSE", "Folder.d", "noext"}},
        {"list/", {".hidden", "alpha.gs", "Beta.GSE", "Folder.d", "noext"}},
        {"list/*.gs", {"alpha.gs"}},
        {"list/*.gs*", {"alpha.gs", "Beta.GSE"}},
        {"list/?eta.*", {"Beta.GSE"}},
        {"list/noext.*", {"noext"}},
        {"list/zzz*", {}},
    };
    for (const Case& c : cases) {
        File::Find find;
        ASSERT_TRUE(find.Open(At(c.pattern).c_str())) << c.pattern;
        std::vector<std::string> names;
        while (find.Next())
            names.push_back(find.Name());
        EXPECT_EQ(names, c.names) << c.pattern;
    }
    File::Find find;
    ASSERT_TRUE(find.Open(At("LIST/folder.*").c_str()));
    ASSERT_TRUE(find.Next());
    EXPECT_TRUE(find.IsDirectory());
    EXPECT_EQ(find.Attributes() & File::Find::AttributeDirectory, File::Find::AttributeDirectory);
    EXPECT_FALSE(find.Next());
    EXPECT_FALSE(find.Open(At("nowhere/*.*").c_str()));
}

TEST_F(FileSystemTest, FindWithContainer)
{
    File::Subst("findstore", At("Assets").c_str(), true);
    File::Find find;
    ASSERT_TRUE(find.Open("meshes/*.im", "FindStore"));
    ASSERT_TRUE(find.Next());
    EXPECT_EQ(find.Name(), "Body.IM");
    EXPECT_EQ(find.Size(), 4);
    File::Subst("findstore", nullptr);
}

// Kinds and sizes are what the entries were when listed or, for links and
// sizes, when first asked; an entry gone by then reads as an empty file, a
// link to nothing as a file of the link's own size.
TEST_F(FileSystemTest, FindTellsKindAndSizeOfEveryEntry)
{
    tree_.MakeFile("Kinds/file.bin", "12345");
    tree_.MakeFolder("Kinds/folder");
    tree_.MakeFile("Kinds/gone.txt", "soon gone");
    ASSERT_EQ(symlink(At("Kinds/folder").c_str(), At("Kinds/linked-folder").c_str()), 0);
    ASSERT_EQ(symlink(At("Kinds/file.bin").c_str(), At("Kinds/linked-file").c_str()), 0);
    ASSERT_EQ(symlink(At("Kinds/nowhere").c_str(), At("Kinds/dangling").c_str()), 0);
    struct Case {
        const char* name;
        bool folder;
        int64_t size;
    } cases[] = {
        {"dangling", false, static_cast<int64_t>(At("Kinds/nowhere").size())},
        {"file.bin", false, 5},
        {"folder", true, 0},
        {"gone.txt", false, 0},
        {"linked-file", false, 5},
        {"linked-folder", true, 0},
    };
    File::Find find;
    ASSERT_TRUE(find.Open(At("Kinds/*").c_str()));
    ASSERT_EQ(unlink(At("Kinds/gone.txt").c_str()), 0);
    for (const Case& c : cases) {
        ASSERT_TRUE(find.Next()) << c.name;
        EXPECT_EQ(find.Name(), c.name);
        EXPECT_EQ(find.IsDirectory(), c.folder) << c.name;
        EXPECT_EQ(find.Attributes(), c.folder ? File::Find::AttributeDirectory : File::Find::AttributeNormal) << c.name;
        EXPECT_EQ(find.Size(), c.size) << c.name;
    }
    EXPECT_FALSE(find.Next());
    EXPECT_EQ(find.Attributes(), 0u);
    EXPECT_EQ(find.Size(), 0);
}

TEST(FileWildcardTest, MatchTable)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*", "anything", true},
        {"*.*", "nodot", true},
        {"*.txt", "A.TXT", true},
        {"*.txt", "a.txt.bak", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*a*b*", "xaxxbx", true},
        {"a*", "", false},
        {"", "", true},
        {"*.", "nodot", false},
        {"a*b*c*d*e*f", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(File::Find::Match(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;
}
