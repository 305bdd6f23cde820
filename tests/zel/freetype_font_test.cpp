// TrueType fonts from a real face: DejaVu Sans pinned by its file, fontconfig's matching, and a golden of drawn text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/fake_font_backend.h"
#include "support/golden_image.h"
#include "zel/bitmap_text.h"
#include "zel/freetype_font_backend.h"
#include "zel/tt_font.h"

namespace {

using Zel::TTFont;

// The file of Debian's fonts-dejavu-core; goldens are drawn from it alone.
constexpr const char* DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool Exists(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0;
}

class DejaVu : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Exists(DejaVuSans))
            GTEST_SKIP() << DejaVuSans << " is missing (make deps installs fonts-dejavu-core)";
    }
    Zel::FreeTypeFontBackend backend{DejaVuSans};
    KorvelTest::ScopedFontBackend bound{&backend};
};

std::vector<uint32_t> Codes(const std::u32string& text)
{
    return std::vector<uint32_t>(text.begin(), text.end());
}

TEST_F(DejaVu, TheCellIsTheRequestedHeightAndSpaceHasNoInk)
{
    for (int32_t height : {8, 12, 16, 24, 40}) {
        TTFont font;
        ASSERT_TRUE(font.Init(nullptr, "DejaVu Sans", height, 0)) << height;
        EXPECT_EQ(font.CellHeight(), height);
        EXPECT_GT(font.Ascent(), height / 2);
        EXPECT_LT(font.Ascent(), height);
        const Zel::FontAbcWidth* space = font.FindGlyph(' ');
        ASSERT_NE(space, nullptr);
        EXPECT_EQ(space->b, 0u);
        EXPECT_GT(font.SpaceAdvance(), 0);
        const Zel::FontAbcWidth* m = font.FindGlyph('M');
        EXPECT_GT(m->b, uint32_t(height / 3));
        EXPECT_LE(int32_t(m->b), font.CellWidth());
        // DejaVu covers Latin, Greek, Cyrillic and more: several ranges.
        EXPECT_GT(font.Ranges().size(), 10u);
        EXPECT_EQ(font.GlyphIndex(0x4E00, -1), -1);
    }
    TTFont negative;
    ASSERT_TRUE(negative.Init(nullptr, "", -16, 0));  // an em height: the cell is taller
    EXPECT_GT(negative.CellHeight(), 16);
}

TEST_F(DejaVu, SizesPastTheLimitFailAndLargeOnesHaveNoCells)
{
    TTFont font;
    EXPECT_FALSE(font.Init(nullptr, "DejaVu Sans", Zel::FreeTypeFontBackend::MaxHeight + 1, 0));
    EXPECT_FALSE(font.Init(nullptr, "DejaVu Sans", 0x7FFFFFFF, 0));
    ASSERT_TRUE(font.Init(nullptr, "DejaVu Sans", 600, 0));
    EXPECT_TRUE(font.Cells().empty());
    Zel::GlyphPlacement glyph;
    EXPECT_FALSE(font.GetGlyph('A', glyph));
    ASSERT_TRUE(font.GetGlyph(' ', glyph));
    EXPECT_GT(glyph.width, 100);
}

// Whether some row of the glyph's box is ink from its first column to its
// last.
bool HasFullRow(const TTFont& font, const Zel::GlyphPlacement& glyph)
{
    const int32_t x0 = int32_t(glyph.u * float(font.AtlasSize()));
    const int32_t y0 = int32_t(glyph.v * float(font.AtlasSize()));
    for (int32_t y = y0; y < y0 + font.CellHeight(); ++y) {
        bool full = glyph.width > 0;
        for (int32_t x = x0; x < x0 + glyph.width && full; ++x)
            full = font.Atlas()->Pixels()[(size_t(y) * size_t(font.AtlasSize()) + size_t(x)) * 4 + 3] == 255;
        if (full)
            return true;
    }
    return false;
}

TEST_F(DejaVu, LinesRunTheWholeAdvanceAndAntialiasingGivesGrey)
{
    Zel::GlyphPlacement glyph;
    TTFont plain;
    ASSERT_TRUE(plain.Init(nullptr, "DejaVu Sans", 20, 0));
    ASSERT_TRUE(plain.GetGlyph('o', glyph));
    EXPECT_FALSE(HasFullRow(plain, glyph));
    for (uint8_t style : {TTFont::StyleUnderline, TTFont::StyleStrikeOut}) {
        TTFont lined;
        ASSERT_TRUE(lined.Init(nullptr, "DejaVu Sans", 20, style));
        ASSERT_TRUE(lined.GetGlyph('o', glyph));
        EXPECT_EQ(glyph.a, 0);
        EXPECT_EQ(glyph.c, 0);
        EXPECT_TRUE(HasFullRow(lined, glyph)) << int(style);
    }
    TTFont smooth;
    ASSERT_TRUE(smooth.Init(nullptr, "DejaVu Sans", 20, TTFont::StyleAntialiased));
    ASSERT_TRUE(smooth.GetGlyph('o', glyph));
    int grey = 0;
    for (size_t i = 0; i < smooth.Atlas()->Pixels().size(); i += 4) {
        const uint8_t value = smooth.Atlas()->Pixels()[i];
        grey += (value > 0 && value < 255) ? 1 : 0;
    }
    EXPECT_GT(grey, 4);
}

TEST_F(DejaVu, TextGolden)
{
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "DejaVu Sans", 16, 0));
    Zel::Bitmap image;
    ASSERT_TRUE(image.Allocate(220, 44));
    image.FillColour(0xFF203040);
    const std::vector<uint32_t> line1 = Codes(U"Korvel: Hamburg \u2013 K\u00f6ln 17:45");
    const std::vector<uint32_t> line2 = Codes(U"\u00c5\u00df\u20ac \u03a9\u0436 \u2019quoted\u2019 \u4e2d?");
    Zel::DrawGlyphRun(image, font, 4, 2, line1.data(), line1.size(), 0xFFFFFFFF);
    Zel::DrawGlyphRun(image, font, -3, 22, line2.data(), line2.size(), 0xC0FFD040);
    EXPECT_TRUE(KorvelTest::MatchesGolden(image, KORVEL_ZEL_GOLDEN_DIR, "text_dejavu_16"));
    // The pen ends where measuring says the text ends, plus the last right
    // bearing.
    TTFont measured;
    ASSERT_TRUE(measured.Init(nullptr, "DejaVu Sans", 16, 0));
    const std::string utf8 = "Korvel: Hamburg \xE2\x80\x93 K\xC3\xB6ln 17:45";
    EXPECT_EQ(Zel::DrawGlyphRun(image, measured, 0, 0, line1.data(), line1.size(), 0) - measured.FindGlyph('5')->c,
              measured.MeasureText(utf8));
}

TEST(FontMatching, FontconfigAlwaysFindsAFace)
{
    Zel::FontRequest request;
    std::string file;
    int index = -1;
    request.face = "no such face at all";
    EXPECT_TRUE(Zel::FreeTypeFontBackend::MatchFace(request, file, index));
    EXPECT_FALSE(file.empty());
    request.face.clear();
    EXPECT_TRUE(Zel::FreeTypeFontBackend::MatchFace(request, file, index));
    if (Exists(DejaVuSans)) {
        request.face = "DejaVu Sans";
        ASSERT_TRUE(Zel::FreeTypeFontBackend::MatchFace(request, file, index));
        EXPECT_NE(file.find("DejaVuSans"), std::string::npos) << file;
        request.weight = 700;
        ASSERT_TRUE(Zel::FreeTypeFontBackend::MatchFace(request, file, index));
        EXPECT_NE(file.find("Bold"), std::string::npos) << file;
    }
    // Through the process's backend: an unknown face still makes a font.
    Zel::BindFontBackend(nullptr);
    TTFont font;
    EXPECT_TRUE(font.Init(nullptr, "swiss", 12, 0));
    EXPECT_EQ(font.CellHeight(), 12);
}

}  // namespace
