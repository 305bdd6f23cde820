// Extracting archive files: the name tests, what gets written where, compressed payloads, links and failures.
#include <gtest/gtest.h>

#include <unistd.h>

#include "archive_test_support.h"
#include "support/lzss_test_support.h"
#include "soup/archive_extract.h"
#include "support/scratch_tmpfs.h"

using namespace ArchiveTest;

namespace {

Zel::PString Name(const char* text)
{
    return Zel::PString(text);
}

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
        {"readme.txt", true},  {"Mesh (2).pm", true}, {"a$&'()+,-._~b", true},    {"x", true},
        {"", false},           {" lead.txt", false},  {"trail.txt ", false},      {".hidden", false},
        {"~backup", false},    {"..", false},         {"a/b.txt", false},         {"a\\b.txt", false},
        {"c:evil.txt", false}, {"tab\there", false},  {"caf\xc3\xa9.txt", false}, {"star*.txt", false},
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
        {"a/b/c.txt", true}, {"a\\b\\", true}, {"a/..", true},     {"a..b/c", true},  {"", true},
        {"/etc/", false},    {"\\x\\", false}, {"../x", false},    {"a/../b", false}, {"a//b", false},
        {"a\\..\\b", false}, {"./a", false},   {"a/.../b", false}, {"a\\/b", false},
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
    EXPECT_EQ(ListTree(folder.Root()), (std::vector<std::string>{"asset", "asset/Art", "asset/Art/empty folder",
                                                                 "asset/Art/wood.tga", "asset/readme.txt"}));
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
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kNone);
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
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kLZSS);
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
        {"lower.txt", Compressed("abcdefgh", 5), "lzss",
         "Unknown compression type encountered. Content package may be damaged", false},
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
    EXPECT_EQ(ListTree(folder.Root()), std::vector<std::string>{"keep.txt"});
}

TEST(ArchiveExtract, NeverFollowsSymbolicLinks)
{
    TemporaryFolder folder;
    TemporaryFolder outside;
    const std::string destination = folder / "asset";
    ASSERT_EQ(mkdir(destination.c_str(), 0777), 0);
    ASSERT_EQ(symlink(outside.Root().c_str(), (destination + "/linked").c_str()), 0);
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
    EXPECT_EQ(ListTree(outside.Root()), std::vector<std::string>{"victim.txt"});
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
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(ListTree(folder.Root()), std::vector<std::string>{"Readme.txt"});
    EXPECT_EQ(Read(folder / "Readme.txt"), "second");
}

TEST(ArchiveExtract, EveryEntryLeftOutIsListedWithItsReason)
{
    TemporaryFolder folder;
    const std::string badName = "the name holds a character other than ASCII letters, digits and \" $&'()+,-._~\"";
    const std::string leading = "the name begins with a blank, '.' or '~'";
    SoupHandle files;
    SetFile(files, "readme.txt", "kept");
    SetFile(files, "model.bin", "x");
    SetFile(files, "caf\xc3\xa9.txt", "x");
    SetFile(files, "../x.txt", "x");
    SetFile(files, "ctl\x01.txt", "x");
    SetFile(files, " lead.txt", "x");
    SetFile(files, "trail.txt ", "x");
    SetFile(files, "noext", "x");
    SetFile(files, "~tmp.txt", "x");
    SetFile(files, "a\\b.txt", "x");
    SoupHandle inner;
    SetFile(inner, "inner.txt", "x");
    files.SetNamedSoup(Name(".."), inner);
    files.SetNamedSoup(Name("caf\xc3\xa9"), inner);
    SoupHandle art;
    SetFile(art, "source.psd", "x");
    SetFile(art, "wood.tga", "kept");
    files.SetNamedSoup(Name("art"), art);

    Zel::PString error;
    std::vector<SkippedContentEntry> skipped;
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kNone, &skipped);
    EXPECT_STREQ(error.c_str(), "");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"model.bin", "files of type \".bin\" are not installed"},
        {"caf\xc3\xa9.txt", badName},
        {"../x.txt", leading},
        {"ctl\x01.txt", badName},
        {" lead.txt", leading},
        {"trail.txt ", "the name ends with a blank"},
        {"noext", "files without an extension are not installed"},
        {"~tmp.txt", leading},
        {"a\\b.txt", badName},
        {"..", leading},
        {"caf\xc3\xa9", badName},
        {"art/source.psd", "files of type \".psd\" are not installed"},
    };
    std::vector<std::pair<std::string, std::string>> got;
    for (const SkippedContentEntry& entry : skipped)
        got.emplace_back(entry.path, entry.reason);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(ListTree(folder.Root()), (std::vector<std::string>{"art", "art/wood.tga", "readme.txt"}));
    // The line a user reads shows control characters escaped.
    EXPECT_EQ(SkippedContentLine(skipped[3]), "\"ctl\\x01.txt\" was not installed: " + badName + ".");
}

TEST(ArchiveExtract, NamesUpToTheFileSystemLimitAreWritten)
{
    TemporaryFolder folder;
    SoupHandle files;
    std::vector<std::string> names;
    for (size_t length : {240u, 245u, 250u, 254u}) {
        names.push_back(std::string(length - 4, 'n') + ".txt");
        SetFile(files, names.back().c_str(), "long " + std::to_string(length));
    }
    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "");
    for (const std::string& name : names)
        EXPECT_EQ(Read(folder / name), "long " + std::to_string(name.size())) << name.size();
    // 255 bytes, the most a Linux name holds, through the one-file writer.
    const std::string longest = std::string(251, 'm') + ".txt";
    WriteContentFile(error, Block("longest"), kNone, (folder / longest).c_str(), kNone);
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(Read(folder / longest), "longest");
    EXPECT_EQ(ListTree(folder.Root()).size(), names.size() + 1);
}

TEST(ArchiveExtract, AStreamDecodingPastItsDeclaredLengthIsRefused)
{
    TemporaryFolder folder;
    const std::string text(100000, 'z');
    std::string lying = Compressed(text, 5);
    lying[0] = char(1000 & 0xFF);
    lying[1] = char(1000 >> 8);
    lying[2] = 0;
    lying[3] = 0;
    SoupHandle files;
    SetFile(files, "honest.txt", Compressed(text, 9));
    SoupHandle sub;
    SetFile(sub, "lying.txt", lying);
    files.SetNamedSoup(Name("sub"), sub);
    Zel::PString error;
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kLZSS);
    EXPECT_STREQ(error.c_str(),
                 "\"sub/lying.txt\" decodes to more than its declared 1000 bytes. Content package may be damaged");
    EXPECT_EQ(Read(folder / "honest.txt"), text);
    EXPECT_EQ(ListTree(folder / "sub"), std::vector<std::string>{});
}

// Earlier exports wrote a file that does not compress as its stored copy
// followed by 63 stray bytes; the prefix held the true length.
TEST(ArchiveExtract, AStoredCopyWithStrayBytesGivesTheDeclaredFileAndAWarning)
{
    TemporaryFolder folder;
    std::string random(20000, '\0');
    uint32_t state = 12345;
    for (char& c : random) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
    }
    std::string faulty;
    for (int i = 0; i < 4; ++i)
        faulty.push_back(char(random.size() >> (8 * i)));
    faulty.push_back('\0');
    faulty += random;
    faulty += std::string(63, '\x5a');
    SoupHandle files;
    SoupHandle sub;
    SetFile(sub, "photo.jpg", faulty);
    files.SetNamedSoup(Name("sub"), sub);
    // A coded stream running past its length stays an error, beside it.
    std::string coded = Compressed(std::string(5000, 'c'), 5);
    coded[0] = char(100);
    coded[1] = 0;
    SoupHandle codedFiles;
    SetFile(codedFiles, "coded.txt", coded);

    Zel::PString error;
    std::vector<SkippedContentEntry> notes;
    ExtractArchiveFiles(error, files, kNone, folder.Root().c_str(), kLZSS, &notes);
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(Read(folder / "sub/photo.jpg"), random);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(SkippedContentLine(notes[0]),
              "\"sub/photo.jpg\" holds 63 bytes past its declared length; they were dropped.");

    ExtractArchiveFiles(error, codedFiles, kNone, folder.Root().c_str(), kLZSS, &notes);
    EXPECT_STREQ(error.c_str(),
                 "\"coded.txt\" decodes to more than its declared 100 bytes. Content package may be damaged");
    EXPECT_EQ(notes.size(), 1u);

    // The one-file writer recovers the same way and says so.
    std::string note;
    Zel::PString single;
    WriteContentFile(single, Block(faulty), kNone, (folder / "single.jpg").c_str(), kLZSS, &note);
    EXPECT_STREQ(single.c_str(), "");
    EXPECT_EQ(Read(folder / "single.jpg"), random);
    EXPECT_EQ(note, "holds 63 bytes past its declared length; they were dropped");
}

TEST(ArchiveExtract, DeclaredContentBytesCountsWhatExtractionWrites)
{
    SoupHandle stored;
    SetFile(stored, "a.txt", std::string(300, 'a'));
    SetFile(stored, "left-out.bin", std::string(5000, 'b'));
    SoupHandle sub;
    SetFile(sub, "c.im", std::string(20, 'c'));
    stored.SetNamedSoup(Name("sub"), sub);
    stored.SetNamedSoup(Name(".hidden"), sub);
    EXPECT_EQ(DeclaredContentBytes(stored, kNone), 320u);

    // Compressed payloads count what their prefix declares, however small
    // the stream: 256 MiB of zeros fit in a few kilobytes.
    SoupHandle compressed;
    SetFile(compressed, "small.txt", Compressed("tiny", 5));
    std::string huge = Compressed("x", 5);
    huge[0] = 0;
    huge[1] = 0;
    huge[2] = 0;
    huge[3] = 0x10;
    SetFile(compressed, "huge.txt", huge);
    SetFile(compressed, "short.txt", "ab");
    EXPECT_EQ(DeclaredContentBytes(compressed, kLZSS), 4u + (256u << 20));
}

TEST(ArchiveExtract, AFullDiskIsCalledThatNotDamage)
{
    TemporaryFolder folder;
    KorvelTest::ScratchTmpfs disk(folder / "disk", 64 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    const std::string big(1 << 20, 'q');
    for (const Zel::PString& compression : {kNone, kLZSS}) {
        SCOPED_TRACE(compression.c_str());
        SoupHandle files;
        SetFile(files, "big.txt", compression.IsEmpty() ? big : Compressed(big, 1));
        Zel::PString error;
        ExtractArchiveFiles(error, files, kNone, disk.Folder().c_str(), compression);
        EXPECT_STREQ(error.c_str(), "Unable to write content files to disk: No space left on device");
        // Nothing is left behind, not even the staged part.
        EXPECT_EQ(ListTree(disk.Folder()), std::vector<std::string>{});
    }
}
