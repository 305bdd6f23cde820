// The LZSS decoder's output window: match copies of every distance class, overlapping or not, across its drains.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "zel/ioslave.h"
#include "zel/lzss_output_window.h"

namespace {

// A match means: each byte is the one `distance` back, read after the bytes
// before it were written. Distances under, at and over the window's copy
// block, lengths under, at and over it, overlapping runs among them; the
// sequence is long enough to pass several drains, so copies meet the end of
// the window's buffer and its moved history.
TEST(LZSSOutputWindow, CopiesMatchAByteByByteCopy)
{
    const size_t distances[] = {1, 2, 3, 7, 15, 16, 17, 31, 32, 33, 100, 4095, 16383, 16384};
    const size_t lengths[] = {3, 4, 15, 16, 17, 31, 32, 33, 100, 257, 258};
    std::vector<uint8_t> sink(8u << 20);
    Zel::MemoryIOSlave slave(sink.data(), sink.size(), 0);
    Zel::LZSSOutputWindow window(slave);
    std::vector<uint8_t> expected;
    uint32_t state = 12345;
    const auto literal = [&] {
        state = state * 1103515245u + 12345u;
        const uint8_t byte = uint8_t(state >> 16);
        expected.push_back(byte);
        return window.Literal(byte);
    };
    for (size_t i = 0; i < Zel::LZSSOutputWindow::kHistory + 7; ++i)
        ASSERT_TRUE(literal());
    for (int round = 0; round < 48; ++round) {
        for (size_t distance : distances) {
            for (size_t length : lengths) {
                ASSERT_TRUE(window.Copy(distance, length)) << distance << " " << length;
                for (size_t i = 0; i < length; ++i)
                    expected.push_back(expected[expected.size() - distance]);
                ASSERT_TRUE(literal());
            }
        }
    }
    EXPECT_FALSE(window.Copy(Zel::LZSSOutputWindow::kHistory + 1, 3));
    ASSERT_TRUE(window.Finish());
    ASSERT_EQ(slave.Tell(), int64_t(expected.size()));
    sink.resize(expected.size());
    EXPECT_TRUE(sink == expected);
}

// A copy or reservation longer than the window can hold is refused whole,
// and the output before it stays as it was.
TEST(LZSSOutputWindow, OversizedWritesAreRefusedWithoutTouchingTheOutput)
{
    std::vector<uint8_t> sink(4u << 20);
    Zel::MemoryIOSlave slave(sink.data(), sink.size(), 0);
    Zel::LZSSOutputWindow window(slave);
    ASSERT_TRUE(window.Literal('a'));
    ASSERT_TRUE(window.Literal('b'));
    const size_t tooLong = 1u << 20;
    EXPECT_EQ(window.Reserve(tooLong), nullptr);
    for (size_t distance : {size_t(1), size_t(2)})
        EXPECT_FALSE(window.Copy(distance, tooLong)) << distance;
    EXPECT_EQ(window.Produced(), 2u);
    ASSERT_TRUE(window.Finish());
    ASSERT_EQ(slave.Tell(), 2);
    EXPECT_EQ(sink[0], 'a');
    EXPECT_EQ(sink[1], 'b');
}

// A copy from before the start of the output fails, however far back,
// both before the first drain and after it, when the bytes behind the
// buffer's history are still counted as produced.
TEST(LZSSOutputWindow, CopiesFromBeforeTheStartFail)
{
    std::vector<uint8_t> sink(1u << 20);
    Zel::MemoryIOSlave slave(sink.data(), sink.size(), 0);
    Zel::LZSSOutputWindow window(slave);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(window.Literal(uint8_t(i)));
    for (size_t distance : {size_t(0), size_t(21), size_t(32), size_t(4096)})
        EXPECT_FALSE(window.Copy(distance, 3)) << distance;
    EXPECT_TRUE(window.Copy(20, 40));
    EXPECT_TRUE(window.Copy(16, 3));
    EXPECT_EQ(window.Produced(), 63u);
    ASSERT_TRUE(window.Finish());
    EXPECT_EQ(sink[20], 0);
    EXPECT_EQ(sink[59], 19);
    EXPECT_EQ(sink[62], uint8_t(sink[46]));
}

}  // namespace
