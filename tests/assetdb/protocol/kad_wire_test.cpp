// Golden bytes of the daemon link's messages.
#include <gtest/gtest.h>

#include <string>

#include "assetdb/protocol/kad_requests.h"
#include "assetdb/protocol/kad_wire.h"

namespace {
std::string AsText(const KADBytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
}  // namespace

TEST(KADWire, HandshakeIsFiveWordsAndThePath)
{
    KADBytes bytes = KADEncodeHandshake(1, "/r/UserData/assets.tdx");
    const std::string expected = std::string("CDAK") + std::string("\x4a\x01\x00\x00", 4) +
                                 std::string("\x38\xac\x00\x00", 4) + std::string("\x01\x00\x00\x00", 4) +
                                 std::string("\x16\x00\x00\x00", 4) + "/r/UserData/assets.tdx";
    EXPECT_EQ(AsText(bytes), expected);
}

TEST(KADWire, DaemonMessagesCarryTheirTagsLowByteFirst)
{
    EXPECT_EQ(AsText(KADEncodeHandshakeReply(330, 44088)),
              std::string("DDAK") + std::string("\x4a\x01\x00\x00\x38\xac\x00\x00", 8));
    EXPECT_EQ(AsText(KADEncodeReply(7, "ab", 2)),
              std::string("lper") + std::string("\x07\x00\x00\x00\x02\x00\x00\x00", 8) + "ab");
    EXPECT_EQ(AsText(KADEncodeNote(3, nullptr, 0)),
              std::string("eton") + std::string("\x03\x00\x00\x00\x00\x00\x00\x00", 8));
}

TEST(KADWire, RequestAndClosingWord)
{
    EXPECT_EQ(AsText(KADEncodeRequest(KADRequestNumber(KADRequestCode::GetSetting), -1, "x", 1)),
              std::string("\x66\x00\x00\x00\xff\xff\xff\xff\x01\x00\x00\x00", 12) + "x");
    EXPECT_EQ(AsText(KADEncodeClosingWord()), std::string("\x01\x00\x00\x00", 4));
}

TEST(KADWire, FrameLengthLimits)
{
    EXPECT_TRUE(KADIsValidFrameLength(0));
    EXPECT_TRUE(KADIsValidFrameLength(1 << 30));
    EXPECT_FALSE(KADIsValidFrameLength((1 << 30) + 1));
    EXPECT_FALSE(KADIsValidFrameLength(-1));
    EXPECT_EQ(KADLoadInt32(reinterpret_cast<const std::uint8_t*>("\xfe\xff\xff\xff")), -2);
}
