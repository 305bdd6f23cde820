// LZSS Huffman streams (levels 7-9) over random inputs, read back by the coder and by an independent plain-tree decoder.
#include <gtest/gtest.h>

#include <string>

#include "lzss_reference_huffman.h"
#include "support/lzss_test_support.h"

using namespace LZSSTest;

namespace {

// Inputs that drive both trees hard: skewed and flat symbol mixes, long
// runs, short and long matches at every distance, and enough symbols to
// halve the trees many times.
Bytes RandomInput(uint32_t seed, size_t size)
{
    Bytes out;
    out.reserve(size);
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return uint32_t(state >> 16);
    };
    const uint32_t alphabet = 2 + next() % 254;
    while (out.size() < size) {
        const uint32_t pick = next();
        switch (pick % 5) {
        case 0:
            out.push_back(uint8_t(next() % alphabet));
            break;
        case 1:
            out.push_back(uint8_t((next() % 16) * (next() % 16) % alphabet));
            break;
        case 2:
            out.insert(out.end(), 1 + next() % 300, uint8_t(next()));
            break;
        default:
            if (out.size() > 8) {
                const size_t distance = 1 + next() % (out.size() < 20000 ? out.size() - 1 : 20000);
                const size_t length = 3 + next() % (pick & 64 ? 300 : 20);
                const size_t from = out.size() - distance;
                for (size_t i = 0; i < length; ++i)
                    out.push_back(out[from + i]);
            }
            break;
        }
    }
    out.resize(size);
    return out;
}

// The stream is a Huffman stream that both decoders read back as the input.
void CheckBothRead(const Bytes& input, const Bytes& stream)
{
    ASSERT_GE(stream[0] & 15, 7);
    Bytes plain;
    ASSERT_TRUE(ReferenceDecodeHuffman(stream, plain));
    ASSERT_TRUE(plain == input);
    Bytes coded;
    ASSERT_TRUE(Decompress(stream, coded, input.size()));
    ASSERT_TRUE(coded == input);
}

}  // namespace

TEST(LZSSHuffmanCrossCheck, CoderAndPlainTreeReadTheSameStreams)
{
    const size_t sizes[] = {300, 4097, 17000, 90000, 400000};
    uint32_t seed = 1;
    for (size_t size : sizes) {
        for (int level = 7; level <= 9; ++level, ++seed) {
            const Bytes inputs[] = {RandomInput(seed, size), SampleText(size), SampleBinary(size)};
            for (const Bytes& input : inputs) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " size " + std::to_string(size) + " level " +
                             std::to_string(level));
                CheckBothRead(input, Compress(input, level));
            }
        }
    }
}

// The plain decoder reads a stream whose trees were driven through many
// halvings by a long skewed input, and one that is cut short fails there
// as in the coder.
TEST(LZSSHuffmanCrossCheck, LongStreamsAndCutStreams)
{
    const Bytes input = RandomInput(77, 1500000);
    const Bytes stream = Compress(input, 9);
    CheckBothRead(input, stream);
    Bytes plain;
    Bytes coded;
    const Bytes cut(stream.begin(), stream.end() - 3);
    EXPECT_FALSE(ReferenceDecodeHuffman(cut, plain));
    EXPECT_FALSE(Decompress(cut, coded, input.size()));
}

// Sizes at the edges of the stored form, the small-input rule and both
// windows, at every Huffman level, over noise, text and skewed data: the
// coder reads back what it wrote, and the plain decoder agrees whenever the
// stream is a Huffman one.
TEST(LZSSHuffmanCrossCheck, EdgeSizesAtEveryHuffmanLevel)
{
    const size_t sizes[] = {0, 1, 6, 7, 255, 256, 257, 4095, 4096, 4097, 16383, 16384, 16385, 70000};
    for (size_t size : sizes) {
        for (int level = 7; level <= 9; ++level) {
            const Bytes inputs[] = {RandomInput(uint32_t(size) + uint32_t(level), size), SampleText(size),
                                    Noise(size, uint32_t(level))};
            for (const Bytes& input : inputs) {
                SCOPED_TRACE("size " + std::to_string(size) + " level " + std::to_string(level));
                const Bytes stream = Compress(input, level);
                Bytes coded;
                ASSERT_TRUE(Decompress(stream, coded, input.size() + 16));
                ASSERT_TRUE(coded == input);
                if ((stream[0] & 15) >= 7)
                    CheckBothRead(input, stream);
            }
        }
    }
}

// Several megabytes of skewed data at level 9: the trees halve hundreds of
// times and the decoder's tables are mended through a great many exchanges.
TEST(LZSSHuffmanCrossCheck, SeveralMegabytes)
{
    const Bytes input = RandomInput(2026, 3u << 20);
    CheckBothRead(input, Compress(input, 9));
}
