// Zel::File I/O: open modes, ReadLine terminators and cut, Eof, seeking, writing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "zel/file.h"

using Zel::File;

namespace {

std::vector<std::string> ReadAllLines(const std::string& path, int bufferSize = File::kLineBufferSize)
{
    File file;
    EXPECT_EQ(file.Open(path.c_str(), File::ModeRead), 0);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    // The batch loop's shape: read, use, stop when the file reports its end.
    while (!file.Eof()) {
        int length = file.ReadLine(buffer.data(), bufferSize);
        lines.emplace_back(buffer.data(), static_cast<size_t>(length));
    }
    return lines;
}

}  // namespace

TEST(FileTest, ReadLineKeepsTerminatorsAndEofHasNoPhantomLine)
{
    struct Case {
        const char* content;
        std::vector<std::string> lines;
    } cases[] = {
        {"one\ntwo\n", {"one\n", "two\n"}},
        {"one\r\ntwo", {"one\r\n", "two"}},
        {"\r\n\n", {"\r\n", "\n"}},
        {"", {}},
        {"last-without-newline", {"last-without-newline"}},
    };
    KorvelTest::TempFolder tree;
    for (const Case& c : cases) {
        tree.MakeFile("lines.txt", c.content);
        EXPECT_EQ(ReadAllLines(tree / "lines.txt"), c.lines) << c.content;
    }
}

TEST(FileTest, ReadLineCutsAt511Bytes)
{
    KorvelTest::TempFolder tree;
    std::string longLine(600, 'x');
    tree.MakeFile("long.txt", longLine + "\nnext\n");
    std::vector<std::string> lines = ReadAllLines(tree / "long.txt");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(511, 'x'));
    EXPECT_EQ(lines[1], std::string(89, 'x') + "\n");
    EXPECT_EQ(lines[2], "next\n");
}

TEST(FileTest, ReadLineOnTinyBuffers)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("t.txt", "ab\n");
    File file;
    ASSERT_EQ(file.Open((tree / "t.txt").c_str(), File::ModeRead), 0);
    char buffer[2];
    EXPECT_EQ(file.ReadLine(buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(file.ReadLine(buffer, 2), 1);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(file.ReadLine(nullptr, 10), 0);
}

TEST(FileTest, WriteModesCreateAndTruncate)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("out.txt", "old content that is long");
    for (int mode : {File::ModeWrite, File::ModeWriteCreate, File::ModeWriteContent}) {
        File file;
        ASSERT_EQ(file.Open((tree / "out.txt").c_str(), mode), 0) << mode;
        EXPECT_TRUE(file.WriteLine("fresh"));
        file.Close();
        EXPECT_EQ(tree.ReadFile("out.txt"), "fresh\n") << mode;
    }
    File created;
    EXPECT_EQ(created.Open((tree / "New.bin").c_str(), File::ModeWrite), 0);
    EXPECT_TRUE(created.Write(uint32_t{0x04030201}));
    EXPECT_TRUE(created.Write(1.0f));
    EXPECT_EQ(created.Write("ab", 1, 2), 2);
    created.Close();
    EXPECT_EQ(tree.ReadFile("New.bin"), std::string("\x01\x02\x03\x04\x00\x00\x80\x3f"
                                                    "ab",
                                                    10));
}

TEST(FileTest, OpenFailures)
{
    KorvelTest::TempFolder tree;
    tree.MakeFolder("folder");
    File file;
    EXPECT_NE(file.Open((tree / "missing.txt").c_str(), File::ModeRead), 0);
    EXPECT_NE(file.Open((tree / "folder").c_str(), File::ModeRead), 0);  // a folder is not a file
    EXPECT_NE(file.Open((tree / "nofolder/x.txt").c_str(), File::ModeWrite), 0);
    EXPECT_NE(file.Open("", File::ModeRead), 0);
    EXPECT_NE(file.Open(nullptr, File::ModeRead), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.Eof());
    char buffer[4];
    EXPECT_EQ(file.Read(buffer, 4), 0);
}

TEST(FileTest, ReadSeekTellAcrossTheLineBuffer)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("data.bin", "0123456789");
    File file;
    ASSERT_EQ(file.Open((tree / "data.bin").c_str(), File::ModeRead), 0);
    EXPECT_EQ(file.Size(), 10);
    EXPECT_FALSE(file.Eof());  // fills the buffer; the position must not move
    EXPECT_EQ(file.Tell(), 0);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 3), 3);
    EXPECT_STREQ(buffer, "012");
    EXPECT_EQ(file.Tell(), 3);
    EXPECT_EQ(file.Seek(-1, File::SeekCur), 2);
    EXPECT_EQ(file.Read(buffer, 16), 8);
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(file.Seek(-2, File::SeekEnd), 8);
    EXPECT_EQ(file.Read(buffer, 16), 2);
}

TEST(FileTest, DescriptorsAreCloseOnExec)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("x.txt", "x");
    File file;
    ASSERT_EQ(file.Open((tree / "x.txt").c_str(), File::ModeRead), 0);
    EXPECT_TRUE(fcntl(file.Handle(), F_GETFD) & FD_CLOEXEC);
}
