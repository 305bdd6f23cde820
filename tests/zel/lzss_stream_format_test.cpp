// LZSS stream format: level and window selection, exact small streams, hand-made streams that must decode.
#include <gtest/gtest.h>

#include "support/lzss_test_support.h"

using namespace LZSSTest;

TEST(LZSSStreamFormat, ShortInputsAreStored)
{
    EXPECT_EQ(Compress({}, 5), (Bytes{0x00}));
    const Bytes six = FromText("abcabc");
    Bytes expected{0x00};
    expected.insert(expected.end(), six.begin(), six.end());
    EXPECT_EQ(Compress(six, 9), expected);
    const Bytes seven = FromText("aaaaaaa");
    Bytes stored{0x00};
    stored.insert(stored.end(), seven.begin(), seven.end());
    EXPECT_EQ(Compress(seven, 0), stored);
    EXPECT_EQ(Compress(seven, -3), stored);
}

TEST(LZSSStreamFormat, FirstByteHoldsWindowCodeAndLevel)
{
    struct Case {
        size_t size;
        int level;
        uint8_t first;
    };
    const Case cases[] = {
        {100, 9, 0x06},   {100, 1, 0x01},    {255, 7, 0x06},   {256, 1, 0x01},  {256, 5, 0x15},
        {256, 9, 0x19},   {3000, 5, 0x15},   {4096, 6, 0x16},  {4097, 6, 0x26}, {4097, 2, 0x12},
        {20000, 9, 0x29}, {20000, 12, 0x29}, {20000, 7, 0x27}, {5000, 3, 0x13},
    };
    for (const Case& c : cases) {
        const Bytes stream = Compress(SampleText(c.size), c.level);
        ASSERT_FALSE(stream.empty());
        EXPECT_EQ(stream[0], c.first) << c.size << " bytes at level " << c.level;
    }
}

TEST(LZSSStreamFormat, RunOfEqualBytesAtLevelFive)
{
    const Bytes stream = Compress(Bytes(1000, 'x'), 5);
    const Bytes expected{0x15, 0x3C, 0x00, 0x00, 0x00, 'x', 0x01, 0xF0, 255,
                         0x01, 0xF0, 255,  0x01, 0xF0, 255, 0x01, 0xF0, 222};
    EXPECT_EQ(stream, expected);
}

TEST(LZSSStreamFormat, HandMadeFlagWordStreamsDecode)
{
    struct Case {
        const char* name;
        Bytes stream;
        std::string expected;
    };
    const Case cases[] = {
        // Code 0: literal 'a', then a match of length 5 at distance 1 (bits 1, then 0,1,0 lowest first).
        {"code 0 short match", {0x01, 0x0A, 0, 0, 0, 'a', 1}, "aaaaaa"},
        // Code 0: 'a', 'b', then length 12 (escape 7, data byte 9) at distance 2.
        {"code 0 long match", {0x03, 0x3C, 0, 0, 0, 'a', 'b', 9, 2}, "ababababababab"},
        // Code 1: a literal run of 7 bytes (bits 0,1), then a single literal (bits 0,0).
        {"code 1 literal run", {0x15, 0x02, 0, 0, 0, 4, 'r', 'u', 'n', 's', ' ', 'o', 'k', '!'}, "runs ok!"},
        // Code 2: 'q' then a match of length 4 at distance 1: word 1 | (1 << 14).
        {"code 2 match", {0x24, 0x04, 0, 0, 0, 'q', 0x01, 0x40}, "qqqqq"},
        // Code 1: 'z' then a length-20 match: field 15 (all ones) plus data byte 17.
        {"code 1 escaped length", {0x13, 0x04, 0, 0, 0, 'z', 0x01, 0xF0, 17}, std::string(21, 'z')},
        // Level 0 with any window bits is stored.
        {"stored", {0x20, 'h', 'i'}, "hi"},
        // The stream ends inside an item: what came before stands.
        {"cut inside a run", {0x15, 0x02, 0, 0, 0, 4, 'r', 'u'}, ""},
        {"cut inside a flag word", {0x15, 0x00, 0}, ""},
        {"cut before the distance", {0x01, 0x0A, 0, 0, 0, 'a'}, "a"},
    };
    for (const Case& c : cases) {
        Bytes out;
        EXPECT_TRUE(Decompress(c.stream, out, 1000)) << c.name;
        EXPECT_EQ(std::string(out.begin(), out.end()), c.expected) << c.name;
        Bytes reference;
        if (c.stream[0] & 0x0F) {
            EXPECT_TRUE(ReferenceDecodeFlagWords(c.stream, reference)) << c.name;
            EXPECT_EQ(reference, out) << c.name;
        }
    }
}

// The paths below were worked out by hand from the starting tree (leaf i at
// position i, node 274 + m over positions 2m and 2m + 1, root 546).
TEST(LZSSStreamFormat, HandMadeHuffmanStreamsDecode)
{
    Bytes out;
    // The end symbol 272 alone: path 1,1,1,0,1,1,0,0 from the root, padded.
    EXPECT_TRUE(Decompress({0x29, 0x37, 0x00}, out, 100));
    EXPECT_TRUE(out.empty());
    // 'A' (path 0,0,0,1,1,1,0,1), then the end symbol, whose path the update
    // after 'A' leaves alone.
    EXPECT_TRUE(Decompress({0x27, 0xB8, 0x37}, out, 100));
    EXPECT_EQ(out, FromText("A"));
}

TEST(LZSSStreamFormat, BadStreamsFail)
{
    struct Case {
        const char* name;
        Bytes stream;
    };
    const Case cases[] = {
        {"empty", {}},
        {"window code 3", {0x35, 0, 0, 0, 0, 'a'}},
        {"distance before the start", {0x01, 0x0A, 0, 0, 0, 'a', 2}},
        {"distance 0", {0x24, 0x04, 0, 0, 0, 'q', 0x00, 0x40}},
        {"match before any output", {0x15, 0x01, 0, 0, 0, 0x01, 0x00}},
        {"Huffman without end symbol", {0x27, 0xB8}},
        {"Huffman padding symbol", {0x27, 0xB7, 0x00}},
        {"Huffman with no bits", {0x28}},
    };
    for (const Case& c : cases) {
        Bytes out;
        EXPECT_FALSE(Decompress(c.stream, out, 100)) << c.name;
    }
}

// The decoder reads its input ahead in words and chunks; a stream cut short
// anywhere, including just past a chunk of input, must still fail rather
// than end quietly with part of the output. A cut of two bytes or more
// removes at least one bit of the end symbol.
TEST(LZSSStreamFormat, CutHuffmanStreamsFail)
{
    const Bytes input = SampleText(400000);
    const Bytes whole = Compress(input, 9);
    ASSERT_GT(whole.size(), size_t(0x10000 + 64));
    Bytes out;
    ASSERT_TRUE(Decompress(whole, out, input.size()));
    ASSERT_EQ(out, input);
    std::vector<size_t> lengths;
    for (size_t cut = 2; cut < 40; ++cut)
        lengths.push_back(whole.size() - cut);
    for (size_t near = 0x10000 - 9; near < 0x10000 + 10; ++near)
        lengths.push_back(near);
    lengths.push_back(1);
    lengths.push_back(2);
    for (size_t length : lengths) {
        const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
        EXPECT_FALSE(Decompress(cut, out, input.size())) << length << " of " << whole.size();
    }
}

TEST(LZSSStreamFormat, OutputThatFillsUpFails)
{
    const Bytes input = SampleText(50000);
    for (int level : {0, 3, 6, 9}) {
        const Bytes stream = Compress(input, level);
        Bytes out;
        EXPECT_FALSE(Decompress(stream, out, input.size() - 1)) << level;
        EXPECT_TRUE(Decompress(stream, out, input.size())) << level;
        EXPECT_EQ(out, input) << level;
    }
}

TEST(LZSSStreamFormat, CompressionFallsBackToStoredWhenTheOutputIsFull)
{
    const Bytes noise = Noise(5000);
    Zel::LZSSCompress coder;
    Bytes out(noise.size() + 1);
    ASSERT_EQ(coder.CompressBlock(out.data(), out.size(), noise.data(), noise.size(), 9), noise.size() + 1);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_TRUE(std::equal(noise.begin(), noise.end(), out.begin() + 1));
    EXPECT_EQ(coder.CompressBlock(out.data(), noise.size(), noise.data(), noise.size(), 9), 0u);
}
