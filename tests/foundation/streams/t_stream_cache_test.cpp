// Tests of the 4096-byte read cache: direct large reads, refills, the kept bytes, moves inside the cache.
#include <gtest/gtest.h>

#include "stream_test_support.h"

namespace {

TEST(TStreamCache, LargeReadGoesStraightThroughThenSmallReadRefills)
{
    RecordingStream stream(Pattern(20000));
    Bytes big(5000);
    EXPECT_EQ(stream.Read(big.data(), 5000), 5000);
    EXPECT_EQ(stream.rawReads, (std::vector<int64_t>{5000}));
    EXPECT_EQ(big, Bytes(Pattern(5000)));
    EXPECT_EQ(stream.ReadUInt32(), uint32_t(5000 % 251) | uint32_t(5001 % 251) << 8 | uint32_t(5002 % 251) << 16 |
                                       uint32_t(5003 % 251) << 24);
    EXPECT_EQ(stream.rawReads, (std::vector<int64_t>{5000, 4096}));
    EXPECT_EQ(stream.Tell(), 5004);
}

TEST(TStreamCache, ThresholdOfTheDirectRead)
{
    struct Case {
        int64_t count;
        int64_t rawRead;
    };
    const Case cases[] = {{4079, 4096}, {4080, 4080}, {1, 4096}};
    for (const Case& c : cases) {
        RecordingStream stream(Pattern(10000));
        Bytes out(size_t(c.count));
        EXPECT_EQ(stream.Read(out.data(), c.count), c.count);
        EXPECT_EQ(stream.rawReads.front(), c.rawRead) << c.count;
    }
}

TEST(TStreamCache, CachedBytesAreTakenFirst)
{
    RecordingStream stream(Pattern(20000));
    stream.ReadUInt8();  // the cache holds 4095 unread bytes
    Bytes out(6000);
    EXPECT_EQ(stream.Read(out.data(), 6000), 6000);
    Bytes all = Pattern(6001);
    Bytes expected(all.begin() + 1, all.end());
    EXPECT_EQ(out, expected);
    // 4095 from the cache, then 1905 more: below the direct threshold, so a
    // refill behind the used-up cache's last 16 bytes.
    EXPECT_EQ(stream.rawReads, (std::vector<int64_t>{4096, 4080}));
}

TEST(TStreamCache, UsedUpCacheKeepsItsLastSixteenBytes)
{
    RecordingStream stream(Pattern(10000));
    for (int i = 0; i < 1024; ++i)
        stream.ReadUInt32();
    EXPECT_EQ(stream.Tell(), 4096);
    stream.ReadUInt32();
    EXPECT_EQ(stream.rawReads, (std::vector<int64_t>{4096, 4080}));
    // A step back over the kept bytes is served from the cache, no seek.
    stream.MoveTo(4096 - 16);
    EXPECT_EQ(stream.seeks, 0);
    EXPECT_EQ(stream.ReadUInt8(), uint8_t((4096 - 16) % 251));
    // One byte further back is not cached: a real seek.
    stream.MoveTo(4096 - 17);
    EXPECT_EQ(stream.seeks, 1);
    EXPECT_EQ(stream.ReadUInt8(), uint8_t((4096 - 17) % 251));
}

TEST(TStreamCache, MovesInsideTheCacheDoNotSeek)
{
    RecordingStream stream(Pattern(300));
    stream.ReadUInt8();
    stream.MoveTo(250);
    EXPECT_EQ(stream.ReadUInt8(), 250);
    stream.MoveTo(0);
    EXPECT_EQ(stream.ReadUInt8(), 0);
    stream.Rewind();
    EXPECT_EQ(stream.seeks, 0);
    stream.MoveTo(299);
    EXPECT_EQ(stream.ReadUInt8(), uint8_t(299 % 251));
    EXPECT_EQ(stream.seeks, 0);
    stream.MoveTo(300);  // the end itself: nothing cached beyond, but no byte needed
    EXPECT_EQ(stream.seeks, 0);
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.rawReads.size(), 1u);
}

TEST(TStreamCache, ReadAtTheEndDeliversWhatThereIs)
{
    RecordingStream stream(Pattern(6));
    uint8_t out[10];
    EXPECT_EQ(stream.Read(out, 10), 6);
    EXPECT_EQ(stream.Read(out, 10), 0);
    EXPECT_EQ(stream.GetError(), TStream::ErrorNone);  // Read itself records nothing
    EXPECT_EQ(stream.Read(out, 0), 0);
    EXPECT_EQ(stream.Read(out, -5), 0);
}

}  // namespace
