// Growth of the toolchain's byte buffer: appends stay linear for big buffers.
#include <gtest/gtest.h>

#include <cstdint>

#include "script/common/byte_buffer.h"

namespace {

TEST(ByteBufferGrowth, CapacityAtLeastDoubles) {
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

TEST(ByteBufferGrowth, AnImpossibleSizeFailsCleanly) {
  Utils::ByteBuffer buffer;
  ASSERT_TRUE(buffer.Init(64));
  buffer.WriteU32(7);
  EXPECT_FALSE(buffer.Reserve(SIZE_MAX - 2));
  EXPECT_NE(buffer.Flags() & Utils::ByteBuffer::kAllocationFailed, 0u);
  EXPECT_EQ(buffer.Length(), 4u);
}

}  // namespace
