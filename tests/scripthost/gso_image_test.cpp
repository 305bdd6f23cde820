// The Image native class called directly: colour packing, clearing and resizing, drawing on itself, text, and a golden.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <limits>

#include "scripthost/gso_image.h"
#include "support/fake_font_backend.h"
#include "support/golden_image.h"
#include "support/temp_folder.h"
#include "zel/bitmap_png_write.h"
#include "zel/freetype_font_backend.h"

namespace {

// An image without script instance, freed by the test.
struct Image {
    GSOImage* object = new GSOImage(nullptr);
    ~Image() { delete object; }
    GSOImage* operator->() const { return object; }
};

uint32_t Word(const GSOImage& image, int32_t x, int32_t y)
{
    const uint8_t* p = image.GetBitmap()->Pixels().data() + (size_t(y) * size_t(image.GetBitmap()->Width()) + x) * 4;
    // Back to 0xAARRGGBB from the bitmap's red, green, blue, alpha bytes.
    return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16 | uint32_t(p[3]) << 24;
}

TEST(ImageColour, ChannelsAreClampedThenPacked)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float r, g, b, a;
        uint32_t packed;
    } cases[] = {
        {1, 0, 0, 1, 0xFFFF0000},           {0, 0, 1, 0, 0x000000FF},           {-1, -0.5f, 0, 1, 0xFF000000},
        {0.5f, 0.25f, 0.1f, 1, 0xFF80401A}, {2, 300, 1e30f, 1.01f, 0xFFFFFFFF}, {nan, 1, nan, 1, 0xFF00FF00},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PackImageColour(c.r, c.g, c.b, c.a), c.packed) << c.r << " " << c.g << " " << c.b << " " << c.a;
}

TEST(ImageClass, ANewImageHasNoPixelsAndDrawingItDoesNothing)
{
    Image image;
    EXPECT_EQ(image->LineColour(), 0xFFFFFFFFu);
    EXPECT_EQ(image->FillColour(), 0u);
    EXPECT_EQ(image->FontFace().View(), "swiss");
    EXPECT_EQ(image->FontSize(), 12);
    image->Clear(0, 10);
    EXPECT_EQ(image->GetBitmap(), nullptr);
    EXPECT_EQ(image->ChangeCount(), 1);
    image->DrawPoint(0, 0);
    image->DrawRect(0, 0, 4, 4);
    image->DrawLine(0, 0, 4, 4);
    image->DrawCircle(2, 2, 2);
    image->DrawTriangle(0, 0, 4, 0, 0, 4);
    image->DrawTextAt(0, 0, "text");
    image->DrawImage({0, 0, 1, 1}, image.object, {0, 0, 1, 1});
    EXPECT_EQ(image->ChangeCount(), 1);
    image->Clear(-5, -5);
    EXPECT_EQ(image->GetBitmap(), nullptr);
    image->Clear(40000, 2);  // beyond the largest side: no pixels
    EXPECT_EQ(image->GetBitmap(), nullptr);
}

TEST(ImageClass, ResizeKeepsStretchesOrClearsAsAsked)
{
    Image image;
    image->SetFillColour(PackImageColour(0, 0, 1, 1));
    image->Resize(10, 10, false);  // from nothing: cleared to the fill colour
    ASSERT_NE(image->GetBitmap(), nullptr);
    EXPECT_EQ(Word(*image.object, 9, 9), 0xFF0000FFu);
    const int32_t changes = image->ChangeCount();
    image->Resize(10, 10, true);
    EXPECT_EQ(image->ChangeCount(), changes);

    image->Clear(4, 4);
    image->Resize(8, 8, false);
    EXPECT_EQ(Word(*image.object, 3, 3), 0xFF0000FFu);
    EXPECT_EQ(Word(*image.object, 4, 3), 0u);
    EXPECT_EQ(Word(*image.object, 7, 7), 0u);
    image->Resize(4, 4, false);
    image->Resize(8, 2, true);
    EXPECT_EQ(Word(*image.object, 7, 1), 0xFF0000FFu);
    image->Resize(0, 3, true);
    EXPECT_EQ(image->GetBitmap(), nullptr);
}

TEST(ImageClass, AnImageDrawnOnItselfIsCopiedOnlyAtItsOwnSize)
{
    Image image;
    image->Clear(4, 4);
    image->SetLineColour(PackImageColour(1, 0, 0, 1));
    image->DrawPoint(0, 0);
    const int32_t changes = image->ChangeCount();
    image->DrawImage({1, 1, 4, 4}, image.object, {0, 0, 4, 4});
    EXPECT_EQ(Word(*image.object, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(image->ChangeCount(), changes + 1);
    image->DrawImage({0, 0, 2, 2}, image.object, {0, 0, 4, 4});
    EXPECT_EQ(image->ChangeCount(), changes + 1);
    Image other;
    other->Clear(2, 2);
    other->DrawImage({1, 1, 9, 9}, image.object, {0, 0, 4, 4});  // another image: unscaled at the corner
    EXPECT_EQ(Word(*other.object, 1, 1), 0xFFFF0000u);
    Image empty;
    other->DrawImage({0, 0, 1, 1}, empty.object, {0, 0, 0, 0});
    other->DrawImage({0, 0, 1, 1}, nullptr, {0, 0, 0, 0});
    EXPECT_EQ(other->ChangeCount(), 2);
    EXPECT_EQ(RectOfCorners(5, 6, 1, 10).width, -4);
}

TEST(ImageClass, AnImageLoadsFromAFileOrIsNotMade)
{
    KorvelTest::TempFolder folder;
    Zel::Bitmap picture;
    ASSERT_TRUE(picture.Allocate(5, 3));
    picture.FillColour(0xFF00FF00);
    ASSERT_TRUE(Zel::WritePng(picture, (folder / "picture.png").c_str()));
    folder.MakeFile("broken.png", "\x89PNG\r\n\x1a\nnot really");
    GSOImage* loaded = GSOImage::LoadFromFile(nullptr, "asset", (folder / "picture.png").c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetBitmap()->Width(), 5);
    EXPECT_EQ(Word(*loaded, 4, 2), 0xFF00FF00u);
    delete loaded;
    EXPECT_EQ(GSOImage::LoadFromFile(nullptr, "asset", (folder / "broken.png").c_str()), nullptr);
    EXPECT_EQ(GSOImage::LoadFromFile(nullptr, "asset", (folder / "missing.png").c_str()), nullptr);
}

TEST(ImageClass, TextIsMeasuredAndDrawnWithTheImagesFont)
{
    KorvelTest::FakeFontBackend backend;
    KorvelTest::ScopedFontBackend bound(&backend);
    Image image;
    image->SetTextFont(Zel::PString("DejaVu SANS"), 10);
    EXPECT_EQ(image->FontFace().View(), "dejavu sans");
    // The made-up widths: a = {1, 5, 1}, b = {1, 6, 1}; b's C does not count.
    EXPECT_EQ(image->MeasureTextWidth("ab"), 14);
    EXPECT_EQ(backend.stats.facesAsked.back(), "dejavu sans");
    EXPECT_EQ(backend.stats.charsetsAsked.back(), 1);
    image->DrawTextAt(0, 0, "ab");  // no pixels: nothing, no font asked again
    EXPECT_EQ(image->ChangeCount(), 0);
    image->Clear(20, 10);
    image->DrawTextAt(-1, 0, "a\xE2");  // a cut sequence ends at the terminator
    EXPECT_EQ(image->ChangeCount(), 2);
    EXPECT_EQ(Word(*image.object, 0, 1), 0xFEFEFEFEu);  // a's ink from column 1 - 1
    backend.failCreates = 100;
    image->SetTextFont(Zel::PString("other"), 10);
    EXPECT_EQ(image->MeasureTextWidth("ab"), 0);
    image->DrawTextAt(0, 0, "ab");
    EXPECT_EQ(image->ChangeCount(), 2);
}

TEST(ImageClass, TextAndShapesGolden)
{
    constexpr const char* DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    struct stat info;
    if (stat(DejaVuSans, &info) != 0)
        GTEST_SKIP() << DejaVuSans << " is missing (make deps installs fonts-dejavu-core)";
    Zel::FreeTypeFontBackend backend(DejaVuSans);
    KorvelTest::ScopedFontBackend bound(&backend);
    Image image;
    image->SetFillColour(PackImageColour(0.1f, 0.15f, 0.3f, 1));
    image->Clear(160, 60);
    image->SetFillColour(PackImageColour(0.9f, 0.6f, 0.1f, 1));
    image->SetLineColour(PackImageColour(1, 1, 1, 1));
    image->DrawRect(4, 4, 60, 30);
    image->DrawCircle(130, 30, 22);
    image->SetFillColour(PackImageColour(0.2f, 0.8f, 0.3f, 0.6f));
    image->DrawTriangle(70, 55, 100, 8, 120, 55);
    image->DrawLine(0, 59, 159, 40);
    image->SetTextFont(Zel::PString("DejaVu Sans"), 14);
    image->SetLineColour(PackImageColour(1, 1, 0.6f, 1));
    image->DrawTextAt(8, 38,
                      "Image \xC3\xA9t\xC3\xA9 \xE2\x82\xAC"
                      "5");
    image->SetLineColour(PackImageColour(0, 0, 0, 1));
    image->DrawTextAt(10, 10, "Box");
    EXPECT_TRUE(KorvelTest::MatchesGolden(*image->GetBitmap(), KORVEL_SCRIPTHOST_GOLDEN_DIR, "image_text_shapes"));
}

}  // namespace
