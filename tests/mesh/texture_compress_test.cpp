// TextureCompress: each storage format's mip chain (sizes, decoded error against the source), the alpha fix, refusals and the library's faults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "mesh/texture_compress.h"
#include "support/dxt_decode.h"
#include "zel/texture_file.h"
#include "zel/texture_resource.h"

namespace {

// A smooth image with an alpha ramp, so that every format keeps it well.
Zel::Bitmap Gradient(int width, int height)
{
    Zel::Bitmap bitmap;
    bitmap.Allocate(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bitmap.Pixel(x, y);
            p[0] = uint8_t(x * 255 / width);
            p[1] = uint8_t(y * 255 / height);
            p[2] = uint8_t(128 + (x - y) / 4);
            p[3] = uint8_t((x + y) * 255 / (width + height));
        }
    }
    return bitmap;
}

TestDxt::Kind KindOf(uint32_t format)
{
    switch (format) {
    case Zel::TextureDXT1:
        return TestDxt::DXT1;
    case Zel::TextureDXT3:
        return TestDxt::DXT3;
    case Zel::TextureDXT5:
        return TestDxt::DXT5;
    default:
        return TestDxt::Uncompressed;
    }
}

class TextureCompressTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("KORVEL_TEST_NVTT"); }
};

TEST_F(TextureCompressTest, EveryFormatGivesItsMipChainCloseToTheSource)
{
    struct Case {
        uint32_t format;
        bool alpha;
        bool mipmaps;
        double colourTolerance;  // RMS over R, G, B of level 0
        double alphaTolerance;   // RMS over A; negative: alpha not kept
    };
    const Case cases[] = {
        {Zel::TextureAlpha32, true, true, 0.5, 0.5}, {Zel::TextureDXT1, false, true, 6, -1},
        {Zel::TextureDXT1, true, false, 6, -1},      {Zel::TextureDXT3, true, true, 6, 6},
        {Zel::TextureDXT5, true, false, 6, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Zel::TextureFormatName(c.format, c.alpha)) + (c.mipmaps ? " mips" : ""));
        Zel::Bitmap source = Gradient(64, 32);
        const std::vector<uint8_t> original = source.Pixels();
        TextureCompress target;
        std::string error;
        ASSERT_TRUE(
            TextureCompress::Compress(source, target, c.format, c.alpha, false, false, c.mipmaps, false, &error))
            << error;
        ASSERT_EQ(target.GetCount(), c.mipmaps ? 7u : 1u);
        for (size_t level = 0; level < target.GetCount(); ++level) {
            const Zel::Bitmap* image = target.GetImage(level);
            EXPECT_EQ(image->Width(), std::max(1, 64 >> level));
            EXPECT_EQ(image->Height(), std::max(1, 32 >> level));
            EXPECT_EQ(image->GetFormat(), Zel::Bitmap::FormatCompressed);
            EXPECT_EQ(image->Pixels().size(), Zel::TextureLevelBytes(c.format, image->Width(), image->Height()));
        }
        std::vector<uint8_t> decoded = TestDxt::Decode(KindOf(c.format), target.GetImage(0)->Pixels(), 64, 32);
        std::vector<uint8_t> expected = original;
        // One-bit alpha stores a transparent pixel as black: its colour is gone.
        for (size_t i = 0; c.format == Zel::TextureDXT1 && c.alpha && i < decoded.size(); i += 4) {
            if (decoded[i + 3] == 0)
                std::fill(expected.begin() + long(i), expected.begin() + long(i) + 3, 0);
        }
        EXPECT_LT(TestDxt::RmsError(decoded, expected, 0, 2), c.colourTolerance);
        if (c.alphaTolerance >= 0) {
            EXPECT_LT(TestDxt::RmsError(decoded, original, 3, 3), c.alphaTolerance);
        }
    }
}

TEST_F(TextureCompressTest, OpaqueFormatMakesEveryPixelOpaqueButTransparentBlack)
{
    Zel::Bitmap source = Gradient(8, 8);
    std::fill(source.Pixel(0, 0), source.Pixel(0, 0) + 4, 0);
    source.Pixel(1, 0)[3] = 0;
    TextureCompress target;
    ASSERT_TRUE(TextureCompress::Compress(source, target, Zel::TextureOpaque32, false, false, false, false, false));
    EXPECT_EQ(source.Pixel(0, 0)[3], 0);
    EXPECT_EQ(source.Pixel(1, 0)[3], 255);
    std::vector<uint8_t> decoded = TestDxt::Decode(TestDxt::Uncompressed, target.GetImage(0)->Pixels(), 8, 8);
    EXPECT_EQ(decoded[3], 0);
    EXPECT_EQ(decoded[7], 255);
}

TEST_F(TextureCompressTest, RefusesFormatsAndBitmapsItCannotTake)
{
    Zel::Bitmap compressed;
    ASSERT_TRUE(compressed.Init(4, 4, Zel::Bitmap::FormatCompressed, 8));
    Zel::Bitmap empty;
    empty.SetFormat(Zel::Bitmap::FormatAlpha32);
    struct Case {
        const char* name;
        Zel::Bitmap bitmap;
        uint32_t format;
    };
    Case cases[] = {{"format 2", Gradient(8, 8), 2},
                    {"format 13", Gradient(8, 8), 13},
                    {"compressed bitmap", compressed, Zel::TextureDXT1},
                    {"empty bitmap", empty, Zel::TextureDXT5}};
    for (Case& c : cases) {
        TextureCompress target;
        EXPECT_FALSE(TextureCompress::Compress(c.bitmap, target, c.format, true, false, false, true, false)) << c.name;
        EXPECT_EQ(target.GetCount(), 0u) << c.name;
    }
}

TEST_F(TextureCompressTest, LibraryFaultsComeBackAsFalseWithTheirText)
{
    struct Case {
        const char* how;
        const char* text;
    };
    // overflow: the library ignores the refused write and reports success.
    const Case cases[] = {{"overflow", "wrote more than"}, {"throw", "Assertion failed"}, {"fail", "nvalid input"}};
    for (const Case& c : cases) {
        setenv("KORVEL_TEST_NVTT", c.how, 1);
        Zel::Bitmap source = Gradient(16, 16);
        TextureCompress target;
        std::string error;
        EXPECT_FALSE(
            TextureCompress::Compress(source, target, Zel::TextureDXT5, true, false, false, true, false, &error))
            << c.how;
        EXPECT_NE(error.find(c.text), std::string::npos) << c.how << ": " << error;
        EXPECT_NE(std::string(TextureCompress::GetLastError().c_str()).find(c.text), std::string::npos) << c.how;
    }
}

TEST_F(TextureCompressTest, ConcurrentCompressionsEachKeepTheirOwnResult)
{
    // Half the threads fail (an odd-sized image refused as empty would not
    // reach the library; a failing format does): each must see its own outcome.
    constexpr int Threads = 8;
    bool results[Threads] = {};
    std::string errors[Threads];
    std::vector<std::thread> threads;
    for (int i = 0; i < Threads; ++i) {
        threads.emplace_back([&, i] {
            Zel::Bitmap source = Gradient(32, 32);
            if (i % 2 == 1)
                source.Clear(), source.SetFormat(Zel::Bitmap::FormatAlpha32);
            TextureCompress target;
            results[i] = TextureCompress::Compress(source, target, Zel::TextureDXT1, false, true, false, true, false,
                                                   &errors[i]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < Threads; ++i) {
        EXPECT_EQ(results[i], i % 2 == 0) << i;
        EXPECT_EQ(errors[i].empty(), i % 2 == 0) << i << ": " << errors[i];
    }
}

}  // namespace
