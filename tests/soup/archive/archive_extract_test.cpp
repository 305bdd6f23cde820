// Extracting archive files: the name tests, what gets written where, compressed payloads, links and failures.
#include <gtest/gtest.h>

#include <unistd.h>

#include "archive_test_support.h"
#include "lzss_test_support.h"
#include "soup/archive_extract.h"

using namespace ArchiveTest;

namespace {

Zel::PString Name(const char* text) { return Zel::PString(text); }

const Zel::PString kNone;
const Zel::PString kLZSS("LZSS");

// A compressed payload: the 4-byte prefix (the length, as our writers store
// it) and the LZSS stream.
std::string Compressed(const std::string& text, int level)
{
    const LZSSTest::Bytes stream = LZSSTest::Compress(LZSSTest::FromText(text), level);
    std::string out;
    for (int i = 0; i < 4; ++i)
        out.push_back(char(text.size() >> (8 * i)));
    out.append(stream.begin(), stream.end());
    return out;
}

std::string Read(const std::string& path)
{
    std::string out;
    EXPECT_TRUE(ReadFile(path, out)) << path;
    return out;
}

}  // namespace

TEST(ArchiveNames, ContentNames)
{
    struct Case {
        const char* name;
        bool valid;
    };
    const Case cases[] = {
        {"readme.txt", true},   {"Mesh (2).pm", true},  {"a$&'()+,-._~b", true}, {"x", true},
        {"", false},            {" lead.txt", false},   {"trail.txt ", false},   {".hidden", false},
        {"~backup", false},     {"..", false},          {"a/b.txt", false},      {"a\\b.txt", false},
        {"c:evil.txt", false},  {"tab\there", false},   {"caf\xc3\xa9.txt", false}, {"star*.txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidContentName(c.name), c.valid) << c.name;
    EXPECT_FALSE(IsValidContentName(nullptr));
}

TEST(ArchiveNames, FileTypes)
{
    for (const char* allowed : {"a.txt", "b.TGA", "c.texture", "dir.exe/d.gse", "x.y.SRT", "m.jpeg"})
        EXPECT_TRUE(IsAllowedContentFileType(allowed)) << allowed;
    for (const char* refused : {"setup.exe", "noext", "dir.txt/noext", "lib.so", "a.txt.bak", "a.", ""})
        EXPECT_FALSE(IsAllowedContentFileType(refused)) << refused;
}

TEST(ArchiveNames, SafeRelativePaths)
{
    struct Case {
        const char* path;
        bool safe;
    };
    const Case cases[] = {
        {"a/b/c.txt", true},  {"a\\b\\", true},   {"a/..", true},     {"a..b/c", true},   {"", true},
        {"/etc/", false},     {"\\x\\", false},   {"../x", false},    {"a/../b", false},  {"a//b", false},
        {"a\\..\\b", false},  {"./a", false},     {"a/.../b", false}, {"a\\/b", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSafeRelativePath(c.path), c.safe) << c.path;
}

TEST(ArchiveExtract, WritesOnlyValidNamesOfAllowedTypes)
{
    TemporaryFolder folder;
    SoupHandle files;
    SetFile(files, "readme.txt", "read me");
    SetFile(files, "setup.exe", "MZ");
    SetFile(files, ".profile.txt", "hidden");
    SetFile(files, "trailing.txt ", "blank");
    SetFile(files, "..\\up.txt", "up");
    SetFile(files, "/etc/abs.txt", "abs");
    SoupHandle parent;
    SetFile(parent, "escape.txt", "escaped");
    files.SetNamedSoup(Name(".."), parent);
    SoupHandle art;
    SetFile(art, "wood.tga", "pixels");
    SoupHandle empty;
    art.SetNamedSoup(Name("empty folder"), empty);
    files.SetNamedSoup(Name("Art"), art);

    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, (folder / "asset").c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(ListTree(folder.Path()),
              (std::vector<std::string>{"asset", "asset/Art", "asset/Art/empty folder", "asset/Art/wood.tga",
                                        "asset/readme.txt"}));
    EXPECT_EQ(Read(folder / "asset/readme.txt"), "read me");
    EXPECT_EQ(Read(folder / "asset/Art/wood.tga"), "pixels");
}

TEST(ArchiveExtract, OtherTagTypesAreReportedAndTheWalkGoesOn)
{
    TemporaryFolder folder;
    SoupHandle files;
    files.SetNamedTag(Name("notes.txt"), "a text tag, not file bytes");
    SetFile(files, "kept.txt", "kept");
    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, folder.Path().c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "Unknown data type encountered. Content package may be damaged");
    EXPECT_EQ(Read(folder / "kept.txt"), "kept");
    EXPECT_FALSE(Exists(folder / "notes.txt"));
}

TEST(ArchiveExtract, CompressedPayloads)
{
    TemporaryFolder folder;
    const std::string text(5000, 'k');
    SoupHandle files;
    SetFile(files, "flag.txt", Compressed(text, 5));
    SetFile(files, "huff.txt", Compressed(text + "tail", 9));
    SetFile(files, "stored.txt", Compressed("tiny", 5));
    SoupHandle sub;
    SetFile(sub, "bad.txt", "abc");
    SetFile(sub, "cut.txt", Compressed(text + "xyz", 9).substr(0, 12));
    files.SetNamedSoup(Name("sub"), sub);
    SetFile(files, "after.txt", Compressed("after the errors", 1));

    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, folder.Path().c_str(), kLZSS);
    EXPECT_STREQ(error.c_str(), "Failed to decompress data. Content package may be damaged");
    EXPECT_EQ(Read(folder / "flag.txt"), text);
    EXPECT_EQ(Read(folder / "huff.txt"), text + "tail");
    EXPECT_EQ(Read(folder / "stored.txt"), "tiny");
    EXPECT_EQ(Read(folder / "after.txt"), "after the errors");
    // Failed files leave nothing behind, not even a partial or staging file.
    EXPECT_EQ(ListTree(folder / "sub"), std::vector<std::string>{});
}

TEST(ArchiveExtract, WriteContentFileCompressionTexts)
{
    TemporaryFolder folder;
    struct Case {
        const char* name;
        std::string block;
        const char* compression;
        const char* error;
        bool written;
    };
    const Case cases[] = {
        {"plain.txt", "bytes", "", "", true},
        {"empty.txt", "", "", "", true},
        {"lower.txt", Compressed("abcdefgh", 5), "lzss", "Unknown compression type encountered. Content package may be damaged", false},
        {"zip.txt", "xx", "ZIP", "Unknown compression type encountered. Content package may be damaged", false},
        {"three.txt", "abc", "LZSS", "Failed to decompress data. Content package may be damaged", false},
        {"four.txt", "abcd", "LZSS", "Failed to decompress data. Content package may be damaged", false},
        {"missing.txt", "", "LZSS", "Failed to decompress data. Content package may be damaged", false},
    };
    for (const Case& c : cases) {
        Zel::PString error;
        const RawDataRef block = c.block.empty() ? RawDataRef() : Block(c.block);
        WriteContentFile(error, block, kNone, (folder / c.name).c_str(), Zel::PString(c.compression));
        EXPECT_STREQ(error.c_str(), c.error) << c.name;
        EXPECT_EQ(Exists(folder / c.name), c.written) << c.name;
    }
    EXPECT_EQ(Read(folder / "plain.txt"), "bytes");
    EXPECT_EQ(Read(folder / "empty.txt"), "");
    Zel::PString error;
    WriteContentFile(error, Block("x"), kNone, (folder / "no-such-folder/file.txt").c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "Unable to write content files to disk");
}

TEST(ArchiveExtract, FailedRewriteKeepsTheOldFile)
{
    TemporaryFolder folder;
    Zel::PString error;
    WriteContentFile(error, Block("old"), kNone, (folder / "keep.txt").c_str(), kNone);
    WriteContentFile(error, Block("abc"), kNone, (folder / "keep.txt").c_str(), kLZSS);
    EXPECT_FALSE(error.IsEmpty());
    EXPECT_EQ(Read(folder / "keep.txt"), "old");
    EXPECT_EQ(ListTree(folder.Path()), std::vector<std::string>{"keep.txt"});
}

TEST(ArchiveExtract, NeverFollowsSymbolicLinks)
{
    TemporaryFolder folder;
    TemporaryFolder outside;
    const std::string destination = folder / "asset";
    ASSERT_EQ(mkdir(destination.c_str(), 0777), 0);
    ASSERT_EQ(symlink(outside.Path().c_str(), (destination + "/linked").c_str()), 0);
    const std::string victim = outside / "victim.txt";
    FILE* file = fopen(victim.c_str(), "wb");
    fputs("untouched", file);
    fclose(file);
    ASSERT_EQ(symlink(victim.c_str(), (destination + "/file.txt").c_str()), 0);

    SoupHandle files;
    SoupHandle linked;
    SetFile(linked, "planted.txt", "planted");
    SoupHandle deeper;
    SetFile(deeper, "deep.txt", "deep");
    linked.SetNamedSoup(Name("deeper"), deeper);
    files.SetNamedSoup(Name("linked"), linked);
    SetFile(files, "file.txt", "replaced the link");

    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, destination.c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "Unable to write content files to disk");
    EXPECT_EQ(ListTree(outside.Path()), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(Read(victim), "untouched");
    // The link named like a file was replaced by the file, not written through.
    EXPECT_EQ(Read(destination + "/file.txt"), "replaced the link");
}

TEST(ArchiveExtract, NamesDifferingInCaseLandOnOneFile)
{
    TemporaryFolder folder;
    SoupHandle files;
    SetFile(files, "Readme.txt", "first");
    SetFile(files, "README.TXT", "second");
    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, folder.Path().c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(ListTree(folder.Path()), std::vector<std::string>{"Readme.txt"});
    EXPECT_EQ(Read(folder / "Readme.txt"), "second");
}
