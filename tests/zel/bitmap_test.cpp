// Zel::Bitmap: BMP, TGA and JPEG decoding, and refusal of cut-short, damaged and oversized images.
#include <gtest/gtest.h>

#include "support/test_images.h"
#include "zel/bitmap.h"

namespace {

bool Decode(Zel::Bitmap& bitmap, const std::string& bytes, const char* extension)
{
    return bitmap.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), extension);
}

void ExpectPixel(const Zel::Bitmap& bitmap, int x, int y, int tolerance = 0)
{
    uint8_t rgb[3];
    TestImages::PixelColour(x, y, rgb);
    const uint8_t* p = bitmap.Pixels().data() + (size_t(y) * size_t(bitmap.Width()) + size_t(x)) * 4;
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(int(p[c]), int(rgb[c]), tolerance) << "pixel " << x << "," << y << " channel " << c;
}

TEST(BitmapTest, DecodesTrueColourBmpBothWaysUp)
{
    for (bool topDown : {false, true}) {
        Zel::Bitmap bitmap;
        ASSERT_TRUE(Decode(bitmap, TestImages::Bmp24(5, 3, topDown), "bmp"));
        EXPECT_EQ(bitmap.Width(), 5);
        EXPECT_EQ(bitmap.Height(), 3);
        ExpectPixel(bitmap, 0, 0);
        ExpectPixel(bitmap, 4, 2);
        ExpectPixel(bitmap, 3, 1);
    }
}

TEST(BitmapTest, DecodesPaletteBmp)
{
    Zel::Bitmap bitmap;
    ASSERT_TRUE(Decode(bitmap, TestImages::Bmp8(6, 2), "bmp"));
    const uint8_t* p = bitmap.Pixels().data() + (size_t(1) * 6 + 2) * 4;  // (2, 1): entry 3
    EXPECT_EQ(p[0], 180);
    EXPECT_EQ(p[1], 60);
    EXPECT_EQ(p[2], 30);
}

TEST(BitmapTest, DecodesTgaPlainAndRunLength)
{
    for (auto [depth, rle] : {std::pair{24, false}, std::pair{32, false}, std::pair{24, true}, std::pair{32, true}}) {
        Zel::Bitmap bitmap;
        ASSERT_TRUE(Decode(bitmap, TestImages::Tga(7, 4, depth, rle), "tga")) << depth << rle;
        EXPECT_EQ(bitmap.Width(), 7);
        ExpectPixel(bitmap, 6, 3);
        ExpectPixel(bitmap, 2, 1);
    }
}

TEST(BitmapTest, DecodesJpeg)
{
    Zel::Bitmap bitmap;
    ASSERT_TRUE(Decode(bitmap, TestImages::Jpeg(64, 32), "jpg"));
    EXPECT_EQ(bitmap.Width(), 64);
    EXPECT_EQ(bitmap.Height(), 32);
}

TEST(BitmapTest, RefusesCutShortImagesOfEveryFormat)
{
    struct Case {
        std::string bytes;
        const char* extension;
    };
    const Case cases[] = {
        {TestImages::Bmp24(16, 16), "bmp"},         {TestImages::Bmp8(16, 16), "bmp"}, {TestImages::Tga(16, 16), "tga"},
        {TestImages::Tga(16, 16, 32, true), "tga"}, {TestImages::Jpeg(64, 64), "jpg"},
    };
    for (const Case& test : cases) {
        Zel::Bitmap whole;
        ASSERT_TRUE(Decode(whole, test.bytes, test.extension));
        for (size_t keep :
             {size_t(0), size_t(1), size_t(10), size_t(20), test.bytes.size() / 2, test.bytes.size() - 1}) {
            Zel::Bitmap cut;
            EXPECT_FALSE(Decode(cut, test.bytes.substr(0, keep), test.extension)) << test.extension << " " << keep;
            EXPECT_EQ(cut.Width(), 0);
            EXPECT_TRUE(cut.Pixels().empty());
        }
    }
}

TEST(BitmapTest, RefusesUnknownFormatsAndHugeClaims)
{
    Zel::Bitmap bitmap;
    EXPECT_FALSE(Decode(bitmap, "GIF89a....", "gif"));
    EXPECT_FALSE(Decode(bitmap, TestImages::Tga(4, 4), "bmp"));  // no signature, not named .tga
    std::string huge = TestImages::Bmp24(2, 2);
    huge[18] = '\xFF';
    huge[19] = '\xFF';
    huge[20] = '\xFF';
    huge[21] = '\x7F';
    EXPECT_FALSE(Decode(bitmap, huge, "bmp"));
    std::string wide = TestImages::Tga(2, 2);
    wide[12] = '\xFF';
    wide[13] = '\xFF';
    wide[14] = '\xFF';
    wide[15] = '\xFF';
    EXPECT_FALSE(Decode(bitmap, wide, "tga"));
}

TEST(BitmapTest, LoadsFromAFileAndFailsOnAMissingOne)
{
    const std::string path = ::testing::TempDir() + "bitmap-test.tga";
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const std::string bytes = TestImages::Tga(8, 8);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    Zel::Bitmap bitmap;
    EXPECT_TRUE(bitmap.Load(path.c_str()));
    EXPECT_EQ(bitmap.Height(), 8);
    std::remove(path.c_str());
    EXPECT_FALSE(bitmap.Load(path.c_str()));
    EXPECT_EQ(bitmap.Width(), 0);
}

}  // namespace

namespace {

TEST(BitmapTest, DecodesPngWithItsAlphaAndRefusesADamagedOne)
{
    std::vector<uint8_t> rgba(6 * 3 * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = uint8_t(i * 7);
    const std::string png = TestImages::Png(6, 3, rgba);
    Zel::Bitmap bitmap;
    ASSERT_TRUE(Decode(bitmap, png, "png"));
    EXPECT_EQ(bitmap.Width(), 6);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.GetFormat(), Zel::Bitmap::FormatAlpha32);
    EXPECT_EQ(bitmap.Pixels(), rgba);
    // Cut inside the image data, and a header claiming a size past the limits.
    std::string huge = png;
    huge[16] = char(0x7F);
    for (const std::string& bad : {png.substr(0, png.size() / 2), huge}) {
        EXPECT_FALSE(Decode(bitmap, bad, "png"));
        EXPECT_EQ(bitmap.Width(), 0);
    }
}

TEST(BitmapTest, ScaleGivesTheAskedSizeAndKeepsAFlatColour)
{
    struct Case {
        int fromWidth, fromHeight, toWidth, toHeight;
    };
    const Case cases[] = {{2048, 1024, 512, 256}, {7, 5, 3, 2}, {3, 3, 8, 8}, {16, 4, 4, 16}, {1, 1, 1, 1}};
    for (const Case& c : cases) {
        Zel::Bitmap source;
        ASSERT_TRUE(source.Allocate(c.fromWidth, c.fromHeight));
        for (size_t i = 0; i < source.Pixels().size(); i += 4) {
            uint8_t* p = source.MutablePixels().data() + i;
            p[0] = 10, p[1] = 200, p[2] = 77, p[3] = 128;
        }
        Zel::Bitmap scaled;
        ASSERT_TRUE(source.Scale(c.toWidth, c.toHeight, scaled));
        EXPECT_EQ(scaled.Width(), c.toWidth);
        EXPECT_EQ(scaled.Height(), c.toHeight);
        const uint8_t* last = scaled.Pixels().data() + scaled.Pixels().size() - 4;
        EXPECT_EQ(std::vector<uint8_t>(last, last + 4), (std::vector<uint8_t>{10, 200, 77, 128}));
    }
    Zel::Bitmap compressed;
    ASSERT_TRUE(compressed.Init(4, 4, Zel::Bitmap::FormatCompressed, 8));
    Zel::Bitmap out;
    EXPECT_FALSE(compressed.Scale(2, 2, out));
    EXPECT_FALSE(Zel::Bitmap().Scale(2, 2, out));
}

}  // namespace
