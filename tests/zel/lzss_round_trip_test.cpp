// LZSS round trips at every level over text, binary and degenerate inputs, checked against an independent coder.
#include <gtest/gtest.h>

#include "lzss_reference_encoder.h"
#include "support/lzss_test_support.h"

using namespace LZSSTest;

namespace {

struct Sample {
    const char* name;
    Bytes bytes;
};

std::vector<Sample> Samples()
{
    return {
        {"empty", {}},
        {"one byte", {0x42}},
        {"seven bytes", FromText("abcdefg")},
        {"all equal 300", Bytes(300, 0)},
        {"all equal 70000", Bytes(70000, 0xAA)},
        {"incompressible 3000", Noise(3000)},
        {"incompressible 40000", Noise(40000, 5)},
        {"text 255", SampleText(255)},
        {"text 256", SampleText(256)},
        {"text 4097", SampleText(4097)},
        {"text 9000", SampleText(9000)},
        {"text 120000", SampleText(120000)},
        {"binary 33100", SampleBinary(33100)},
        {"binary 150000", SampleBinary(150000)},
    };
}

}  // namespace

TEST(LZSSRoundTrip, EveryLevelReproducesTheInput)
{
    for (const Sample& sample : Samples()) {
        for (int level = 0; level <= 10; ++level) {
            const Bytes stream = Compress(sample.bytes, level);
            ASSERT_FALSE(stream.empty()) << sample.name << " level " << level;
            EXPECT_LE(stream.size(), sample.bytes.size() + 1) << sample.name << " level " << level;
            Bytes out;
            EXPECT_TRUE(Decompress(stream, out, sample.bytes.size() + 16)) << sample.name << " level " << level;
            EXPECT_EQ(out, sample.bytes) << sample.name << " level " << level;
        }
    }
}

// The coder's flag-word streams are byte for byte those of the independent
// encoder, and the independent decoder reads them back.
TEST(LZSSRoundTrip, FlagWordStreamsMatchTheIndependentCoder)
{
    for (const Sample& sample : Samples()) {
        if (sample.bytes.size() <= 6)
            continue;
        for (int level = 1; level <= 6; ++level) {
            const Bytes stream = Compress(sample.bytes, level);
            if (stream[0] == 0)
                continue;  // stored: the coded form did not fit
            EXPECT_EQ(stream, ReferenceEncodeFlagWords(sample.bytes, level)) << sample.name << " level " << level;
            Bytes decoded;
            EXPECT_TRUE(ReferenceDecodeFlagWords(stream, decoded)) << sample.name << " level " << level;
            EXPECT_EQ(decoded, sample.bytes) << sample.name << " level " << level;
        }
    }
}

TEST(LZSSRoundTrip, HuffmanLevelsCompressBetterThanFlagWordsOnText)
{
    const Bytes text = SampleText(200000);
    const size_t flagWords = Compress(text, 6).size();
    const size_t huffman = Compress(text, 9).size();
    EXPECT_LT(huffman, flagWords);
    EXPECT_LT(flagWords, text.size() / 2);
}

TEST(LZSSRoundTrip, OneCoderServesManyStreams)
{
    Zel::LZSSCompress coder;
    for (int round = 0; round < 3; ++round) {
        for (int level : {9, 2, 7}) {
            const Bytes input = SampleBinary(20000 + size_t(round) * 7000);
            Bytes stream(input.size() + 1);
            stream.resize(coder.CompressBlock(stream.data(), stream.size(), input.data(), input.size(), level));
            Bytes out(input.size());
            EXPECT_EQ(coder.DecompressBlock(out.data(), out.size(), stream.data(), stream.size()), input.size());
            EXPECT_EQ(out, input);
            coder.ReleaseBuffers();
        }
    }
}
