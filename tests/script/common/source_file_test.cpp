// GSSourceFile: plain and protected sources, their limits, the one-shot prefix, whole-file saves.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "script/common/source_file.h"
#include "support/lzss_test_support.h"
#include "support/temp_folder.h"

namespace {

std::string U32(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}

uint32_t ReadU32(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

// Script-like text, repetitive enough to compress.
std::string ScriptText(size_t size)
{
    static const char* words[] = {"class ", "Train",  " isclass ", "GameObject", " {\r\n",  "  int ",
                                  "speed",  " = ",    "0",         ";\r\n",      "  void ", "Init",
                                  "()",     " }\r\n", "if (",      "me.",        "return ", "\"x\""};
    std::string text;
    uint32_t state = 7;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += words[(state >> 16) % (sizeof words / sizeof words[0])];
    }
    text.resize(size);
    return text;
}

std::string Noise(size_t size)
{
    const LZSSTest::Bytes bytes = LZSSTest::Noise(size);
    return std::string(bytes.begin(), bytes.end());
}

// A protected file of this payload (given in plain form, scrambled here).
std::string ProtectedFile(std::string plainPayload, uint32_t payloadLengthField)
{
    GSSourceFile::Scramble(reinterpret_cast<uint8_t*>(plainPayload.data()), plainPayload.size());
    return U32(1) + U32(0) + U32(payloadLengthField) + U32(0) + plainPayload;
}

// The plain payload of a protected file made by Save.
std::string PlainPayload(const std::string& file)
{
    std::string payload = file.substr(GSSourceFile::kHeaderSize);
    GSSourceFile::Scramble(reinterpret_cast<uint8_t*>(payload.data()), payload.size());
    return payload;
}

class SourceFileTest : public ::testing::Test {
protected:
    void TearDown() override { GSSourceFile::LoadPrefix = Zel::PString(); }
    KorvelTest::TempFolder tree;
};

TEST_F(SourceFileTest, ProtectedRoundTripGivesBackTheBytesAtEdgeSizes)
{
    struct Case {
        const char* what;
        std::string text;
        // Low nibble of the stream's first byte: 0 stored, 6 flag words, 9 Huffman.
        int level;
    };
    const Case cases[] = {
        {"one byte", "x", 0},
        {"six bytes", "abcabc", 0},
        {"seven bytes", "aaaaaaa", 6},
        {"255 bytes", ScriptText(255), 6},
        {"256 bytes", ScriptText(256), 9},
        {"incompressible 256 bytes", Noise(256), 0},
        {"CR LF and NUL bytes", std::string("a\r\n\0b\r\n", 7) + ScriptText(300), 9},
        {"large", ScriptText(3 * 1024 * 1024 + 17), 9},
        {"large incompressible", Noise(700 * 1024), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree.MakeFile("s.gs", c.text);
        GSSourceFile plain;
        ASSERT_TRUE(plain.Load(nullptr, (tree / "s.gs").c_str()));
        EXPECT_FALSE(plain.IsProtected());
        ASSERT_TRUE(plain.Save(nullptr, (tree / "s.gse").c_str()));

        const std::string file = tree.ReadFile("s.gse");
        ASSERT_GE(file.size(), 21u);
        EXPECT_EQ(ReadU32(file, 0), 1u);
        EXPECT_EQ(ReadU32(file, 4), 0u);
        EXPECT_EQ(ReadU32(file, 8), file.size() - 16);
        EXPECT_EQ(ReadU32(file, 12), 0u);
        const std::string payload = PlainPayload(file);
        EXPECT_EQ(ReadU32(payload, 0), c.text.size());
        EXPECT_EQ(uint8_t(payload[4]) & 0x0F, c.level);
        EXPECT_LE(payload.size(), c.text.size() + 5);

        GSSourceFile loaded;
        ASSERT_TRUE(loaded.Load(nullptr, (tree / "s.gse").c_str()));
        EXPECT_TRUE(loaded.IsProtected());
        EXPECT_EQ(loaded.TextLength(), c.text.size());
        const char* text = loaded.Text();
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(std::string(text, loaded.Length()) == c.text);
        EXPECT_FALSE(loaded.IsProtected());

        // And back to plain text under another name.
        ASSERT_TRUE(loaded.Save(nullptr, (tree / "back.gs").c_str()));
        EXPECT_TRUE(tree.ReadFile("back.gs") == c.text);
    }
}

TEST_F(SourceFileTest, ALoadedHeaderWordIsKeptAndWrittenBack)
{
    GSSourceFile source;
    tree.MakeFile("h.gs", "class A {};");
    ASSERT_TRUE(source.Load(nullptr, (tree / "h.gs").c_str()));
    ASSERT_TRUE(source.Save(nullptr, (tree / "h.gse").c_str()));
    std::string file = tree.ReadFile("h.gse");
    file.replace(0, 4, U32(7));
    tree.MakeFile("h7.gse", file);
    GSSourceFile seven;
    ASSERT_TRUE(seven.Load(nullptr, (tree / "h7.gse").c_str()));
    EXPECT_EQ(seven.HeaderWord(), 7u);
    ASSERT_TRUE(seven.Save(nullptr, (tree / "again.gse").c_str()));
    EXPECT_EQ(ReadU32(tree.ReadFile("again.gse"), 0), 7u);
}

TEST_F(SourceFileTest, CorruptProtectedFilesAreRefused)
{
    // A good payload to damage: the text "class A {};" at level 9.
    tree.MakeFile("good.gs", ScriptText(600));
    GSSourceFile good;
    ASSERT_TRUE(good.Load(nullptr, (tree / "good.gs").c_str()));
    ASSERT_TRUE(good.Save(nullptr, (tree / "good.gse").c_str()));
    const std::string payload = PlainPayload(tree.ReadFile("good.gse"));
    const std::string stream = payload.substr(4);
    const uint32_t n = uint32_t(payload.size());

    struct Case {
        const char* what;
        std::string file;
        bool loads;  // the raw payload is accepted; unprotecting then fails
    };
    std::string flipped = stream;
    flipped[0] = char(0x30 | 9);  // window code 3 does not exist
    const Case cases[] = {
        {"empty file", "", false},
        {"header cut short", U32(1) + U32(0) + U32(n), false},
        {"payload length 0", ProtectedFile("", 0), false},
        {"payload length above the limit", ProtectedFile(payload, 0x2000001), false},
        {"payload length below a length word and one byte", ProtectedFile(U32(1), 4), false},
        {"payload cut short", ProtectedFile(payload.substr(0, n - 1), n), false},
        {"text length 0", ProtectedFile(U32(0) + stream, n), true},
        {"text length above the limit", ProtectedFile(U32(0x4000001) + stream, n), true},
        {"text length one too large", ProtectedFile(U32(601) + stream, n), true},
        {"text length one too small", ProtectedFile(U32(599) + stream, n), true},
        {"stream cut in half",
         ProtectedFile(U32(600) + stream.substr(0, stream.size() / 2), uint32_t(4 + stream.size() / 2)), true},
        {"unknown window code", ProtectedFile(U32(600) + flipped, n), true},
        {"unscrambled payload", U32(1) + U32(0) + U32(n) + U32(0) + payload, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tree.MakeFile("bad.gse", c.file);
        GSSourceFile source;
        ASSERT_EQ(source.Load(nullptr, (tree / "bad.gse").c_str()), c.loads);
        if (!c.loads)
            continue;
        EXPECT_FALSE(source.Unprotect());
        EXPECT_EQ(source.Text(), nullptr);
        EXPECT_EQ(source.TextLength(), 0u);
        EXPECT_EQ(source.Length(), 0u);  // cleared, nothing half-converted left
        EXPECT_FALSE(source.Save(nullptr, (tree / "out.gs").c_str()));
    }
    EXPECT_FALSE(tree.Has("out.gs"));
}

TEST_F(SourceFileTest, OnlyTheTwoExtensionsOfExistingFilesLoad)
{
    tree.MakeFile("a.txt", "class A {};");
    tree.MakeFile("Mixed.GS", "class B {};");
    struct Case {
        const char* name;
        bool loads;
    };
    const Case cases[] = {{"a.txt", false},   {"missing.gs", false}, {"missing.gse", false},
                          {"mixed.gs", true}, {"MIXED.gs", true},    {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GSSourceFile source;
        EXPECT_EQ(source.Load(nullptr, (tree / c.name).c_str()), c.loads);
    }
    // A plain text above 64 MB (sparse, so the test stays cheap).
    tree.MakeFile("huge.gs");
    std::filesystem::resize_file(tree / "huge.gs", GSSourceFile::kMaxTextLength + 1);
    GSSourceFile huge;
    EXPECT_FALSE(huge.Load(nullptr, (tree / "huge.gs").c_str()));

    GSSourceFile source;
    ASSERT_TRUE(source.Load(nullptr, (tree / "mixed.gs").c_str()));
    EXPECT_FALSE(source.Save(nullptr, (tree / "out.txt").c_str()));
    EXPECT_FALSE(tree.Has("out.txt"));
}

TEST_F(SourceFileTest, ThePrefixIsPutInFrontOnceAndLeftOutOfTheFile)
{
    tree.MakeFile("ten.gs", "0123456789");
    GSSourceFile::LoadPrefix = Zel::PString("include \"x.gs\"\r\n");
    GSSourceFile first;
    ASSERT_TRUE(first.Load(nullptr, (tree / "ten.gs").c_str()));
    EXPECT_EQ(first.PrefixLength(), 16u);
    EXPECT_EQ(first.TextLength(), 26u);
    EXPECT_STREQ(first.Text(), "include \"x.gs\"\r\n0123456789");
    EXPECT_TRUE(GSSourceFile::LoadPrefix.IsEmpty());

    GSSourceFile second;
    ASSERT_TRUE(second.Load(nullptr, (tree / "ten.gs").c_str()));
    EXPECT_EQ(second.PrefixLength(), 0u);
    EXPECT_STREQ(second.Text(), "0123456789");

    // An unprotect consumes it too.
    ASSERT_TRUE(second.Save(nullptr, (tree / "ten.gse").c_str()));
    GSSourceFile::LoadPrefix = Zel::PString("P;");
    GSSourceFile prot;
    ASSERT_TRUE(prot.Load(nullptr, (tree / "ten.gse").c_str()));
    EXPECT_STREQ(prot.Text(), "P;0123456789");
    EXPECT_EQ(prot.PrefixLength(), 2u);
    EXPECT_TRUE(GSSourceFile::LoadPrefix.IsEmpty());
}

TEST_F(SourceFileTest, AFailedSaveLeavesNoFileAndKeepsTheOldOne)
{
    tree.MakeFile("s.gs", ScriptText(1000));
    GSSourceFile source;
    ASSERT_TRUE(source.Load(nullptr, (tree / "s.gs").c_str()));
    // A folder where the file should go, and a folder that does not exist.
    tree.MakeFolder("taken.gse");
    EXPECT_FALSE(source.Save(nullptr, (tree / "taken.gse").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(tree / "taken.gse"));
    EXPECT_FALSE(source.Save(nullptr, (tree / "no/such/s.gse").c_str()));

    // An existing file is replaced whole.
    tree.MakeFile("old.gse", "old bytes");
    ASSERT_TRUE(source.Save(nullptr, (tree / "old.gse").c_str()));
    EXPECT_EQ(ReadU32(tree.ReadFile("old.gse"), 0), 1u);

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(tree.Root()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"old.gse", "s.gs", "taken.gse"}));
}

TEST_F(SourceFileTest, AnEmptyTextIsNeverProtected)
{
    // Its length word would be 0, which no load accepts.
    tree.MakeFile("empty.gs", "");
    GSSourceFile source;
    ASSERT_TRUE(source.Load(nullptr, (tree / "empty.gs").c_str()));
    EXPECT_EQ(source.TextLength(), 0u);
    EXPECT_FALSE(source.Save(nullptr, (tree / "empty.gse").c_str()));
    EXPECT_FALSE(tree.Has("empty.gse"));
}

// Random bytes do not compress: the stored form of a text of the payload
// limit is more than a loader accepts, so saving it must fail rather than
// write a file nothing can load.
TEST_F(SourceFileTest, ATextThatCodesBeyondTheLoadLimitIsNotProtected)
{
    std::string text(GSSourceFile::kMaxPayloadLength, '\0');
    uint64_t state = 99;
    for (char& c : text) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        c = char(state >> 56);
    }
    GSSourceFile source;
    source.SetText(text.data(), uint32_t(text.size()));
    EXPECT_FALSE(source.Save(nullptr, (tree / "big.gse").c_str()));
    EXPECT_FALSE(tree.Has("big.gse"));
    // The text itself is untouched and still saves as plain text.
    EXPECT_EQ(source.TextLength(), text.size());
    ASSERT_TRUE(source.Save(nullptr, (tree / "big.gs").c_str()));
    EXPECT_EQ(tree.ReadFile("big.gs"), text);
}

}  // namespace
