// TTFont: a TrueType font with its glyph atlas, ABC metrics and Unicode ranges, measuring and blending text into bitmaps.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "zel/bitmap.h"
#include "zel/font_backend.h"

namespace Zel {

class RenderKernel;

struct GlyphRange {
    int32_t firstGlyph;
    uint32_t firstCode;
    uint32_t lastCode;  // inclusive
};

// One cell of the atlas, linked in the cell list (least-used end first).
struct GlyphCell {
    int32_t next = 0;
    int32_t previous = 0;
    uint32_t code = 0;  // 0: free
    const FontAbcWidth* metrics = nullptr;
    uint32_t useCount = 0;
    int32_t x = 0;
    int32_t y = 0;
};

// Where GetGlyph found a glyph and how the pen moves around it.
struct GlyphPlacement {
    float u = 0, v = 0, w = 0, h = 0;  // texture origin and size
    int32_t a = 0;
    int32_t width = 0;
    int32_t c = 0;
};

class TTFont {
public:
    enum Style : uint8_t {
        StyleBold = 0x01,
        StyleUnderline = 0x02,
        StyleItalic = 0x04,
        StyleStrikeOut = 0x20,
        StyleShadow = 0x40,
        StyleAntialiased = 0x80,
        StyleLined = StyleUnderline | StyleStrikeOut,
    };
    static constexpr int32_t MinAtlasSize = 64;
    static constexpr int32_t MaxAtlasSize = 512;
    static constexpr int32_t WantedCells = 64;

    explicit TTFont(RenderKernel* kernel = nullptr) : kernel_(kernel) {}
    ~TTFont() { Release(); }
    TTFont(const TTFont&) = delete;
    TTFont& operator=(const TTFont&) = delete;

    // Makes the font through the bound backend; false (logged) on failure.
    bool Init(const char* charsetName, const char* faceName, int32_t height, uint8_t style);
    void Release();
    bool EnsureDC();
    void ReleaseDC();

    // The glyph index of a code, or fallback when no range holds it.
    int32_t GlyphIndex(uint32_t code, int32_t fallback) const;
    // The widths of the code's glyph, else of the default glyph; null
    // without metrics.
    const FontAbcWidth* FindGlyph(uint32_t code) const;
    // Width in pixels of a UTF-8 text, without trailing white space and
    // without the right bearing of the last glyph.
    int32_t MeasureText(std::string_view text) const;
    // False when the code has no metrics or the atlas has no room for it.
    bool GetGlyph(uint32_t code, GlyphPlacement& out);
    // Blends an atlas region into the target at point (x, y) in colour
    // (0xAARRGGBB); nothing is written outside the target. False without an
    // atlas.
    bool BlitGlyph(Bitmap& target, float u, float v, float w, float h, uint32_t colour, int32_t x, int32_t y) const;

    int32_t CellHeight() const { return cellHeight_; }
    int32_t CellWidth() const { return cellWidth_; }
    int32_t Ascent() const { return ascent_; }
    int32_t AtlasSize() const { return atlasSize_; }
    int32_t CellsPerRow() const { return cellsPerRow_; }
    int32_t CellRows() const { return cellRows_; }
    int32_t SpaceAdvance() const { return spaceAdvance_; }
    int32_t DefaultGlyph() const { return defaultGlyph_; }
    uint8_t StyleFlags() const { return style_; }
    bool Changed() const { return changed_; }
    const std::vector<GlyphRange>& Ranges() const { return ranges_; }
    const std::vector<GlyphCell>& Cells() const { return cells_; }
    // Cell indexes from the least-used end to the most-used.
    std::vector<int32_t> CellOrder() const;
    const Bitmap* Atlas() const { return atlas_.get(); }

private:
    bool CreateBackendFont(const char* faceName, int32_t height, int32_t charset);
    bool ReadRangesAndWidths(const char* faceName, const uint32_t unicodeBits[4]);
    void SizeAtlas();
    void MakeCells();
    void BuildMeasureTables();
    uint32_t DrawnCode(uint32_t code) const;
    int64_t AsciiRunAdvance(const uint8_t* bytes, size_t begin, size_t end) const;
    int64_t AsciiRunTail(const uint8_t* bytes, size_t begin, size_t end, int64_t tail) const;
    int32_t TakeCell(uint32_t code, const FontAbcWidth* metrics);
    void FinishCell(const GlyphCell& cell, uint32_t b);
    void Promote(int32_t index);
    void Unlink(int32_t index);
    void InsertBefore(int32_t index, int32_t before);
    int32_t Advance(const FontAbcWidth& width) const { return width.a + int32_t(width.b) + width.c; }

    std::unique_ptr<BackendFont> font_;
    std::unique_ptr<Bitmap> atlas_;
    bool changed_ = false;
    int32_t cellHeight_ = 0;
    int32_t ascent_ = 0;
    int32_t cellWidth_ = 0;
    int32_t atlasSize_ = 0;
    int32_t spaceAdvance_ = 0;
    float reciprocal_ = 0;
    int32_t cellsPerRow_ = 0;
    int32_t cellRows_ = 0;
    uint8_t style_ = 0;
    int32_t shadow_ = 0;
    std::vector<FontAbcWidth> widths_;
    std::map<uint32_t, int32_t> glyphMap_;
    std::vector<GlyphCell> cells_;
    int32_t head_ = -1;
    RenderKernel* kernel_ = nullptr;
    std::vector<GlyphRange> ranges_;
    int32_t defaultGlyph_ = 0;

    // MeasureText's one-byte characters: the sum grows by the advance; a
    // glyph (keep 0) makes the trailing part its C (set), white space and
    // controls (keep -1) add set to it.
    int32_t byteAdvance_[128] = {};
    int32_t byteTailKeep_[128] = {};
    int32_t byteTailSet_[128] = {};
};

// Wide white space as the C library's wide test has it in a UTF-8 locale,
// fixed here so the result does not follow the process locale.
bool IsWideSpace(uint32_t code);

}  // namespace Zel
