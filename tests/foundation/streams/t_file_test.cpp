// Tests of TFile over real files in a temporary folder.
#include "foundation/streams/t_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "stream_test_support.h"
#include "support/temp_folder.h"

namespace {

class TFileTest : public KorvelTest::TempFolderTest {
protected:
    std::string PathOf(const char* name) const { return folder_ / name; }

    void WriteFile(const char* name, const Bytes& bytes) const
    {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Bytes ReadFile(const char* name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

TEST_F(TFileTest, WritesAndReadsBack)
{
    TFile out;
    ASSERT_TRUE(out.Open(PathOf("a.bin").c_str(), Zel::File::ModeWrite));
    out.WriteInt32(-2);
    out.WritePString(Zel::PString("abc"));
    int64_t block = out.BeginBlock();
    out.WriteInt32(9);
    out.EndBlock(block);
    out.Close();
    EXPECT_EQ(ReadFile("a.bin"), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0, 'a', 'b', 'c', 0, 4, 0, 0, 0, 9, 0, 0, 0}));

    TFile in;
    ASSERT_TRUE(in.Open(PathOf("a.bin").c_str(), Zel::File::ModeRead));
    EXPECT_EQ(in.Size(), 20);
    EXPECT_EQ(in.ReadInt32(), -2);
    EXPECT_EQ(in.ReadPString(), Zel::PString("abc"));
    EXPECT_EQ(in.ReadUInt32(), 4u);
    EXPECT_EQ(in.ReadInt32(), 9);
    EXPECT_TRUE(in.Eof());
    EXPECT_EQ(in.GetError(), TStream::ErrorNone);
}

// The cache asks for 4096 bytes whatever the file holds: reaching the end is
// not an input/output error, and a typed read past it is a short read.
TEST_F(TFileTest, EndOfFileIsAShortReadNotAnIoError)
{
    WriteFile("two.bin", {1, 2});
    TFile in;
    ASSERT_TRUE(in.Open(PathOf("two.bin").c_str(), Zel::File::ModeRead));
    EXPECT_EQ(in.ReadInt32(-1), -1);
    EXPECT_EQ(in.GetError(), TStream::ErrorShortRead);
}

TEST_F(TFileTest, LargeReadThenSmallRead)
{
    Bytes bytes = Pattern(9000);
    WriteFile("big.bin", bytes);
    TFile in;
    ASSERT_TRUE(in.Open(PathOf("big.bin").c_str(), Zel::File::ModeRead));
    Bytes out(5000);
    EXPECT_EQ(in.ReadBytes(out.data(), 5000), 5000);
    EXPECT_EQ(out, Bytes(bytes.begin(), bytes.begin() + 5000));
    EXPECT_EQ(in.ReadUInt8(), bytes[5000]);
    EXPECT_EQ(in.Tell(), 5001);
    EXPECT_EQ(in.Seek(-1, TStream::FromCurrent), 5000);
    EXPECT_EQ(in.ReadUInt8(), bytes[5000]);
    EXPECT_EQ(in.Seek(-3, TStream::FromEnd), 8997);
    EXPECT_EQ(in.ReadUInt8(), bytes[8997]);
    EXPECT_EQ(in.GetError(), TStream::ErrorNone);
}

TEST_F(TFileTest, WithoutAFileEveryOperationFailsQuietly)
{
    TFile none;
    EXPECT_FALSE(none.IsOpen());
    EXPECT_TRUE(none.Eof());
    EXPECT_EQ(none.Tell(), 0);
    EXPECT_EQ(none.ReadInt32(-6), -6);
    EXPECT_EQ(none.GetError(), TStream::ErrorInputOutput);
    none.Close();
    EXPECT_EQ(none.GetError(), TStream::ErrorNone);
    none.WriteInt32(1);
    EXPECT_EQ(none.GetError(), TStream::ErrorInputOutput);

    TFile missing;
    EXPECT_FALSE(missing.Open(PathOf("missing.bin").c_str(), Zel::File::ModeRead));
    EXPECT_FALSE(missing.IsOpen());
}

TEST_F(TFileTest, ResetReopensForWriting)
{
    WriteFile("r.bin", {1, 2, 3, 4, 5, 6});
    TFile file;
    ASSERT_TRUE(file.Open(PathOf("r.bin").c_str(), Zel::File::ModeRead));
    file.ReadInt32();
    file.Reset();
    EXPECT_TRUE(file.IsOpen());
    file.WriteUInt8(7);
    file.Close();
    EXPECT_EQ(ReadFile("r.bin"), (Bytes{7}));
}

TEST_F(TFileTest, ClosingABorrowedFileLeavesItAtTheLogicalPosition)
{
    WriteFile("b.bin", Pattern(100));
    Zel::File engineFile;
    ASSERT_EQ(engineFile.Open(PathOf("b.bin").c_str(), Zel::File::ModeRead), 0);
    {
        TFile borrowed(&engineFile, false);
        borrowed.ReadInt32();  // the cache fetched all 100 bytes
        borrowed.Close();
    }
    EXPECT_TRUE(engineFile.IsOpen());
    EXPECT_EQ(engineFile.Tell(), 4);
}

}  // namespace
