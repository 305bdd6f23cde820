// Tests of write runs: staged typed writes give the same bytes and positions as plain writes over every stream.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "foundation/streams/t_file.h"
#include "foundation/streams/t_sub_file.h"
#include "stream_test_support.h"
#include "support/temp_folder.h"

namespace {

// Writes what a run must stage, hand over and patch, and notes what the
// stream answered on the way: the positions and what a read in the middle saw.
std::vector<int64_t> WriteMixed(TStream& stream, bool inRun)
{
    std::optional<TStream::WriteRun> run;
    if (inRun)
        run.emplace(stream);
    std::vector<int64_t> seen;
    stream.WriteUInt8(1);
    stream.WriteUInt16(0x0203);
    const int64_t outer = stream.BeginBlock();
    // More than two caches of words: the outer placeholder is handed over
    // long before its block ends, and the stage refills at its boundary.
    for (int32_t i = 0; i < 2500; ++i)
        stream.WriteInt32(i);
    const int64_t inner = stream.BeginBlock();
    stream.WriteInt64(-5);
    stream.WriteFloat(1.5f);
    stream.EndBlock(inner);
    seen.push_back(stream.Tell());
    stream.WritePString(Zel::PString("text"));
    stream.WriteUInt32(7);
    stream.EndBlock(outer);
    const int64_t end = stream.Tell();
    seen.push_back(end);
    stream.WriteUInt32At(1, 0xA1A2A3A4u);
    stream.WriteBool(true);
    seen.push_back(stream.Tell());
    stream.MoveTo(3);
    seen.push_back(stream.ReadUInt32());
    seen.push_back(stream.ReadInt32());
    stream.WriteInt32(-9);
    stream.MoveTo(end + 1);
    stream.WriteInt16(-1);
    seen.push_back(stream.Tell());
    seen.push_back(stream.Eof() ? 1 : 0);
    seen.push_back(stream.GetError());
    return seen;
}

class TStreamWriteRun : public KorvelTest::TempFolderTest {
protected:
    std::string PathOf(const char* name) const { return folder_ / name; }

    struct Written {
        std::vector<int64_t> seen;
        Bytes bytes;
    };

    Written OverBuffer(bool inRun)
    {
        TBuffer buffer;
        Written written{WriteMixed(buffer, inRun), {}};
        written.bytes = Contents(buffer);
        return written;
    }
    Written OverFile(bool inRun)
    {
        const std::string path = PathOf(inRun ? "run.bin" : "plain.bin");
        Written written;
        {
            TFile file;
            EXPECT_TRUE(file.Open(path.c_str(), Zel::File::ModeWrite));
            written.seen = WriteMixed(file, inRun);
        }
        TFile in;
        EXPECT_TRUE(in.Open(path.c_str(), Zel::File::ModeRead));
        written.bytes.resize(size_t(in.Size()));
        in.ReadBytes(written.bytes.data(), int64_t(written.bytes.size()));
        return written;
    }
    Written OverWindow(bool inRun)
    {
        TBuffer buffer;
        Fill(buffer, Pattern(64));
        buffer.MoveTo(16);
        Written written;
        {
            TSubFile window(buffer, 16, 100000);
            written.seen = WriteMixed(window, inRun);
        }
        written.bytes = Contents(buffer);
        return written;
    }
};

TEST_F(TStreamWriteRun, SameBytesAndPositionsAsPlainWritesOverEveryStream)
{
    for (int kind = 0; kind < 3; ++kind) {
        auto write = [&](bool inRun) {
            return kind == 0 ? OverBuffer(inRun) : kind == 1 ? OverFile(inRun) : OverWindow(inRun);
        };
        const Written plain = write(false);
        const Written run = write(true);
        EXPECT_EQ(run.seen, plain.seen) << kind;
        EXPECT_EQ(run.bytes, plain.bytes) << kind;
        // A file open for writing cannot be read back: the read in the middle
        // fails alike with and without a run.
        EXPECT_EQ(plain.seen.back(), kind == 1 ? TStream::ErrorInputOutput : TStream::ErrorNone) << kind;
        EXPECT_GT(plain.bytes.size(), 10000u) << kind;
    }
}

TEST_F(TStreamWriteRun, TheObjectHoldsStagedWritesWhenTheRunEndsOrTheBufferIsAskedFor)
{
    Zel::DynamicBuffer data(0, 512);
    TBuffer stream(&data, false);
    {
        TStream::WriteRun outer(stream);
        {
            TStream::WriteRun inner(stream);
            stream.WriteInt32(1);
            stream.WriteInt32(2);
        }
        // Only the outermost run's end hands over.
        EXPECT_EQ(data.GetLength(), 0u);
        EXPECT_EQ(stream.Tell(), 8);
        EXPECT_EQ(stream.Buffer().GetLength(), 8u);
        stream.WriteInt32(3);
        EXPECT_EQ(data.GetLength(), 8u);
    }
    EXPECT_EQ(data.GetLength(), 12u);
    EXPECT_EQ(Contents(stream), (Bytes{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
}

TEST_F(TStreamWriteRun, AWriteThatFailsIsRecordedWhenHandedOver)
{
    TFile nowhere;
    {
        TStream::WriteRun run(nowhere);
        nowhere.WriteInt32(5);
        EXPECT_EQ(nowhere.GetError(), TStream::ErrorNone);
    }
    EXPECT_EQ(nowhere.GetError(), TStream::ErrorInputOutput);
}

}  // namespace
