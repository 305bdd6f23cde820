// LZSS round trips as properties over sizes at every window, buffer and block boundary of the coder, every level and content kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "lzss_reference_encoder.h"
#include "support/lzss_test_support.h"
#include "zel/lzss_format.h"
#include "zel/lzss_output_window.h"

using namespace LZSSTest;
namespace Format = Zel::LZSSFormat;

namespace {

// Some boundaries come from the coder's private constants: the byte
// writer's and the stored copier's block (64 KiB of output), and the
// decoder's drain block (256 KiB) behind its history.
constexpr size_t kWriterBlock = 0x10000;
constexpr size_t kDecoderBlock = Zel::LZSSOutputWindow::kHistory + 0x40000;

std::vector<size_t> Around(std::initializer_list<size_t> points)
{
    std::set<size_t> sizes;
    for (size_t point : points) {
        sizes.insert(point - 1);
        sizes.insert(point);
        sizes.insert(point + 1);
    }
    return {sizes.begin(), sizes.end()};
}

size_t Window(int code)
{
    return size_t(Format::WindowSize(code));
}
// Where the match finder first slides, and its buffer's logical size and
// what it holds for the rolling hash beyond that.
size_t FirstSlide(int code)
{
    return 2 * Window(code);
}
size_t BufferSize(int code)
{
    return 2 * Window(code) + Format::kMaximumMatch;
}

// A stretch of sizes and the levels whose coding meets its boundaries.
struct Stretch {
    const char* name;
    std::vector<size_t> sizes;
    std::vector<int> levels;
};

std::vector<Stretch> Stretches()
{
    std::vector<size_t> small = {0, 1, 2, 3};
    const std::vector<size_t> around =
        Around({size_t(Format::kLongestStoredOnly), size_t(Format::kSmallInput), Window(0),
                size_t(Format::kMaximumLiteralBatch), 2 * size_t(Format::kMaximumLiteralBatch),
                2000,  // the hash widens from 9 to 12 bits
                Window(1), FirstSlide(1), BufferSize(1), BufferSize(1) + 2});
    small.insert(small.end(), around.begin(), around.end());
    return {
        // Window codes 0 and 1 and the choice between the codes: every level.
        {"short", small, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        // Window code 2: the default level's flag words and the Huffman
        // stream.
        {"window2",
         Around({Window(2), 24000 /* the hash widens to 15 bits */, FirstSlide(2), BufferSize(2), BufferSize(2) + 2}),
         {5, 9}},
        // Many slides of both windows, several writer blocks, and an output
        // past the decoder's drain block.
        {"blocks", {3 * Window(2) + 1, 5 * Window(2) + Format::kMaximumMatch, kDecoderBlock + 1}, {1, 5, 9}},
    };
}

// Runs of equal bytes between short stretches of noise: matches longer
// than 258 bytes, remainders of one and two bytes, literal batches of every
// length.
Bytes Runs(size_t size)
{
    Bytes out;
    out.reserve(size);
    uint32_t state = 4242;
    while (out.size() < size) {
        state = state * 1103515245u + 12345u;
        const size_t run = 1 + (state >> 16) % 700;
        const uint8_t value = uint8_t(state >> 8);
        for (size_t i = 0; i < run && out.size() < size; ++i)
            out.push_back(value);
        const size_t noise = (state >> 4) % 9;
        for (size_t i = 0; i < noise && out.size() < size; ++i) {
            state = state * 1103515245u + 12345u;
            out.push_back(uint8_t(state >> 16));
        }
    }
    return out;
}

struct Content {
    const char* name;
    Bytes (*make)(size_t);
};

const Content kContents[] = {
    {"random", [](size_t size) { return Noise(size, 31); }},
    {"text", [](size_t size) { return SampleText(size); }},
    {"runs", [](size_t size) { return Runs(size); }},
    {"zeros", [](size_t size) { return Bytes(size, 0); }},
};

// One coder serves every stream of a test, as a caller's may: its tables
// are made once, and a stream left behind must not change the next.
Zel::LZSSCompress& Coder()
{
    static Zel::LZSSCompress coder;
    return coder;
}

// CompressStream into a block of the given capacity. The stream is what
// lies between the start and the output's position on return.
bool CompressInto(const Bytes& input, int level, size_t capacity, Bytes& stream)
{
    Zel::LZSSCompress& coder = Coder();
    stream.assign(capacity, 0);
    Zel::MemoryIOSlave sink(stream.data(), stream.size(), 0);
    Zel::MemoryIOSlave source(input.data(), input.size());
    const bool ok = coder.CompressStream(sink, source, input.size(), level);
    stream.resize(size_t(sink.Tell()));
    return ok;
}

bool DecompressInto(const Bytes& stream, size_t capacity, Bytes& out)
{
    out.assign(capacity, 0);
    Zel::MemoryIOSlave sink(out.data(), out.size(), 0);
    Zel::MemoryIOSlave source(stream.data(), stream.size());
    const bool ok = Coder().DecompressStream(sink, source, stream.size());
    out.resize(size_t(sink.Tell()));
    return ok;
}

// The stored form read without the coder.
bool ReferenceDecode(const Bytes& stream, Bytes& out)
{
    if (!stream.empty() && (stream[0] & 15) == 0) {
        out.assign(stream.begin() + 1, stream.end());
        return true;
    }
    return ReferenceDecodeFlagWords(stream, out);
}

bool IsHuffman(const Bytes& stream)
{
    return (stream[0] & 15) > Format::kHighestFlagWordLevel && (stream[0] >> 4) != 0;
}

// Codes one input at one level with room for the coded form (the fallback
// to the stored form has its own test below); the stream gives back
// exactly the input, through the coder and, for flag-word and stored
// streams, through the independent reading.
void CheckRoundTrip(const Bytes& input, int level, const std::string& label)
{
    SCOPED_TRACE(label + " level " + std::to_string(level));
    Bytes stream;
    ASSERT_TRUE(CompressInto(input, level, 2 * input.size() + 64, stream));
    ASSERT_FALSE(stream.empty());
    EXPECT_EQ(stream[0] != 0, level > 0 && input.size() > size_t(Format::kLongestStoredOnly));
    Bytes out;
    ASSERT_TRUE(DecompressInto(stream, input.size() + 300, out));
    ASSERT_EQ(out.size(), input.size());
    ASSERT_TRUE(out == input);
    if (!IsHuffman(stream)) {
        Bytes independent;
        ASSERT_TRUE(ReferenceDecode(stream, independent));
        ASSERT_EQ(independent.size(), input.size());
        ASSERT_TRUE(independent == input);
    }
    // Flag-word streams are fixed to the byte: the independent encoder
    // writes the same. It is slow, so only at the lowest and highest
    // flag-word level (short inputs at Huffman levels are written at 6) and
    // up to just past the first slide of the smaller window.
    const int written = stream[0] & 15;
    if ((written == 1 || written == Format::kHighestFlagWordLevel) && !IsHuffman(stream) &&
        input.size() <= BufferSize(1) + 3) {
        ASSERT_TRUE(stream == ReferenceEncodeFlagWords(input, stream[0] & 15));
    }
}

void PrintTo(const Content& content, std::ostream* out)
{
    *out << content.name;
}
void PrintTo(const Stretch& stretch, std::ostream* out)
{
    *out << stretch.name;
}

}  // namespace

class LZSSBoundaryProperty : public ::testing::TestWithParam<std::tuple<Content, Stretch>> {};

TEST_P(LZSSBoundaryProperty, EverySizeComesBackWhole)
{
    const auto& [content, stretch] = GetParam();
    const Bytes longest = content.make(*std::max_element(stretch.sizes.begin(), stretch.sizes.end()));
    for (size_t size : stretch.sizes) {
        const Bytes input(longest.begin(), longest.begin() + long(size));
        for (int level : stretch.levels) {
            CheckRoundTrip(input, level, std::string(content.name) + " " + std::to_string(size));
            if (HasFatalFailure())
                return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ContentsAndSizes, LZSSBoundaryProperty,
                         ::testing::Combine(::testing::ValuesIn(kContents), ::testing::ValuesIn(Stretches())),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

// What users meet most: megabytes of bytes that do not compress, and of text.
TEST(LZSSBoundaryLong, MultiMegabyteInputsComeBackWhole)
{
    CheckRoundTrip(Noise(2000000, 31), 5, "random 2000000");
    CheckRoundTrip(SampleText(2000000), 9, "text 2000000");
}

// An output that ends anywhere near the coded form's length: a coded form
// that fits is kept whole, one that does not gives the stored form, and an
// output shorter than that fails. The stream always ends at the output's
// position, whatever the abandoned coded form left behind it.
TEST(LZSSBoundaryFallback, OutputEndingAroundTheCodedLengthGivesAWholeStream)
{
    for (size_t size : {size_t(300), size_t(5000), size_t(16384), size_t(40000), kWriterBlock + 1}) {
        const Bytes input = Noise(size, 7);
        for (int level : {1, 5, 9}) {
            SCOPED_TRACE("random " + std::to_string(size) + " level " + std::to_string(level));
            Bytes coded;
            ASSERT_TRUE(CompressInto(input, level, 2 * size + 64, coded));
            ASSERT_GT(coded.size(), size + 1) << "random bytes do not shrink";
            for (const size_t capacity : {size, size + 1, size + 2, size + 64, coded.size() - 1, coded.size()}) {
                Bytes stream;
                const bool ok = CompressInto(input, level, capacity, stream);
                if (capacity < size + 1) {
                    EXPECT_FALSE(ok) << "capacity " << capacity;
                    continue;
                }
                ASSERT_TRUE(ok) << "capacity " << capacity;
                if (capacity >= coded.size()) {
                    EXPECT_EQ(stream, coded);
                } else {
                    EXPECT_EQ(stream.size(), size + 1) << "capacity " << capacity;
                }
                Bytes out;
                ASSERT_TRUE(DecompressInto(stream, size + 300, out)) << "capacity " << capacity;
                ASSERT_EQ(out.size(), size) << "capacity " << capacity;
                ASSERT_TRUE(out == input) << "capacity " << capacity;
            }
        }
    }
}
