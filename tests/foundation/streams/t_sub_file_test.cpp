// Tests of TSubFile: a window over bytes of another stream.
#include "foundation/streams/t_sub_file.h"

#include <gtest/gtest.h>

#include "stream_test_support.h"

namespace {

TEST(TSubFile, ReadsAtMostTheWindowThenReportsTheEnd)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    buffer.MoveTo(10);
    TSubFile window(buffer, 10, 20);
    EXPECT_EQ(window.Tell(), 0);
    EXPECT_EQ(window.Size(), 10);
    uint8_t out[32] = {};
    EXPECT_EQ(window.Read(out, 32), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(out[i], 10 + i);
    EXPECT_TRUE(window.Eof());
    EXPECT_EQ(window.ReadInt32(-1), -1);
    EXPECT_EQ(window.GetError(), TStream::ErrorShortRead);
    EXPECT_EQ(buffer.GetError(), TStream::ErrorNone);
}

TEST(TSubFile, SeekOriginsAreLimitedToTheWindow)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    TSubFile window(buffer, 10, 20);
    struct Case {
        int64_t offset;
        int origin;
        int64_t position;
    };
    const Case cases[] = {
        {3, TStream::FromStart, 3},   {-4, TStream::FromEnd, 6},  // the offset is added to the end
        {4, TStream::FromEnd, 10},                                // limited to the end
        {-50, TStream::FromStart, 0}, {2, TStream::FromCurrent, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(window.Seek(c.offset, c.origin), c.position) << c.offset << " " << c.origin;
        EXPECT_EQ(window.Tell(), c.position);
    }
    window.Seek(5, TStream::FromStart);
    EXPECT_EQ(window.ReadUInt8(), 15);
}

TEST(TSubFile, StartsAtTheUnderlyingPositionInsideTheWindow)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    buffer.MoveTo(14);
    TSubFile inside(buffer, 10, 20);
    EXPECT_EQ(inside.Tell(), 4);
    EXPECT_EQ(inside.ReadUInt8(), 14);
    buffer.MoveTo(30);  // outside the window: the window starts at its end
    TSubFile after(buffer, 10, 20);
    EXPECT_TRUE(after.Eof());
    buffer.MoveTo(0);
    TSubFile before(buffer, 10, 20);
    EXPECT_EQ(before.ReadUInt8(), 10);
}

TEST(TSubFile, AGivenUnderlyingPositionOpensTheSameWindow)
{
    // The window opened with the underlying position handed in reads what
    // the one that asks the underlying stream reads, cached or not.
    struct Case {
        int64_t underlying;
        int64_t start;
        int64_t end;
        bool cached;
    };
    const Case cases[] = {
        {14, 10, 20, true}, {14, 10, 20, false}, {30, 10, 20, true}, {0, 10, 20, true}, {10, 10, 5000, true},
    };
    for (const Case& c : cases) {
        TBuffer asked;
        TBuffer given;
        Fill(asked, Pattern(6000));
        Fill(given, Pattern(6000));
        if (c.cached) {
            asked.ReadUInt8();
            given.ReadUInt8();
        }
        asked.MoveTo(c.underlying);
        given.MoveTo(c.underlying);
        TSubFile fromAsked(asked, c.start, c.end);
        TSubFile fromGiven(given, c.start, c.end, c.underlying);
        EXPECT_EQ(fromGiven.Tell(), fromAsked.Tell()) << c.underlying;
        Bytes a(size_t(c.end - c.start) + 1);
        Bytes b(a.size());
        EXPECT_EQ(fromGiven.Read(b.data(), int64_t(b.size())), fromAsked.Read(a.data(), int64_t(a.size())))
            << c.underlying;
        EXPECT_EQ(b, a) << c.underlying;
    }
}

TEST(TSubFile, ASharedWindowReadsWhatACopiedOneReads)
{
    // Read, step back, read past the end, then write: a window reading the
    // underlying stream's cached bytes where they lie behaves as one holding
    // a copy of them, up to a window as large as the whole cache.
    struct Case {
        int64_t start;
        int64_t end;
        int64_t stepBack;
    };
    const Case cases[] = {
        {10, 30, 4}, {10, 10 + TStream::CacheSize - 10, 8}, {0, TStream::CacheSize, 8},
        {0, TStream::CacheSize, TStream::KeptBytes}, {100, 5000, 2},  // beyond the cache: nothing shared
    };
    for (const Case& c : cases) {
        TBuffer copied;
        TBuffer shared;
        Fill(copied, Pattern(6000));
        Fill(shared, Pattern(6000));
        copied.ReadUInt8();
        shared.ReadUInt8();
        copied.MoveTo(c.start);
        shared.MoveTo(c.start);
        TSubFile fromCopy(copied, c.start, c.end, c.start);
        TSubFile fromShare(shared, c.start, c.end, c.start, TSubFile::ShareHeld);
        const int64_t size = c.end - c.start;
        Bytes a(size_t(size) + 1);
        Bytes b(a.size());
        EXPECT_EQ(fromShare.Read(b.data(), int64_t(b.size())), fromCopy.Read(a.data(), int64_t(a.size())))
            << c.start;
        EXPECT_EQ(b, a) << c.start;
        EXPECT_EQ(fromShare.MoveTo(size - c.stepBack), fromCopy.MoveTo(size - c.stepBack)) << c.start;
        EXPECT_EQ(fromShare.ReadUInt16(), fromCopy.ReadUInt16()) << c.start;
        fromCopy.WriteUInt8(0xEE);
        fromShare.WriteUInt8(0xEE);
        EXPECT_EQ(Contents(shared), Contents(copied)) << c.start;
        fromCopy.MoveTo(size - c.stepBack);
        fromShare.MoveTo(size - c.stepBack);
        EXPECT_EQ(fromShare.ReadUInt32(), fromCopy.ReadUInt32()) << c.start;
        EXPECT_EQ(fromShare.GetError(), fromCopy.GetError()) << c.start;
    }
}

TEST(TSubFile, ASharedWindowKeepsWhatItReadOnceItRefills)
{
    // The last bytes of a window as large as the cache are kept as its own
    // when a read passes the end, so a step back reads them even after the
    // underlying stream has refilled its cache with other bytes.
    TBuffer buffer;
    Fill(buffer, Pattern(3 * TStream::CacheSize));
    buffer.ReadUInt8();
    buffer.MoveTo(0);
    TSubFile window(buffer, 0, TStream::CacheSize, 0, TSubFile::ShareHeld);
    Bytes all(size_t(TStream::CacheSize) + 1);
    EXPECT_EQ(window.Read(all.data(), int64_t(all.size())), TStream::CacheSize);
    buffer.MoveTo(2 * TStream::CacheSize + 1);
    buffer.ReadUInt8();
    EXPECT_EQ(window.MoveTo(TStream::CacheSize - 1), TStream::CacheSize - 1);
    EXPECT_EQ(window.ReadUInt8(), Pattern(TStream::CacheSize)[TStream::CacheSize - 1]);
}

TEST(TSubFile, ReadsFollowTheWindowEvenWhenTheUnderlyingMoved)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    TSubFile window(buffer, 10, 20);
    window.Seek(0, TStream::FromStart);
    buffer.MoveTo(35);
    EXPECT_EQ(window.ReadUInt8(), 10);
}

TEST(TSubFile, WritesGoThroughAtTheCurrentPosition)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    TSubFile window(buffer, 10, 20);
    window.Seek(2, TStream::FromStart);
    window.WriteUInt8(0xEE);
    EXPECT_EQ(window.Tell(), 3);
    EXPECT_EQ(Contents(buffer)[12], 0xEE);
    EXPECT_EQ(window.ReadUInt8(), 13);
}

TEST(TSubFile, EmptyAndInvertedWindows)
{
    TBuffer buffer;
    Fill(buffer, Pattern(40));
    TSubFile inverted(buffer, 20, 10);
    EXPECT_EQ(inverted.Size(), 0);
    EXPECT_TRUE(inverted.Eof());
    EXPECT_EQ(inverted.ReadUInt8(7), 7);
}

}  // namespace
