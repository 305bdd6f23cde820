// Long LZSS Huffman streams that halve both adaptive trees: pinned bytes from the encoder, read back by both decoders.
#include <gtest/gtest.h>

#include <string>

#include "lzss_reference_huffman.h"
#include "support/lzss_test_support.h"

using namespace LZSSTest;

namespace {

uint64_t Fnv1a(const Bytes& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// A tree is halved once its root count reaches 0x8000, so more symbols than
// that through a tree have rebuilt it at least once.
constexpr size_t kRebuildSymbols = 0x8000;

}  // namespace

// The streams' bytes were taken from the coder whose streams archives
// already hold; the coder must keep writing them, and the fast decoder must
// read them back through every rebuild as the plain-tree decoder does.
TEST(LZSSLongStreams, PinnedStreamsThroughTreeRebuildsDecode)
{
    struct Case {
        const char* name;
        Bytes input;
        int level;
        size_t streamSize;
        uint64_t streamHash;
    };
    const Case cases[] = {
        {"text level 9", SampleText(500000), 9, 127525, 0x6c58e9c5ecb66541ull},
        {"binary level 9", SampleBinary(500000), 9, 137667, 0x601d31fea76c15ddull},
        {"binary level 7", SampleBinary(500000), 7, 137667, 0x42d2b83a1930025bull},
        {"text level 8", SampleText(400000), 8, 102187, 0xfc4ec455fcf41339ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes stream = Compress(c.input, c.level);
        EXPECT_EQ(stream.size(), c.streamSize);
        EXPECT_EQ(Fnv1a(stream), c.streamHash);

        Bytes plain;
        ReferenceSymbolCounts counts;
        ASSERT_TRUE(ReferenceDecodeHuffman(stream, plain, &counts));
        EXPECT_TRUE(plain == c.input);
        EXPECT_GT(counts.main, kRebuildSymbols);
        EXPECT_GT(counts.positions, kRebuildSymbols);

        Bytes decoded;
        ASSERT_TRUE(Decompress(stream, decoded, c.input.size()));
        EXPECT_TRUE(decoded == c.input);
    }
}
