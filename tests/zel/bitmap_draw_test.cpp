// Bitmap drawing: shapes and images by their pixels, blending, clipping at any coordinates, and a golden of every shape.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>

#include "support/golden_image.h"
#include "zel/bitmap.h"

namespace {

using Zel::Bitmap;

constexpr uint32_t Red = 0xFFFF0000;

Bitmap Blank(int32_t width, int32_t height)
{
    Bitmap bitmap;
    EXPECT_TRUE(bitmap.Allocate(width, height));
    return bitmap;
}

// Pixels whose alpha byte is not 0.
int Inked(const Bitmap& bitmap)
{
    int count = 0;
    for (size_t i = 3; i < bitmap.Pixels().size(); i += 4)
        count += bitmap.Pixels()[i] != 0 ? 1 : 0;
    return count;
}

bool IsInked(Bitmap& bitmap, int32_t x, int32_t y)
{
    return bitmap.Pixel(x, y)[3] != 0;
}

TEST(BitmapDraw, ShapesCoverTheirPixels)
{
    const struct {
        const char* name;
        std::function<void(Bitmap&)> draw;
        int pixels;
    } cases[] = {
        {"filled box",
         [](Bitmap& b) {
             b.Box({2, 3, 4, 5}, Red, Bitmap::ModeFilled);
         },
         20},
        {"box outline",
         [](Bitmap& b) {
             b.Box({2, 3, 4, 5}, Red, Bitmap::ModeOutline);
         },
         14},
        {"box from the far corner",
         [](Bitmap& b) {
             b.Box({6, 8, -4, -5}, Red, Bitmap::ModeFilled);
         },
         20},
        {"one-pixel box outline",
         [](Bitmap& b) {
             b.Box({1, 1, 1, 1}, Red, Bitmap::ModeOutline);
         },
         1},
        {"empty box",
         [](Bitmap& b) {
             b.Box({1, 1, 0, 5}, Red, Bitmap::ModeFilled);
         },
         0},
        {"line", [](Bitmap& b) { b.Line(0, 0, 9, 3, Red, Bitmap::ModeStroke); }, 10},
        {"steep line", [](Bitmap& b) { b.Line(5, 9, 4, 0, Red, Bitmap::ModeStroke); }, 10},
        {"point line", [](Bitmap& b) { b.Line(4, 4, 4, 4, Red, Bitmap::ModeStroke); }, 1},
        {"circle of radius 0", [](Bitmap& b) { b.Circle(5, 5, 0, Red, Bitmap::ModeFilled); }, 1},
        {"filled circle", [](Bitmap& b) { b.Circle(8, 8, 3, Red, Bitmap::ModeFilled); }, 37},
        {"circle outline", [](Bitmap& b) { b.Circle(8, 8, 3, Red, Bitmap::ModeStroke); }, 16},
        {"negative radius", [](Bitmap& b) { b.Circle(8, 8, -3, Red, Bitmap::ModeFilled); }, 0},
        {"filled triangle", [](Bitmap& b) { b.Triangle(0, 0, 6, 0, 0, 6, Red, Bitmap::ModeFilled); }, 28},
        {"triangle outline", [](Bitmap& b) { b.Triangle(0, 0, 6, 0, 0, 6, Red, Bitmap::ModeStroke); }, 18},
        {"flat triangle", [](Bitmap& b) { b.Triangle(1, 2, 5, 2, 9, 2, Red, Bitmap::ModeFilled); }, 9},
    };
    for (const auto& c : cases) {
        Bitmap bitmap = Blank(16, 16);
        c.draw(bitmap);
        EXPECT_EQ(Inked(bitmap), c.pixels) << c.name;
    }
}

TEST(BitmapDraw, OutlinesLieOnTheFilledShapeAndTouchItsEdge)
{
    Bitmap filled = Blank(40, 40);
    Bitmap outline = Blank(40, 40);
    filled.Circle(20, 20, 11, Red, Bitmap::ModeFilled);
    outline.Circle(20, 20, 11, Red, Bitmap::ModeStroke);
    for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            if (IsInked(outline, x, y)) {
                EXPECT_TRUE(IsInked(filled, x, y)) << x << "," << y;
            }
        }
    }
    for (auto [x, y] : {std::pair{9, 20}, std::pair{31, 20}, std::pair{20, 9}, std::pair{20, 31}})
        EXPECT_TRUE(IsInked(outline, x, y));
    EXPECT_FALSE(IsInked(outline, 20, 20));
}

TEST(BitmapDraw, AnyCoordinatesStayInsideTheBitmapAndEndQuickly)
{
    const int32_t far = INT_MAX, near = INT_MIN;
    Bitmap bitmap = Blank(8, 8);
    bitmap.Box({near, near, far, far}, Red, Bitmap::ModeFilled);
    bitmap.Box({far, far, far, far}, Red, Bitmap::ModeOutline);
    bitmap.Box({-4, -4, 100, 100}, Red, Bitmap::ModeOutline);  // border wholly outside
    EXPECT_EQ(Inked(bitmap), 0);
    bitmap.Line(near, near, far, far, Red, Bitmap::ModeStroke);
    EXPECT_EQ(Inked(bitmap), 8);  // the diagonal through the bitmap
    bitmap = Blank(8, 8);
    bitmap.Line(-10, 3, 20, 3, Red, Bitmap::ModeStroke);
    bitmap.Line(near, far, far, near, Red, Bitmap::ModeStroke);
    bitmap.Circle(far, far, far, Red, Bitmap::ModeStroke);
    bitmap.Circle(4, 4, far, Red, Bitmap::ModeStroke);  // the ring is far outside
    bitmap.Circle(near, 4, far, Red, Bitmap::ModeFilled);
    bitmap.Triangle(near, near, far, 0, 0, far, Red, Bitmap::ModeFilled);
    bitmap.Triangle(near, near, far, near, near, far, Red, Bitmap::ModeStroke);
    bitmap.BlendPixel(-1, 0, Red);
    bitmap.BlendPixel(8, 7, Red);
    bitmap.BlendPixel(0, 8, Red);
    EXPECT_GT(Inked(bitmap), 8);
    Bitmap source = Blank(4, 4);
    source.FillColour(Red);
    Bitmap target = Blank(8, 8);
    target.Image(source, -2, 6, {0, 0, 4, 4}, Bitmap::ModeCopy);
    EXPECT_EQ(Inked(target), 4);
    target.Image(source, far, near, {0, 0, 4, 4}, Bitmap::ModeCopy);
    target.Image(source, 0, 0, {near, near, far, far}, Bitmap::ModeCopy);
    target.Image(source, {near, near, far, far}, {0, 0, 4, 4}, Bitmap::ModeCopy);
    target.Image(source, {0, 0, 8, 8}, {near, near, far, far}, Bitmap::ModeBlend);
    Bitmap none;
    none.Box({0, 0, 4, 4}, Red, Bitmap::ModeFilled);
    none.Image(source, 0, 0, {0, 0, 4, 4}, Bitmap::ModeCopy);
    EXPECT_EQ(none.Width(), 0);
}

TEST(BitmapDraw, BlendingMixesByAlphaAndCopyingReplaces)
{
    Bitmap bitmap = Blank(2, 1);
    bitmap.FillColour(0xFF0000FF);  // opaque blue: bytes 0, 0, 255, 255
    bitmap.BlendPixel(0, 0, 0x80FF0000);
    const uint8_t* mixed = bitmap.Pixel(0, 0);
    EXPECT_EQ(mixed[0], 128);
    EXPECT_EQ(mixed[1], 0);
    EXPECT_EQ(mixed[2], 127);
    EXPECT_EQ(mixed[3], 255);
    bitmap.BlendPixel(1, 0, 0x00FF0000);  // no alpha: no change
    EXPECT_EQ(bitmap.Pixel(1, 0)[2], 255);

    Bitmap source = Blank(2, 2);
    source.FillColour(0x00123456);
    Bitmap copied = Blank(2, 2);
    copied.FillColour(Red);
    copied.Image(source, 0, 0, {0, 0, 2, 2}, Bitmap::ModeCopy);
    EXPECT_EQ(copied.Pixels(), source.Pixels());
    Bitmap blended = Blank(2, 2);
    blended.FillColour(Red);
    blended.Image(source, 0, 0, {0, 0, 2, 2}, Bitmap::ModeBlend);
    EXPECT_EQ(blended.Pixel(1, 1)[0], 255);
}

TEST(BitmapDraw, StretchingTakesTheNearestSourcePixel)
{
    Bitmap source = Blank(2, 2);
    source.Pixel(1, 0)[3] = 255;
    source.Pixel(0, 1)[3] = 200;
    Bitmap target = Blank(4, 6);
    target.Image(source, {0, 0, 4, 6}, {0, 0, 2, 2}, Bitmap::ModeCopy);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            const int expected = (x >= 2 && y < 3) ? 255 : (x < 2 && y >= 3) ? 200 : 0;
            EXPECT_EQ(target.Pixel(x, y)[3], expected) << x << "," << y;
        }
    }
    // Onto itself: read from a copy, so overlapping rectangles do not smear.
    Bitmap strip = Blank(4, 1);
    strip.Pixel(0, 0)[3] = 1;
    strip.Pixel(1, 0)[3] = 2;
    strip.Image(strip, 1, 0, {0, 0, 3, 1}, Bitmap::ModeCopy);
    EXPECT_EQ(strip.Pixel(3, 0)[3], 0);
    EXPECT_EQ(strip.Pixel(2, 0)[3], 2);
}

TEST(BitmapDraw, ShapesGolden)
{
    Bitmap image = Blank(96, 64);
    image.FillColour(0xFF102030);
    image.Box({4, 4, 28, 20}, 0xFF3060C0, Bitmap::ModeFilled);
    image.Box({4, 4, 28, 20}, 0xFFFFFFFF, Bitmap::ModeOutline);
    image.Circle(56, 16, 12, 0xC0E04020, Bitmap::ModeFilled);
    image.Circle(56, 16, 12, 0xFFFFFF00, Bitmap::ModeStroke);
    image.Triangle(74, 28, 92, 4, 94, 30, 0x8040FF40, Bitmap::ModeFilled);
    image.Triangle(74, 28, 92, 4, 94, 30, 0xFFFFFFFF, Bitmap::ModeStroke);
    image.Line(-10, 60, 100, 34, 0xFFFF80FF, Bitmap::ModeStroke);
    image.Line(4, 34, 4, 60, 0xFFFFFFFF, Bitmap::ModeStroke);
    Bitmap checker = Blank(4, 4);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            uint8_t* pixel = checker.Pixel(x, y);
            pixel[0] = pixel[1] = pixel[2] = ((x + y) % 2) ? 255 : 0;
            pixel[3] = 255;
        }
    }
    image.Image(checker, {10, 36, 24, 24}, {0, 0, 4, 4}, Bitmap::ModeCopy);
    image.Image(checker, 40, 40, {1, 1, 3, 3}, Bitmap::ModeBlend);
    image.Circle(90, 60, 20, 0x60FFFFFF, Bitmap::ModeFilled);  // clipped at the corner
    EXPECT_TRUE(KorvelTest::MatchesGolden(image, KORVEL_ZEL_GOLDEN_DIR, "shapes"));
}

}  // namespace
