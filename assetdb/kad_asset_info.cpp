// KADAssetInfo: reading the info record from a daemon reply.
#include "assetdb/kad_asset_info.h"

#include "foundation/streams/t_stream.h"

namespace {

// A run of one-byte bools packed into one byte, the first bool lowest.
uint8_t ReadBoolBits(TStream& reply, int count)
{
    uint8_t bits = 0;
    for (int i = 0; i < count; ++i) {
        if (reply.ReadBool(false))
            bits = uint8_t(bits | (1u << i));
    }
    return bits;
}

}  // namespace

void KADAssetInfo::Read(TStream& reply)
{
    assetId = reply.ReadKUID();
    name = reply.ReadString();
    regionList = reply.ReadString();
    keywordList = reply.ReadString();
    statusByte0 = ReadBoolBits(reply, 8);
    statusByte1 = ReadBoolBits(reply, 8);
    flagPair = ReadBoolBits(reply, 2);
    authorId = reply.ReadInt32(0);
    textA = reply.ReadPString();
    eraList = reply.ReadString();
    numberB = reply.ReadInt32(0);
    textB = reply.ReadPString();
    categoryText = reply.ReadString();
    flagTriple = ReadBoolBits(reply, 3);
    // Sent as a full word; only its low byte is the rating.
    localRating = uint8_t(reply.ReadInt32(0) & 0xFF);
    buildVersion = reply.ReadFloat(0.0f);
    valueD = reply.ReadInt64(0);
    valueE = reply.ReadInt64(0);
    parentAssetId = reply.ReadKUID();
    found = reply.ReadBool(false);
}

namespace {

// Whole hundredths, truncated; a value the daemon sent out of range (or not
// a number) is held at the nearest end instead of overflowing.
int64_t Hundredths(float version)
{
    double scaled = double(version) * 100.0;
    if (!(scaled > -1e15))
        return -1000000000000000;
    if (scaled > 1e15)
        return 1000000000000000;
    return int64_t(float(version * 100.0f));
}

}  // namespace

bool KADAssetInfo::IsBuildAtLeast(float version) const
{
    return found && Hundredths(buildVersion) >= Hundredths(version);
}
