// TrueType fonts over a made-up backend: ranges, atlas geometry, the cell list, measuring, glyph cells and blending.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "support/fake_font_backend.h"
#include "zel/font_cache.h"
#include "zel/glyph_range_table.h"
#include "zel/log.h"
#include "zel/tt_font.h"

namespace {

using KorvelTest::FakeFontBackend;
using Zel::TTFont;

// Every log line written while it lives.
class LogLines {
public:
    LogLines() : file_(std::tmpfile()) { Zel::Log::SetOutput(file_); }
    ~LogLines()
    {
        Zel::Log::SetOutput(nullptr);
        std::fclose(file_);
    }
    std::vector<std::string> Taken() const
    {
        std::fflush(file_);
        std::rewind(file_);
        std::vector<std::string> lines;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, file_) != nullptr) {
            std::string line(buffer);
            if (!line.empty() && line.back() == '\n')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

private:
    FILE* file_;
};

class FakeFont : public ::testing::Test {
protected:
    FakeFontBackend backend;
    KorvelTest::ScopedFontBackend bound{&backend};
};

uint32_t AtlasWord(const TTFont& font, int32_t x, int32_t y)
{
    const uint8_t* p = font.Atlas()->Pixels().data() + (size_t(y) * size_t(font.AtlasSize()) + size_t(x)) * 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

TEST(UnicodeRanges, RowsAscendAndSkipControlsAndUnassignedBits)
{
    size_t count = 0;
    const Zel::UnicodeRangeRow* rows = Zel::UnicodeRangeRows(&count);
    ASSERT_EQ(count, 84u);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_LE(rows[i].first, rows[i].last);
        EXPECT_LT(rows[i].bit, 128u);
        if (i > 0) {
            EXPECT_GT(rows[i].first, rows[i - 1].last) << i;
        }
        for (uint32_t bit : {8u, 12u, 14u, 27u, 58u})
            EXPECT_NE(rows[i].bit, bit);
    }
    EXPECT_EQ(rows[0].first, 0x20u);
    EXPECT_EQ(rows[0].last, 0x7Eu);
    EXPECT_EQ(rows[count - 1].first, 0xFFF0u);
    EXPECT_EQ(rows[count - 1].last, 0xFFFDu);
}

TEST(UnicodeRanges, CharsetNamesIgnoreCaseAndUnknownKeepsTheFallback)
{
    const struct {
        const char* name;
        int32_t value;
    } cases[] = {{"ansi", 0},  {"SYMBOL", 2}, {"ShiftJis", 128}, {"thai", 222},
                 {"oem", 255}, {"mac", 77},   {"klingon", 1},    {"", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(Zel::CharsetValueOf(c.name, 1), c.value) << c.name;
    EXPECT_EQ(Zel::CharsetValueOf(nullptr, 1), 1);
}

TEST_F(FakeFont, RangesNumberGlyphsWithoutGapsAndIndexFallsBack)
{
    backend.unicodeBits[1] = 1u << (59 - 32);  // the CJK rows share bit 59
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "face", 12, 0));
    const std::vector<Zel::GlyphRange>& ranges = font.Ranges();
    ASSERT_EQ(ranges.size(), 7u);  // 2 Latin rows and 5 of bit 59
    int32_t next = 0;
    for (const Zel::GlyphRange& range : ranges) {
        EXPECT_EQ(range.firstGlyph, next);
        next += int32_t(range.lastCode - range.firstCode + 1);
    }
    const struct {
        uint32_t code;
        int32_t index;
    } cases[] = {
        {0x20, 0},           {0x7E, 0x5E},         {0xA0, 0x5F},
        {0xFF, 0x5F + 0x5F}, {0x2013, '-' - 0x20}, {0x1F, -1},
        {0x7F, -1},          {0x9F, -1},           {0x100, -1},
        {0x10000, -1},       {0x1F600, -1},        {0x4E00, 95 + 96 + 128 + 224 + 16 + 6592},
        {0xFFFF, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(font.GlyphIndex(c.code, -1), c.index) << std::hex << c.code;
}

TEST_F(FakeFont, CharsetRetryLogsAndTheCacheKeepsOnlyFontsThatWereMade)
{
    LogLines log;
    backend.failCreates = 1;
    TTFont font;
    EXPECT_TRUE(font.Init("Symbol", "face", 12, 0));
    EXPECT_EQ(backend.stats.charsetsAsked, (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(log.Taken(), (std::vector<std::string>{"TTFont::Init> 'face' CreateFontW failed",
                                                     "TTFont::Init> 'face' retrying with DEFAULT_CHARSET"}));

    Zel::FontCacheEntry key;
    key.size = 12;
    key.face = "face";
    backend.failCreates = 1;
    EXPECT_EQ(Zel::FontCache::GetFont(key), nullptr);
    EXPECT_EQ(log.Taken().back(), "TTFont::Init> 'face' failed retry");
    EXPECT_EQ(Zel::FontCache::Count(), 0u);
    TTFont* made = Zel::FontCache::GetFont(key);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(Zel::FontCache::GetFont(key), made);
    key.face = "Face";  // interned names: case counts
    EXPECT_NE(Zel::FontCache::GetFont(key), made);
    key.face = "face";
    key.bold = 1;
    TTFont* bold = Zel::FontCache::GetFont(key);
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->StyleFlags(), TTFont::StyleBold);
    EXPECT_EQ(Zel::FontCache::Count(), 3u);
}

TEST_F(FakeFont, InitFailuresAreLoggedAndLeaveNothing)
{
    LogLines log;
    TTFont font;
    backend.failMetrics = true;
    EXPECT_FALSE(font.Init(nullptr, "a", 12, 0));
    backend.failMetrics = false;
    backend.charsetInfo = Zel::CharsetFailed;
    EXPECT_FALSE(font.Init(nullptr, "b", 12, 0));
    backend.charsetInfo = Zel::CharsetUnicode;
    backend.failWidthsOfRange = 1;
    EXPECT_FALSE(font.Init(nullptr, "", 12, 0));
    EXPECT_EQ(log.Taken(),
              (std::vector<std::string>{"TTFont::Init> 'a' GetTextMetricsW failed", "TTFont::Init> 'b' DEFAULT_CHARSET",
                                        "TTFont::Init> '' Unable to get char widths for range 1"}));
    EXPECT_TRUE(font.Ranges().empty());
    EXPECT_EQ(font.Atlas(), nullptr);
    // An empty face asks for the default face.
    EXPECT_EQ(backend.stats.facesAsked.back(), "");
}

TEST_F(FakeFont, AtlasIsTheSmallestPowerOfTwoHolding64Cells)
{
    const struct {
        int32_t height;
        uint32_t widest;
        uint8_t style;
        int32_t size, cellWidth, perRow, rows;
    } cases[] = {
        {12, 7, 0, 128, 8, 16, 9},                       // 64: 4 x 8 cells
        {6, 7, 0, 64, 8, 8, 9},                          // 8 x 9 fit at once
        {12, 7, TTFont::StyleUnderline, 128, 9, 14, 9},  // lined: one more column
        {12, 7, TTFont::StyleShadow, 128, 9, 14, 9},     // shadow: a column and a row
        {40, 30, 0, 512, 31, 16, 12},                    // needs the largest atlas
        {100, 90, 0, 512, 91, 5, 5},                     // fewer than 64 at 512
        {600, 500, 0, 512, 501, 1, 0},                   // no cell at all
    };
    backend.unicodeBits[0] = 0x1;
    for (const auto& c : cases) {
        backend.widths.clear();
        backend.widths['W'] = {0, c.widest, 0};
        for (uint32_t code = 0x21; code < 0x7F; ++code) {
            if (code != 'W')
                backend.widths[code] = {0, 1, 0};
        }
        TTFont font;
        ASSERT_TRUE(font.Init(nullptr, "f", c.height, c.style));
        EXPECT_EQ(font.AtlasSize(), c.size) << c.height;
        EXPECT_EQ(font.CellWidth(), c.cellWidth) << c.height;
        EXPECT_EQ(font.CellsPerRow(), c.perRow) << c.height;
        EXPECT_EQ(font.CellRows(), c.rows) << c.height;
        const int32_t cellHeight = c.height + ((c.style & TTFont::StyleShadow) ? 1 : 0);
        EXPECT_EQ(font.CellHeight(), cellHeight);
        ASSERT_EQ(font.Cells().size(), size_t(c.perRow * c.rows));
        for (size_t j = 0; j < font.Cells().size(); ++j) {
            EXPECT_EQ(font.Cells()[j].x, c.cellWidth * int32_t(j % size_t(c.perRow)));
            EXPECT_EQ(font.Cells()[j].y, int32_t(j / size_t(c.perRow)) * (cellHeight + 1));
        }
    }
}

TEST_F(FakeFont, MeasuringSkipsTrailingSpaceAndTheLastRightBearing)
{
    backend.widths['a'] = {1, 5, 2};
    backend.widths['b'] = {2, 4, 3};
    backend.widths['?'] = {0, 6, 1};
    backend.widths['-'] = {1, 3, 1};
    backend.widths['\''] = {1, 1, 1};
    backend.unicodeBits[0] |= 1u << 31;  // 2000-206F: the dashes and quotes
    backend.widths[0x2019] = {2, 2, 2};
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    EXPECT_EQ(font.SpaceAdvance(), 4);
    const struct {
        std::string text;
        int32_t width;
    } cases[] = {
        {"", 0},
        {"a", 6},
        {"ab  ", 8 + 9 - 3},
        {"a\tb", 8 + 4 + 9 - 3},
        {"\t", 0},
        {"a\nb", 8 + 9 - 3},              // controls are skipped
        {"\xE2\x80\x93", 5 - 1},          // en dash: the glyph of "-"
        {"\xE2\x80\x99", 6 - 2},          // its own glyph when measured
        {"\xC4\x80", 7 - 1},              // U+0100: no range, "?"
        {"\xF0\x9F\x98\x80", 7 - 1},      // U+1F600: beyond 16 bits
        {"\xF8\x88\x80\x80\x80", 7 - 1},  // five bytes: nothing valid
        {"a\xE2\x80", 8 - 2},             // cut short: the measuring ends
        {"a\xFC", 8 - 2},
        {"\x80", 7 - 1},                     // a lone continuation byte: U+0080, no row
        {"a\xE3\x80\x80", 8 + 4 - (2 + 4)},  // U+3000 is white space
    };
    for (const auto& c : cases)
        EXPECT_EQ(font.MeasureText(c.text), c.width) << c.text;
}

// Measuring one character at a time by the rules, for the property below.
int32_t MeasureByCharacters(const TTFont& font, const std::string& text)
{
    int64_t sum = 0, tail = 0;
    for (size_t i = 0; i < text.size();) {
        const auto lead = uint8_t(text[i]);
        const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 5;
        if (length > text.size() - i)
            break;
        uint32_t code = lead;
        if (length == 2)
            code = (uint32_t(lead & 0x1F) << 6) | (uint8_t(text[i + 1]) & 0x3F);
        if (length == 3)
            code = (uint32_t(lead & 0x0F) << 12) | (uint32_t(uint8_t(text[i + 1]) & 0x3F) << 6) |
                   (uint8_t(text[i + 2]) & 0x3F);
        i += length;
        if (code < 0x20 && code != '\t')
            continue;
        if (Zel::IsWideSpace(code)) {
            sum += font.SpaceAdvance();
            tail += font.SpaceAdvance();
        } else if (const Zel::FontAbcWidth* width = font.FindGlyph(code)) {
            sum += width->a + int64_t(width->b) + width->c;
            tail = width->c;
        }
    }
    return int32_t(sum - tail);
}

TEST_F(FakeFont, MeasuringLongMixedTextsAgreesWithMeasuringCharacterByCharacter)
{
    for (uint32_t code = 0x21; code < 0x7F; ++code)
        backend.widths[code] = {int32_t(code % 3) - 1, code % 7, int32_t(code % 4) - 2};
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    const char* pieces[] = {"a",   "Wq",       " ",    "\t",  "\n", "\x01", "\xC3\xA9", "\xE3\x80\x80", "\xE2\x80\x93",
                            "x  ", "\xC4\x80", "\x7F", "\xA0"};
    uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const size_t pieceCount = round == 0 ? 400000 : size_t(round % 40);
        for (size_t k = 0; k < pieceCount; ++k) {
            seed = seed * 1664525u + 1013904223u;
            text += pieces[(seed >> 16) % std::size(pieces)];
        }
        if (round % 7 == 3)
            text += "\xE2\x80";  // cut short at the end
        ASSERT_EQ(font.MeasureText(text), MeasureByCharacters(font, text)) << round;
    }
}

TEST_F(FakeFont, WithoutQuestionMarkTheDefaultIsGlyphZero)
{
    backend.unicodeBits[0] = 0x2;  // only 00A0-00FF: no "?" and no space
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    EXPECT_EQ(font.DefaultGlyph(), 0);
    EXPECT_EQ(font.SpaceAdvance(), 10);
    const Zel::FontAbcWidth* width = font.FindGlyph('x');
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width, font.FindGlyph(0xA0));
    EXPECT_EQ(font.MeasureText("x "), 0);  // "x" is all right bearing
}

TEST_F(FakeFont, GlyphCellsAreDrawnOnceAndPlacedByTheirCell)
{
    backend.widths['A'] = {2, 5, 1};
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    Zel::GlyphPlacement glyph;
    ASSERT_TRUE(font.GetGlyph('A', glyph));
    EXPECT_EQ(glyph.a, 2);
    EXPECT_EQ(glyph.width, 5);
    EXPECT_EQ(glyph.c, 1);
    const float unit = 1.0f / float(font.AtlasSize());
    EXPECT_FLOAT_EQ(glyph.u, 0);
    EXPECT_FLOAT_EQ(glyph.w, 5 * unit);
    EXPECT_FLOAT_EQ(glyph.h, 12 * unit);
    ASSERT_TRUE(font.GetGlyph('A', glyph));
    ASSERT_TRUE(font.GetGlyph('B', glyph));
    EXPECT_FLOAT_EQ(glyph.u, float(font.CellWidth()) * unit);
    EXPECT_EQ(backend.stats.drawn, (std::vector<uint32_t>{'A', 'B'}));
    // Mono ink becomes opaque white; the rest of the box white with no alpha.
    EXPECT_EQ(AtlasWord(font, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(AtlasWord(font, 0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(AtlasWord(font, 4, 10), 0xFFFFFFFFu);
    EXPECT_EQ(AtlasWord(font, 4, 11), 0x00FFFFFFu);
    EXPECT_EQ(AtlasWord(font, 5, 5), 0u);  // right of the ink: untouched

    // White space and controls take no cell; U+2019 is drawn as "'".
    ASSERT_TRUE(font.GetGlyph(' ', glyph));
    EXPECT_EQ(glyph.width, 4);
    EXPECT_FLOAT_EQ(glyph.w, 0);
    ASSERT_TRUE(font.GetGlyph(0x01, glyph));
    EXPECT_EQ(glyph.width, 0);
    backend.unicodeBits[0] |= 1u << 31;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    backend.stats.drawn.clear();
    ASSERT_TRUE(font.GetGlyph(0x2019, glyph));
    ASSERT_TRUE(font.GetGlyph(0x2013, glyph));  // drawn with the metrics it is measured by
    ASSERT_TRUE(font.GetGlyph(0x4E2D, glyph));
    EXPECT_EQ(backend.stats.drawn, (std::vector<uint32_t>{'\'', '-', '?'}));
    font.ReleaseDC();
    EXPECT_EQ(backend.stats.drawingOpened, backend.stats.drawingClosed);
}

TEST_F(FakeFont, AGlyphStartingLeftOfItsCellKeepsTheNeighboursInk)
{
    backend.widths['A'] = {0, 7, 0};
    backend.widths['j'] = {6, 2, -4};  // drawn from 6 pixels left of its cell
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    Zel::GlyphPlacement glyph;
    ASSERT_TRUE(font.GetGlyph('A', glyph));
    const int32_t lastInkColumn = 6;
    ASSERT_EQ(AtlasWord(font, lastInkColumn, 5), 0xFFFFFFFFu);
    ASSERT_TRUE(font.GetGlyph('j', glyph));
    EXPECT_EQ(AtlasWord(font, lastInkColumn, 5), 0xFFFFFFFFu);
    EXPECT_EQ(AtlasWord(font, font.CellWidth(), 5), 0xFFFFFFFFu);
}

TEST_F(FakeFont, LinedAndShadowedGlyphs)
{
    backend.widths['A'] = {1, 4, 2};
    TTFont lined;
    ASSERT_TRUE(lined.Init(nullptr, "f", 12, TTFont::StyleUnderline));
    EXPECT_EQ(lined.FindGlyph('A')->a, 0);
    EXPECT_EQ(lined.FindGlyph('A')->b, 7u);
    Zel::GlyphPlacement glyph;
    ASSERT_TRUE(lined.GetGlyph('\t', glyph));  // white space is drawn as a space glyph
    EXPECT_EQ(glyph.width, 4);
    EXPECT_GT(glyph.w, 0);

    TTFont shadowed;
    ASSERT_TRUE(shadowed.Init(nullptr, "f", 12, TTFont::StyleShadow));
    ASSERT_TRUE(shadowed.GetGlyph('A', glyph));
    EXPECT_EQ(glyph.width, 5);
    // Ink rows 1-10 at columns 0-3: the shadow falls one down and right.
    EXPECT_EQ(AtlasWord(shadowed, 4, 2), 0xFF000000u);
    EXPECT_EQ(AtlasWord(shadowed, 0, 11), 0u);
    EXPECT_EQ(AtlasWord(shadowed, 1, 11), 0xFF000000u);
}

TEST_F(FakeFont, UseCountsOrderTheCellsAndAFullAtlasRefusesNewGlyphs)
{
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    ASSERT_EQ(font.Cells().size(), 144u);
    Zel::GlyphPlacement glyph;
    ASSERT_TRUE(font.GetGlyph('A', glyph));  // cell 0, count 1
    ASSERT_TRUE(font.GetGlyph('B', glyph));  // cell 1, count 1
    ASSERT_TRUE(font.GetGlyph('A', glyph));  // count 2: after B
    std::vector<int32_t> order = font.CellOrder();
    ASSERT_EQ(order.size(), 144u);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[142], 1);
    EXPECT_EQ(order[143], 0);

    // Fill every cell; the next new character has nowhere to go.
    uint32_t code = 0x21;
    size_t drawn = 2;
    for (; drawn < 144; ++code) {
        if (code == 'A' || code == 'B' || code == 0x7F)
            continue;
        if (code > 0x7E && code < 0xA1)
            code = 0xA1;
        ASSERT_TRUE(font.GetGlyph(code, glyph)) << code;
        ++drawn;
    }
    EXPECT_FALSE(font.GetGlyph(0xFE, glyph));
    EXPECT_TRUE(font.GetGlyph('A', glyph));
    EXPECT_TRUE(font.GetGlyph(' ', glyph));
}

TEST_F(FakeFont, AFailedDrawGivesAnEmptyGlyphAndFreesTheCell)
{
    backend.failDraw = {'A'};
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 12, 0));
    Zel::GlyphPlacement glyph;
    EXPECT_TRUE(font.GetGlyph('A', glyph));
    EXPECT_EQ(glyph.width, 0);
    EXPECT_FLOAT_EQ(glyph.w, 0);
    EXPECT_EQ(font.Cells()[0].code, 0u);
    ASSERT_TRUE(font.GetGlyph('B', glyph));
    EXPECT_FLOAT_EQ(glyph.u, 0);  // the freed cell is taken again
}

TEST_F(FakeFont, AFontTooLargeForACellStillAdvancesWhiteSpace)
{
    backend.widths[' '] = {0, 0, 300};
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 1000, 0));
    EXPECT_TRUE(font.Cells().empty());
    Zel::GlyphPlacement glyph;
    EXPECT_FALSE(font.GetGlyph('A', glyph));
    EXPECT_TRUE(font.GetGlyph(' ', glyph));
    EXPECT_EQ(glyph.width, 300);
    EXPECT_EQ(font.MeasureText("A A"), 5 + 300 + 4);
}

TEST_F(FakeFont, BlitBlendsByTheFixedPointFormulaAndStaysInsideTheTarget)
{
    backend.widths['A'] = {0, 3, 0};
    TTFont font;
    ASSERT_TRUE(font.Init(nullptr, "f", 4, 0));
    Zel::GlyphPlacement glyph;
    ASSERT_TRUE(font.GetGlyph('A', glyph));
    // Cell rows: 0 white/no alpha, 1-2 opaque white ink, 3 white/no alpha.
    Zel::Bitmap target;
    ASSERT_TRUE(target.Allocate(4, 4));
    for (size_t i = 0; i < target.Pixels().size(); ++i)
        target.MutablePixels()[i] = uint8_t(100);
    const uint32_t colour = 0x80FF4000;  // alpha 128, red 255, green 64, blue 0
    ASSERT_TRUE(font.BlitGlyph(target, glyph.u, glyph.v, glyph.w, glyph.h, colour, 2, -1));
    // Ink at atlas row 1 lands on target row 0, columns 2-3 (column 4 is
    // outside).
    auto expected = [](uint32_t s, uint32_t sAlpha, uint32_t k, uint32_t kAlpha, uint32_t t) {
        const uint32_t a = sAlpha * kAlpha + 255;
        return ((((s * k + 255) * a) >> 8) + t * (65535 - a)) >> 16;
    };
    const uint8_t* pixel = target.Pixel(2, 0);
    EXPECT_EQ(pixel[0], expected(255, 255, 255, 128, 100));
    EXPECT_EQ(pixel[1], expected(255, 255, 64, 128, 100));
    EXPECT_EQ(pixel[2], expected(255, 255, 0, 128, 100));
    const uint32_t a = 255 * 128 + 255;
    EXPECT_EQ(pixel[3], (((a * a) >> 8) + 100 * (65535 - a)) >> 16);
    // A transparent atlas pixel (row 0 of the cell, above the target) and
    // white with alpha 0 (row 3, target row 2) barely touch the target.
    EXPECT_EQ(target.Pixel(2, 2)[0], expected(255, 0, 255, 128, 100));
    EXPECT_EQ(target.Pixel(0, 0)[0], 100);  // left of the point
    EXPECT_EQ(target.Pixel(1, 1)[0], 100);

    // Wholly outside, or a target without pixels: nothing, still true.
    EXPECT_TRUE(font.BlitGlyph(target, glyph.u, glyph.v, glyph.w, glyph.h, colour, -2000000000, 2000000000));
    Zel::Bitmap empty;
    EXPECT_TRUE(font.BlitGlyph(empty, glyph.u, glyph.v, glyph.w, glyph.h, colour, 0, 0));
    TTFont none;
    EXPECT_FALSE(none.BlitGlyph(target, 0, 0, 1, 1, colour, 0, 0));
}

}  // namespace
