// VrexDataBufferFile: the four access modes, direction changes, sizes and status codes on real files.
#include <gtest/gtest.h>

#include <string>

#include "foundation/base/code_page.h"
#include "foundation/base/vrex_data_buffer.h"
#include "support/temp_folder.h"

namespace {

class VrexDataBufferTest : public KorvelTest::TempFolderTest {
protected:
    std::u16string PathOf(const std::string& name)
    {
        std::u16string out;
        CodePageToUtf16(folder_ / name, CP_UTF8, out);
        return out;
    }
};

TEST_F(VrexDataBufferTest, ModesOpenCreateAndRefuseAsTheyShould)
{
    folder_.MakeFile("there.bin", "12345");
    struct Case {
        const char* name;
        std::int32_t mode;
        const char* file;
        bool opens;
        std::uint64_t size;
        int writeStatus;
        int readStatus;
    } cases[] = {
        {"read an existing file", 0, "there.bin", true, 5, VrexNotAllowed, VrexOk},
        {"read a missing file", 0, "missing.bin", false, 0, VrexNotOpen, VrexNotOpen},
        {"truncate", 1, "there.bin", true, 0, VrexOk, VrexNotAllowed},
        {"keep an existing file", 2, "there.bin", true, 5, VrexOk, VrexNotAllowed},
        {"create a missing file", 2, "new.bin", true, 0, VrexOk, VrexNotAllowed},
        {"read-write a missing file", 3, "missing.bin", false, 0, VrexNotOpen, VrexNotOpen},
        {"unknown mode", 9, "there.bin", false, 0, VrexNotOpen, VrexNotOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder_.MakeFile("there.bin", "12345");
        VrexDataBufferFile file(c.mode, PathOf(c.file));
        EXPECT_EQ(file.IsOpen(), c.opens);
        EXPECT_EQ(file.GetSize(), c.size);
        char byte = 'x';
        EXPECT_EQ(file.Read(&byte, 1), c.readStatus);
        EXPECT_EQ(file.Write("z", 1), c.writeStatus);
        EXPECT_EQ(file.Write("z", 0), c.opens && c.mode != 0 ? VrexOk : c.writeStatus);
    }
    EXPECT_FALSE(folder_.Has("missing.bin"));
}

TEST_F(VrexDataBufferTest, ReadWriteModeContinuesAtThePositionAcrossDirectionChanges)
{
    folder_.MakeFile("rw.bin", "abcdefgh");
    {
        VrexDataBufferFile file(VrexDataBufferFile::ReadWrite, PathOf("rw.bin"));
        char two[3] = {};
        ASSERT_EQ(file.Read(two, 2), VrexOk);
        EXPECT_STREQ(two, "ab");
        ASSERT_EQ(file.Write("XY", 2), VrexOk);
        EXPECT_EQ(file.Tell(), 4u);
        ASSERT_EQ(file.Read(two, 2), VrexOk);
        EXPECT_STREQ(two, "ef");
        ASSERT_EQ(file.Seek(7), VrexOk);
        ASSERT_EQ(file.Write("123", 3), VrexOk);
        EXPECT_EQ(file.GetSize(), 10u);
        EXPECT_EQ(file.Read(two, 2), VrexFailed);
    }
    EXPECT_EQ(folder_.ReadFile("rw.bin"), "abXYefg123");
}

TEST_F(VrexDataBufferTest, SetSizeBelowThePositionMovesItToTheNewEnd)
{
    std::string big(3 << 20, 'q');
    {
        VrexDataBufferFile file(VrexDataBufferFile::WriteTruncate, PathOf("grow.bin"));
        ASSERT_EQ(file.Write(big.data(), big.size()), VrexOk);
        // A short write stays in the runtime's buffer: it must not come back
        // past the new end when the buffer is flushed later.
        ASSERT_EQ(file.Write("buffered", 8), VrexOk);
        ASSERT_EQ(file.SetSize(1000), VrexOk);
        EXPECT_EQ(file.Tell(), 1000u);
        EXPECT_EQ(file.GetSize(), 1000u);
        ASSERT_EQ(file.Write("end", 3), VrexOk);
        file.Flush();
        EXPECT_EQ(folder_.ReadFile("grow.bin").size(), 1003u);
    }
    EXPECT_EQ(folder_.ReadFile("grow.bin"), std::string(1000, 'q') + "end");
}

TEST_F(VrexDataBufferTest, NamesBeyondTheAnsiCodePageWork)
{
    {
        VrexDataBufferFile file(VrexDataBufferFile::WriteAppendable, PathOf("журнал 日本.log"));
        ASSERT_TRUE(file.IsOpen());
        ASSERT_EQ(file.Write("ok", 2), VrexOk);
    }
    EXPECT_EQ(folder_.ReadFile("журнал 日本.log"), "ok");
}

}  // namespace
