// Growth of the toolchain's byte buffer: appends stay linear for big buffers.
#include <gtest/gtest.h>

#include <cstdint>

#include "script/common/byte_buffer.h"

namespace {

TEST(ByteBufferGrowth, CapacityAtLeastDoubles)
{
    Utils::ByteBuffer buffer;
    ASSERT_TRUE(buffer.Init(1024));
    int growths = 0;
    size_t capacity = buffer.Capacity();
    for (uint32_t i = 0; i < (2u << 20); ++i) {
        buffer.WriteU8(static_cast<uint8_t>(i));
        if (buffer.Capacity() != capacity) {
            EXPECT_GE(buffer.Capacity(), capacity * 2);
            capacity = buffer.Capacity();
            ++growths;
        }
    }
    // A fixed step of 1024 would have grown 2048 times.
    EXPECT_LE(growths, 12);
    EXPECT_EQ(buffer.Length(), size_t(2) << 20);
    EXPECT_EQ(buffer.Data()[12345], static_cast<uint8_t>(12345));
    EXPECT_EQ(buffer.Flags(), 0u);
}

TEST(ByteBufferGrowth, AnImpossibleSizeFailsCleanly)
{
    Utils::ByteBuffer buffer;
    ASSERT_TRUE(buffer.Init(64));
    buffer.WriteU32(7);
    EXPECT_FALSE(buffer.Reserve(SIZE_MAX - 2));
    EXPECT_NE(buffer.Flags() & Utils::ByteBuffer::kAllocationFailed, 0u);
    EXPECT_EQ(buffer.Length(), 4u);
}

}  // namespace

namespace {

// A prepared buffer holds no memory until its first write, then behaves as
// an initialised one; a buffer never prepared still refuses writes.
TEST(ByteBufferPrepare, AllocatesAtTheFirstWrite)
{
    Utils::ByteBuffer empty;
    empty.Prepare(256);
    EXPECT_EQ(empty.Data(), nullptr);
    EXPECT_EQ(empty.Capacity(), 0u);

    Utils::ByteBuffer out;
    ASSERT_TRUE(out.Init(16));
    out.WriteBytes(empty.Data(), empty.Length());
    EXPECT_EQ(out.Length(), 0u);
    EXPECT_EQ(out.Flags(), 0u);

    Utils::ByteBuffer code;
    code.Prepare(256);
    for (uint32_t i = 0; i < 3000; ++i)
        code.WriteU8(static_cast<uint8_t>(i * 7));
    code.WriteU32(0x01020304);
    ASSERT_EQ(code.Flags(), 0u);
    ASSERT_EQ(code.Length(), 3004u);
    EXPECT_EQ(code.Data()[2999], static_cast<uint8_t>(2999 * 7));
    EXPECT_TRUE(code.PatchU32(0, 0xAABBCCDD));
    EXPECT_EQ(code.Data()[0], 0xDD);

    Utils::ByteBuffer never;
    never.WriteU8(1);
    EXPECT_NE(never.Flags() & Utils::ByteBuffer::kAllocationFailed, 0u);
}

}  // namespace
