// The ownership block's fields sit at fixed little-endian offsets.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "assetdb/protocol/kad_ipc_block_view.h"

TEST(KADIpcBlockView, InitialiseWritesTheFreshBlockBytes)
{
    alignas(8) std::array<std::uint8_t, KADIpcBlockView::Size> bytes;
    bytes.fill(0xAA);
    KADIpcBlockView block(bytes.data());
    block.Initialise(0x01020304);
    const std::array<std::uint8_t, 36> expected = {
        0x04, 0x03, 0x02, 0x01,  // keeper
        0xFF, 0xFF, 0xFF, 0xFF,  // owner none
        0xFF, 0xFF, 0xFF, 0xFF,  // requester none
        0,    0,    0,    0,     // reserved
        3,    0,    0,    0,     // layout version
        1,    0,    0,    0,     // attach count and padding
        0,    0,    0,    0,     // closing
        0,    0,    0,    0,     // reserved byte and padding
        0,    0,    0,    0,     // port
    };
    EXPECT_EQ(bytes, expected);
}

TEST(KADIpcBlockView, FieldsRoundTripAtTheirOffsets)
{
    alignas(8) std::array<std::uint8_t, KADIpcBlockView::Size> bytes{};
    KADIpcBlockView block(bytes.data());
    block.SetOwner(4242);
    block.SetPort(0xBEEF);
    block.SetClosing(1);
    block.SetAttachCount(7);
    EXPECT_EQ(block.Owner(), 4242);
    EXPECT_EQ(block.Port(), 0xBEEF);
    EXPECT_EQ(block.Closing(), 1);
    EXPECT_EQ(block.AttachCount(), 7);
    EXPECT_EQ(bytes[32], 0xEF);
    EXPECT_EQ(bytes[33], 0xBE);
    EXPECT_EQ(bytes[4], 4242 & 0xFF);
    EXPECT_EQ(bytes[20], 7);
    EXPECT_EQ(bytes[24], 1);
}
