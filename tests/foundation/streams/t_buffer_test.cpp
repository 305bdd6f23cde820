// Tests of TBuffer and the TStream operations over it: typed values, strings, blocks, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "stream_test_support.h"

namespace {

TEST(TBufferTypes, LittleEndianLayout)
{
    TBuffer buffer;
    buffer.WriteUInt8(0xAB);
    buffer.WriteInt8(-2);
    buffer.WriteUInt16(0x1234);
    buffer.WriteInt16(-3);
    buffer.WriteUInt32(0xDEADBEEFu);
    buffer.WriteInt32(-5);
    buffer.WriteInt64(0x0102030405060708LL);
    buffer.WriteBool(true);
    buffer.WriteBool(false);
    buffer.WriteFloat(1.5f);
    const Bytes expected = {
        0xAB, 0xFE, 0x34, 0x12, 0xFD, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE, 0xFB, 0xFF, 0xFF, 0xFF,
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x01, 0x00, 0x00, 0x00, 0xC0, 0x3F,
    };
    EXPECT_EQ(Contents(buffer), expected);

    buffer.Rewind();
    EXPECT_EQ(buffer.ReadUInt8(), 0xAB);
    EXPECT_EQ(buffer.ReadInt8(), -2);
    EXPECT_EQ(buffer.ReadUInt16(), 0x1234);
    EXPECT_EQ(buffer.ReadInt16(), -3);
    EXPECT_EQ(buffer.ReadUInt32(), 0xDEADBEEFu);
    EXPECT_EQ(buffer.ReadInt32(), -5);
    EXPECT_EQ(buffer.ReadInt64(), 0x0102030405060708LL);
    EXPECT_TRUE(buffer.ReadBool());
    EXPECT_FALSE(buffer.ReadBool(true));
    EXPECT_FLOAT_EQ(buffer.ReadFloat(), 1.5f);
    EXPECT_TRUE(buffer.Eof());
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

TEST(TBufferTypes, AnyNonZeroByteIsTrue)
{
    TBuffer buffer;
    Fill(buffer, {0x00, 0x01, 0x7F, 0xFF});
    EXPECT_FALSE(buffer.ReadBool());
    EXPECT_TRUE(buffer.ReadBool());
    EXPECT_TRUE(buffer.ReadBool());
    EXPECT_TRUE(buffer.ReadBool());
}

// Each typed read over too few bytes: the caller's default and error 4.
TEST(TBufferTypes, ShortTypedReadsGiveTheDefault)
{
    struct Case {
        const char* name;
        size_t available;
        bool (*read)(TBuffer&);
    };
    const Case cases[] = {
        {"uint8", 0, [](TBuffer& b) { return b.ReadUInt8(9) == 9; }},
        {"int16", 1, [](TBuffer& b) { return b.ReadInt16(-9) == -9; }},
        {"int32", 2, [](TBuffer& b) { return b.ReadInt32(-77) == -77; }},
        {"uint32", 3, [](TBuffer& b) { return b.ReadUInt32(5u) == 5u; }},
        {"int64", 7, [](TBuffer& b) { return b.ReadInt64(-1) == -1; }},
        {"bool", 0, [](TBuffer& b) { return b.ReadBool(true); }},
        {"float", 3, [](TBuffer& b) { return b.ReadFloat(2.5f) == 2.5f; }},
        {"kuid", 0, [](TBuffer& b) { return b.ReadKUID().IsNull(); }},
        // The missing first packed word reads as all ones.
        {"kuid half", 4, [](TBuffer& b) { return b.ReadKUID() == KUID(-1, 0x11111111, 127); }},
        {"pstring", 3, [](TBuffer& b) { return b.ReadPString().IsEmpty(); }},
        {"string", 2, [](TBuffer& b) { return b.ReadString().IsEmpty(); }},
    };
    for (const Case& c : cases) {
        TBuffer buffer;
        Fill(buffer, Bytes(c.available, 0x11));
        EXPECT_TRUE(c.read(buffer)) << c.name;
        EXPECT_EQ(buffer.GetError(), TStream::ErrorShortRead) << c.name;
        EXPECT_LE(buffer.Tell(), int64_t(c.available)) << c.name;
    }
}

TEST(TBufferErrors, FirstErrorIsKept)
{
    TBuffer buffer;
    Fill(buffer, {0x01, 0x02});
    EXPECT_EQ(buffer.ReadInt32(-1), -1);
    EXPECT_EQ(buffer.GetError(), TStream::ErrorShortRead);
    buffer.WriteUInt32(0x10000);  // an oversized string count
    buffer.Seek(-4, TStream::FromCurrent);
    EXPECT_TRUE(buffer.ReadString().IsEmpty());
    EXPECT_EQ(buffer.GetError(), TStream::ErrorShortRead);
    buffer.ClearError();
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

TEST(TBufferStrings, PStringCountsTheTerminator)
{
    TBuffer buffer;
    buffer.WritePString(Zel::PString("abc"));
    EXPECT_EQ(Contents(buffer), (Bytes{4, 0, 0, 0, 'a', 'b', 'c', 0}));
    buffer.Rewind();
    Zel::PString read = buffer.ReadPString();
    EXPECT_EQ(read, Zel::PString("abc"));
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

TEST(TBufferStrings, WrittenLayouts)
{
    struct Case {
        const char* name;
        void (*write)(TBuffer&);
        Bytes expected;
    };
    const Case cases[] = {
        {"null pstring", [](TBuffer& b) { b.WritePString(Zel::PString()); }, {0, 0, 0, 0}},
        {"empty pstring", [](TBuffer& b) { b.WritePString(Zel::PString("")); }, {1, 0, 0, 0, 0}},
        {"string", [](TBuffer& b) { b.WriteString(Zel::String("abc")); }, {3, 0, 0, 0, 'a', 'b', 'c'}},
        {"empty string", [](TBuffer& b) { b.WriteString(Zel::String()); }, {0, 0, 0, 0}},
        {"string of 0x10000", [](TBuffer& b) { b.WriteString(Zel::String(std::string(0x10000, 'x'))); }, {0, 0, 0, 0}},
        {"pstring of 0xFFFF", [](TBuffer& b) { b.WritePString(Zel::PString(std::string(0xFFFF, 'y'))); }, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TBuffer buffer;
        c.write(buffer);
        EXPECT_EQ(Contents(buffer), c.expected) << c.name;
    }
}

TEST(TBufferStrings, LongestAcceptedStringsRoundTrip)
{
    TBuffer buffer;
    std::string longest(0xFFFF, 's');
    std::string longestName(0xFFFE, 'p');
    buffer.WriteString(Zel::String(longest));
    buffer.WritePString(Zel::PString(longestName));
    EXPECT_EQ(buffer.DataLength(), 4 + 0xFFFF + 4 + 0xFFFF);
    buffer.Rewind();
    EXPECT_EQ(std::string(buffer.ReadString().c_str()), longest);
    EXPECT_EQ(std::string(buffer.ReadPString().c_str()), longestName);
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

TEST(TBufferStrings, ReadTable)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::string text;
        int32_t error;
        int64_t positionAfter;
    };
    const Case cases[] = {
        {"plain", {3, 0, 0, 0, 'a', 'b', 'c'}, "abc", TStream::ErrorNone, 7},
        {"trailing zero accepted", {4, 0, 0, 0, 'a', 'b', 'c', 0}, "abc", TStream::ErrorNone, 8},
        {"count 0", {0, 0, 0, 0, 'z'}, "", TStream::ErrorNone, 4},
        {"text ends at a zero", {5, 0, 0, 0, 'a', 0, 'b', 'c', 'd'}, "a", TStream::ErrorNone, 9},
        {"short count", {3, 0}, "", TStream::ErrorShortRead, 2},
        {"short body", {10, 0, 0, 0, 'a', 'b', 'c'}, "", TStream::ErrorShortRead, 7},
        {"count 0x10000 skipped", {0, 0, 1, 0, 'a', 'b'}, "", TStream::ErrorOutOfMemory, -1},
        {"count 0xFFFFFFFF", {0xFF, 0xFF, 0xFF, 0xFF, 'a'}, "", TStream::ErrorOutOfMemory, -1},
    };
    for (const Case& c : cases) {
        for (bool interned : {false, true}) {
            TBuffer buffer;
            Fill(buffer, c.bytes);
            std::string text =
                interned ? std::string(buffer.ReadPString().c_str()) : std::string(buffer.ReadString().c_str());
            EXPECT_EQ(text, c.text) << c.name;
            EXPECT_EQ(buffer.GetError(), c.error) << c.name;
            if (c.positionAfter >= 0) {
                EXPECT_EQ(buffer.Tell(), c.positionAfter) << c.name;
            }
            EXPECT_EQ(buffer.ReadInt32(-3), -3) << c.name;  // nothing readable after
        }
    }
}

TEST(TBufferStrings, OversizedCountSkipsItsBytes)
{
    TBuffer buffer;
    buffer.WriteUInt32(0x10000);
    Bytes skipped(0x10000, 'q');
    buffer.WriteBytes(skipped.data(), int64_t(skipped.size()));
    buffer.WriteInt32(1234);
    buffer.Rewind();
    EXPECT_TRUE(buffer.ReadString().IsEmpty());
    EXPECT_EQ(buffer.GetError(), TStream::ErrorOutOfMemory);
    EXPECT_EQ(buffer.ReadInt32(), 1234);
}

TEST(TBufferBlocks, PlaceholderBecomesTheContentLength)
{
    TBuffer buffer;
    buffer.WriteInt32(77);
    int64_t outer = buffer.BeginBlock();
    EXPECT_EQ(outer, 4);
    EXPECT_EQ(Contents(buffer), (Bytes{77, 0, 0, 0, 0xEB, 0xCE, 0xED, 0xFE}));
    int64_t inner = buffer.BeginBlock();
    buffer.WriteInt32(1);
    buffer.WriteInt32(2);
    buffer.EndBlock(inner);
    buffer.EndBlock(outer);
    buffer.WriteUInt8(9);
    EXPECT_EQ(Contents(buffer), (Bytes{77, 0, 0, 0, 12, 0, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 9}));
}

TEST(TBufferBlocks, EmptyBlockAndPatchedWord)
{
    TBuffer buffer;
    int64_t block = buffer.BeginBlock();
    buffer.EndBlock(block);
    buffer.WriteUInt32(0);
    buffer.WriteUInt32(5);
    buffer.WriteUInt32At(4, 0xCAFEF00Du);
    EXPECT_EQ(buffer.Tell(), 12);
    buffer.WriteUInt8(1);
    EXPECT_EQ(Contents(buffer), (Bytes{0, 0, 0, 0, 0x0D, 0xF0, 0xFE, 0xCA, 5, 0, 0, 0, 1}));
}

TEST(TBufferBlocks, LengthIsTheSameWhateverTheStreamHoldsWhenTheBlockEnds)
{
    // Each case ends a block in another state of the stream: written straight
    // into the buffer, with read input cached, and after the buffer grew
    // under the open block.
    struct Case {
        const char* what;
        int32_t cachedBefore;  // bytes written and read back before the block
        int32_t words;         // words inside the block
    };
    const Case cases[] = {
        {"straight into the buffer", 0, 2},
        {"with cached input", 8, 2},
        {"across growth of the buffer", 0, 40000},
    };
    for (const Case& c : cases) {
        TBuffer buffer;
        for (int32_t i = 0; i < c.cachedBefore; ++i)
            buffer.WriteUInt8(uint8_t(i));
        if (c.cachedBefore > 0) {
            buffer.Rewind();
            buffer.ReadUInt8();
            buffer.MoveTo(c.cachedBefore);
        }
        const int64_t block = buffer.BeginBlock();
        EXPECT_EQ(block, c.cachedBefore) << c.what;
        for (int32_t i = 0; i < c.words; ++i)
            buffer.WriteInt32(i);
        buffer.EndBlock(block);
        EXPECT_EQ(buffer.Tell(), c.cachedBefore + 4 + 4 * int64_t(c.words)) << c.what;
        buffer.MoveTo(block);
        EXPECT_EQ(buffer.ReadUInt32(), uint32_t(4 * c.words)) << c.what;
        EXPECT_EQ(buffer.ReadInt32(), 0) << c.what;
        EXPECT_EQ(buffer.DataLength(), c.cachedBefore + 4 + 4 * int64_t(c.words)) << c.what;
    }
}

TEST(TBufferBlocks, BlockEndedBeforeItsPlaceholderIsWrittenInPlace)
{
    // A stream moved back over its own placeholder cannot hold a length: the
    // word is written where the block began and the stream returns to the end.
    TBuffer buffer;
    buffer.WriteInt32(1);
    const int64_t block = buffer.BeginBlock();
    buffer.MoveTo(block + 2);
    buffer.EndBlock(block);
    EXPECT_EQ(buffer.Tell(), block + 2);
    EXPECT_EQ(Contents(buffer), (Bytes{1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(TBufferKUID, StreamFormIsContentThenPackedWord)
{
    TBuffer buffer;
    buffer.WriteInt32(7);
    buffer.WriteInt32(10);
    buffer.Rewind();
    EXPECT_EQ(buffer.ReadKUID(), KUID(10, 7, 0));
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);

    TBuffer written;
    written.WriteKUID(KUID(-3, 100, 127));
    EXPECT_EQ(Contents(written), (Bytes{100, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}));

    TBuffer empty;
    EXPECT_EQ(empty.ReadKUID(), NullKUID);
    EXPECT_EQ(empty.GetError(), TStream::ErrorShortRead);
}

TEST(TBufferPositions, ReadThenWriteWritesAtTheLogicalPosition)
{
    TBuffer buffer;
    Fill(buffer, Pattern(100));
    EXPECT_EQ(buffer.ReadUInt8(), 0);  // the cache now holds all 100 bytes
    EXPECT_EQ(buffer.Tell(), 1);
    buffer.WriteUInt8(0xEE);
    EXPECT_EQ(buffer.Tell(), 2);
    EXPECT_EQ(buffer.ReadUInt8(), 2);
    EXPECT_EQ(Contents(buffer)[1], 0xEE);
    EXPECT_EQ(buffer.DataLength(), 100);
}

TEST(TBufferPositions, MovesLandOnTheLogicalPositionInsideAndOutsideTheCache)
{
    // The cache holds [0, 4096) after the first read; each move is followed
    // by a read of the byte it landed on.
    const int64_t targets[] = {100, 0, 4095, 4096, 4100, 5999, 6000, 10, 8000, 3};
    TBuffer buffer;
    Fill(buffer, Pattern(6000));
    EXPECT_EQ(buffer.ReadUInt8(), 0);
    for (int64_t target : targets) {
        const int64_t landed = buffer.MoveTo(target);
        const int64_t expected = std::min<int64_t>(target, int64_t(buffer.Buffer().GetAllocatedSize()));
        EXPECT_EQ(landed, expected) << target;
        EXPECT_EQ(buffer.Tell(), expected) << target;
        EXPECT_EQ(buffer.ReadInt8(-1), expected < 6000 ? int8_t(Pattern(6000)[size_t(expected)]) : -1) << target;
    }
    // After a write the stream is still where the write left it.
    buffer.MoveTo(20);
    buffer.WriteUInt8(0xEE);
    EXPECT_EQ(buffer.MoveTo(21), 21);
    EXPECT_EQ(buffer.ReadUInt8(), 21);
    buffer.MoveTo(20);
    EXPECT_EQ(buffer.ReadUInt8(), 0xEE);
}

TEST(TBufferPositions, SeekOriginsAndSize)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    buffer.ReadInt32();
    EXPECT_EQ(buffer.Size(), 40);
    EXPECT_EQ(buffer.Tell(), 4);
    EXPECT_EQ(buffer.Seek(3, TStream::FromCurrent), 7);
    EXPECT_EQ(buffer.ReadUInt8(), 7);
    EXPECT_EQ(buffer.Seek(10, TStream::FromEnd), 30);  // TBuffer subtracts from the data length
    EXPECT_EQ(buffer.ReadUInt8(), 30);
    EXPECT_EQ(buffer.Seek(-5, TStream::FromStart), 0);
    int64_t allocated = int64_t(buffer.Buffer().GetAllocatedSize());
    EXPECT_EQ(buffer.Seek(1 << 30, TStream::FromStart), allocated);
    EXPECT_TRUE(buffer.Eof());
    EXPECT_EQ(buffer.ReadInt32(-1), -1);
}

TEST(TBufferPositions, ResetEmptiesBufferAndCache)
{
    TBuffer buffer;
    Fill(buffer, Pattern(16));
    buffer.ReadUInt8();
    buffer.Reset();
    EXPECT_EQ(buffer.DataLength(), 0);
    EXPECT_EQ(buffer.Tell(), 0);
    EXPECT_EQ(buffer.ReadUInt8(42), 42);
}

TEST(TBufferGrowth, LargeRequestsStayIntact)
{
    TBuffer buffer;
    for (int32_t i = 0; i < 100000; ++i)
        buffer.WriteInt32(i);
    EXPECT_EQ(buffer.DataLength(), 400000);
    EXPECT_GE(buffer.Buffer().GetAllocatedSize(), 400000u);
    buffer.Rewind();
    for (int32_t i = 0; i < 100000; ++i)
        ASSERT_EQ(buffer.ReadInt32(), i);
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

TEST(TBufferOwnership, BorrowedBufferOutlivesTheStream)
{
    Zel::DynamicBuffer data(0, 512);
    {
        TBuffer stream(&data, false);
        stream.WriteInt32(5);
    }
    EXPECT_EQ(data.GetLength(), 4u);
    auto* owned = new Zel::DynamicBuffer(0, 512);
    TBuffer owner(owned, true);
    owner.WriteInt32(1);
    EXPECT_EQ(owned->GetLength(), 4u);
}

TEST(TBufferArrays, Int32ArraysOneValueAtATime)
{
    TBuffer buffer;
    const int32_t values[] = {1, -2, 3};
    buffer.WriteInt32Array(values, 3);
    buffer.Rewind();
    int32_t read[4] = {};
    buffer.ReadInt32Array(read, 4, 99);
    EXPECT_EQ(read[0], 1);
    EXPECT_EQ(read[1], -2);
    EXPECT_EQ(read[2], 3);
    EXPECT_EQ(read[3], 99);
    EXPECT_EQ(buffer.GetError(), TStream::ErrorShortRead);
}

TEST(TBufferPatch, AWordIsPatchedInPlaceOnlyOverHeldData)
{
    TBuffer buffer;
    Fill(buffer, Pattern(16));
    // A read fills the cache past the word: what is read next is the patch.
    EXPECT_EQ(buffer.ReadUInt8(), 0);
    EXPECT_TRUE(buffer.PatchUInt32(4, 0x11223344u));
    EXPECT_EQ(buffer.Tell(), 1);
    EXPECT_EQ(buffer.ReadUInt8(), 1);
    buffer.MoveTo(4);
    EXPECT_EQ(buffer.ReadUInt32(), 0x11223344u);
    EXPECT_EQ(buffer.Data()[4], 0x44);
    for (int64_t refused : {int64_t(-1), int64_t(13), int64_t(16), int64_t(1) << 40})
        EXPECT_FALSE(buffer.PatchUInt32(refused, 0)) << refused;
    EXPECT_TRUE(buffer.PatchUInt32(12, 0));
    EXPECT_EQ(buffer.DataLength(), 16);
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

}  // namespace
