// The asset-info record read from hand-made replies: every field, short replies, hostile counts.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_asset_info.h"
#include "kuid/kuid.h"
#include "support/kad_wire_bytes.h"

namespace {

// A reply written byte by byte, as the daemon lays it out.
class Reply {
public:
    Reply& U8(uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    Reply& U32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(value >> (8 * i)));
        return *this;
    }
    Reply& U64(uint64_t value) { return U32(uint32_t(value)).U32(uint32_t(value >> 32)); }
    Reply& F32(float value)
    {
        uint32_t word;
        std::memcpy(&word, &value, 4);
        return U32(word);
    }
    // Content, then (version << 25) | (user & 0x1FFFFFF).
    Reply& Kuid(int32_t user, int32_t content, int32_t version)
    {
        KorvelTest::AppendKUID(bytes, KUID(user, content, version));
        return *this;
    }
    Reply& Str(const std::string& text)
    {
        KorvelTest::AppendStr(bytes, text);
        return *this;
    }
    Reply& PStr(const std::string& text)
    {
        KorvelTest::AppendPStr(bytes, text);
        return *this;
    }
    Reply& Bools(std::initializer_list<int> values)
    {
        for (int v : values)
            bytes.push_back(uint8_t(v));
        return *this;
    }

    KADAssetInfo Read() const
    {
        TBuffer buffer;
        buffer.Write(bytes.data(), int64_t(bytes.size()));
        buffer.Rewind();
        KADAssetInfo info;
        info.Read(buffer);
        return info;
    }

    std::vector<uint8_t> bytes;
};

Reply FullRecord()
{
    Reply reply;
    reply.Kuid(523, 100, 2)
        .Str("Big Boy")
        .Str("US")
        .Str("TR;TV;LOCO;#fast")
        .Bools({1, 0, 1, 1, 0, 0, 1, 0})
        .Bools({1, 1, 0, 1, 0, 0, 0, 0})
        .Bools({0, 1})
        .U32(30501)
        .PStr("quelm")
        .Str("1940s")
        .U32(12345)
        .PStr("local")
        .Str("TR;TV;LOCO")
        .Bools({1, 0, 7})
        .U32(0x12345605)
        .F32(3.7f)
        .U64(0x1122334455667788ull)
        .U64(uint64_t(-5))
        .Kuid(-3, 8, 127)
        .U8(1);
    return reply;
}

TEST(KADAssetInfo, ConstructorDefaultsAreWhatAFailedRequestLeaves)
{
    KADAssetInfo info;
    EXPECT_TRUE(info.assetId.IsNull());
    EXPECT_EQ(info.statusByte0, 1);
    EXPECT_EQ(info.localRating, 255);
    EXPECT_EQ(info.numberB, -1);
    EXPECT_FALSE(info.found);
    EXPECT_TRUE(info.textA.IsNull());
    EXPECT_TRUE(info.parentAssetId.IsNull());
}

TEST(KADAssetInfo, ReadsEveryFieldInWireOrder)
{
    KADAssetInfo info = FullRecord().Read();
    EXPECT_EQ(info.assetId, KUID(523, 100, 2));
    EXPECT_STREQ(info.name.c_str(), "Big Boy");
    EXPECT_STREQ(info.regionList.c_str(), "US");
    EXPECT_STREQ(info.keywordList.c_str(), "TR;TV;LOCO;#fast");
    // The first bool is the lowest bit.
    EXPECT_EQ(info.statusByte0, 0x4D);
    EXPECT_EQ(info.statusByte1, 0x0B);
    EXPECT_EQ(info.flagPair, 0x02);
    EXPECT_EQ(info.authorId, 30501);
    EXPECT_STREQ(info.textA.c_str(), "quelm");
    EXPECT_STREQ(info.eraList.c_str(), "1940s");
    EXPECT_EQ(info.numberB, 12345);
    EXPECT_STREQ(info.textB.c_str(), "local");
    EXPECT_STREQ(info.categoryText.c_str(), "TR;TV;LOCO");
    // Any non-zero byte is true.
    EXPECT_EQ(info.flagTriple, 0x05);
    // Only the low byte of the rating word is kept.
    EXPECT_EQ(info.localRating, 5);
    EXPECT_TRUE(info.IsFavorite());
    EXPECT_FLOAT_EQ(info.buildVersion, 3.7f);
    EXPECT_EQ(info.valueD, 0x1122334455667788LL);
    EXPECT_EQ(info.valueE, -5);
    EXPECT_EQ(info.parentAssetId, KUID(-3, 8, 127));
    EXPECT_TRUE(info.found);
}

TEST(KADAssetInfo, EmptyReplyGivesTheReadersDefaultsNotTheConstructors)
{
    KADAssetInfo info = Reply().Read();
    EXPECT_FALSE(info.found);
    EXPECT_EQ(info.localRating, 0);
    EXPECT_EQ(info.statusByte0, 0);
    EXPECT_EQ(info.numberB, 0);
    EXPECT_TRUE(info.assetId.IsNull());
    EXPECT_TRUE(info.parentAssetId.IsNull());
}

TEST(KADAssetInfo, ShortReplyKeepsWhatArrivedAndDefaultsTheRest)
{
    Reply full = FullRecord();
    // Cut inside the status bytes: the id and the three texts arrived.
    Reply cut;
    cut.bytes.assign(full.bytes.begin(), full.bytes.begin() + 8 + 4 + 7 + 4 + 2 + 4 + 16 + 3);
    KADAssetInfo info = cut.Read();
    EXPECT_EQ(info.assetId, KUID(523, 100, 2));
    EXPECT_STREQ(info.keywordList.c_str(), "TR;TV;LOCO;#fast");
    EXPECT_EQ(info.statusByte0, 0x05);
    EXPECT_EQ(info.authorId, 0);
    EXPECT_FALSE(info.found);
}

TEST(KADAssetInfo, HostileTextCountsNeitherCrashNorAllocate)
{
    // A name count of 4 GB - 1 with nothing behind it, and a region count
    // at the refused limit.
    Reply huge;
    huge.Kuid(1, 2, 0).U32(0xFFFFFFFFu);
    KADAssetInfo info = huge.Read();
    EXPECT_TRUE(info.name.IsEmpty());
    EXPECT_FALSE(info.found);

    Reply limit;
    limit.Kuid(1, 2, 0).Str("ok").U32(0x10000);
    limit.bytes.resize(limit.bytes.size() + 0x10000, 'x');
    info = limit.Read();
    EXPECT_STREQ(info.name.c_str(), "ok");
    EXPECT_TRUE(info.regionList.IsEmpty());
}

TEST(KADAssetInfo, FavouriteAndBuildTests)
{
    struct Case {
        uint8_t rating;
        bool favorite;
    } ratings[] = {{3, false}, {4, true}, {5, true}, {6, false}, {255, false}};
    for (const Case& c : ratings) {
        KADAssetInfo info;
        info.localRating = c.rating;
        EXPECT_EQ(info.IsFavorite(), c.favorite) << int(c.rating);
    }
    KADAssetInfo info;
    info.buildVersion = 3.5f;
    EXPECT_FALSE(info.IsBuildAtLeast(3.5f));  // not found
    info.found = true;
    EXPECT_TRUE(info.IsBuildAtLeast(3.5f));
    EXPECT_TRUE(info.IsBuildAtLeast(3.499f));
    EXPECT_FALSE(info.IsBuildAtLeast(3.51f));
    info.buildVersion = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(info.IsBuildAtLeast(1.0f));
    info.buildVersion = 1e30f;
    EXPECT_TRUE(info.IsBuildAtLeast(1e20f));
}

}  // namespace
