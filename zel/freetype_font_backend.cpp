// FreeTypeFontBackend: face matching through fontconfig, cell-height scaling, hinted ABC widths and one-glyph drawing.
#include "zel/freetype_font_backend.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "zel/bitmap.h"
#include "zel/glyph_range_table.h"

namespace Zel {

struct FreeTypeFontBackend::Library {
    FT_Library library = nullptr;
    ~Library()
    {
        if (library != nullptr)
            FT_Done_FreeType(library);
    }
};

namespace {

using LibraryHandle = std::shared_ptr<FreeTypeFontBackend::Library>;

int64_t RoundDiv(double value)
{
    return int64_t(std::floor(value + 0.5));
}

class FreeTypeFont final : public BackendFont {
public:
    FreeTypeFont(LibraryHandle library, FT_Face face, bool mono, bool underline, bool strikeOut)
        : library_(std::move(library)), face_(face), mono_(mono), underline_(underline), strikeOut_(strikeOut)
    {}
    ~FreeTypeFont() override { FT_Done_Face(face_); }

    bool Scale(int32_t height);
    bool GetTextMetrics(FontTextMetrics& out) override
    {
        out = metrics_;
        return true;
    }
    FontCharsetInfo GetCharsetInfo(uint32_t unicodeBits[4]) override;
    bool GetAbcWidths(uint32_t first, uint32_t last, FontAbcWidth* out) override;
    bool OpenDrawing() override
    {
        drawing_ = true;
        return true;
    }
    void CloseDrawing() override { drawing_ = false; }
    bool IsDrawingOpen() const override { return drawing_; }
    bool DrawGlyph(Bitmap& atlas, int32_t x, int32_t y, uint32_t code, int32_t clipLeft, int32_t clipTop,
                   int32_t clipRight, int32_t clipBottom) override;

private:
    FT_UInt GlyphOf(uint32_t code) const;
    FT_Int32 LoadFlags() const { return FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL); }
    void DrawLine(Bitmap& atlas, int32_t x, int32_t right, int32_t top, int32_t thickness, int32_t clipLeft,
                  int32_t clipTop, int32_t clipRight, int32_t clipBottom) const;

    LibraryHandle library_;
    FT_Face face_;
    bool mono_;
    bool underline_;
    bool strikeOut_;
    bool symbol_ = false;
    bool drawing_ = false;
    double scale_ = 0;  // pixels per font unit
    FontTextMetrics metrics_;
    // Widths by glyph index: codes without a glyph all share glyph 0, and a
    // wide range of such codes must not load it again each time.
    std::vector<FontAbcWidth> widthOfGlyph_;
    std::vector<bool> widthKnown_;
};

// The design cell: Windows ascent and descent from OS/2, else hhea's.
void CellUnits(FT_Face face, int64_t& ascent, int64_t& descent)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && (os2->usWinAscent != 0 || os2->usWinDescent != 0)) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
        return;
    }
    ascent = face->ascender;
    descent = -int64_t(face->descender);
}

bool FreeTypeFont::Scale(int32_t height)
{
    int64_t ascentUnits = 0;
    int64_t descentUnits = 0;
    CellUnits(face_, ascentUnits, descentUnits);
    const int64_t cellUnits = std::max<int64_t>(ascentUnits + descentUnits, 1);
    const int64_t unitsPerEm = std::max<int64_t>(face_->units_per_EM, 1);
    if (height == 0)
        height = 16;
    // A positive height is the cell (ascent + descent), a negative one the
    // em, as a platform font request has it.
    int64_t cellHeight = height;
    if (height > 0) {
        scale_ = double(height) / double(cellUnits);
    } else {
        scale_ = double(-int64_t(height)) / double(unitsPerEm);
        cellHeight = RoundDiv(double(cellUnits) * scale_);
    }
    const int64_t ppem = std::max<int64_t>(RoundDiv(double(unitsPerEm) * scale_), 1);
    if (cellHeight > FreeTypeFontBackend::MaxHeight || ppem > FreeTypeFontBackend::MaxHeight)
        return false;
    if (FT_Set_Pixel_Sizes(face_, 0, FT_UInt(ppem)) != 0)
        return false;
    metrics_.height = int32_t(cellHeight);
    metrics_.ascent = int32_t(RoundDiv(double(ascentUnits) * scale_));
    metrics_.descent = metrics_.height - metrics_.ascent;
    widthOfGlyph_.assign(size_t(std::max<FT_Long>(face_->num_glyphs, 1)), FontAbcWidth{});
    widthKnown_.assign(widthOfGlyph_.size(), false);
    return true;
}

FontCharsetInfo FreeTypeFont::GetCharsetInfo(uint32_t unicodeBits[4])
{
    if (FT_Select_Charmap(face_, FT_ENCODING_UNICODE) != 0) {
        if (FT_Select_Charmap(face_, FT_ENCODING_MS_SYMBOL) != 0)
            return CharsetFailed;
        symbol_ = true;
    }
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        unicodeBits[0] = uint32_t(os2->ulUnicodeRange1);
        unicodeBits[1] = uint32_t(os2->ulUnicodeRange2);
        unicodeBits[2] = uint32_t(os2->ulUnicodeRange3);
        unicodeBits[3] = uint32_t(os2->ulUnicodeRange4);
    }
    if ((unicodeBits[0] | unicodeBits[1] | unicodeBits[2] | unicodeBits[3]) == 0) {
        // No signature: a row counts when the character map holds a few of
        // its codes.
        size_t count = 0;
        const UnicodeRangeRow* rows = UnicodeRangeRows(&count);
        for (size_t i = 0; i < count; ++i) {
            const UnicodeRangeRow& row = rows[i];
            const uint32_t probes[3] = {row.first, row.first + (row.last - row.first) / 2, row.last};
            for (uint32_t code : probes) {
                if (GlyphOf(code) != 0) {
                    unicodeBits[row.bit / 32] |= 1u << (row.bit % 32);
                    break;
                }
            }
        }
    }
    return symbol_ ? CharsetSymbol : CharsetUnicode;
}

FT_UInt FreeTypeFont::GlyphOf(uint32_t code) const
{
    FT_UInt glyph = FT_Get_Char_Index(face_, code);
    // Symbol fonts map their characters at U+F000 up.
    if (glyph == 0 && symbol_ && code < 0x100)
        glyph = FT_Get_Char_Index(face_, 0xF000 + code);
    return glyph;
}

bool FreeTypeFont::GetAbcWidths(uint32_t first, uint32_t last, FontAbcWidth* out)
{
    if (last < first)
        return false;
    for (uint32_t code = first;; ++code) {
        const FT_UInt glyph = GlyphOf(code);
        if (glyph >= widthOfGlyph_.size())
            return false;
        if (!widthKnown_[glyph]) {
            if (FT_Load_Glyph(face_, glyph, LoadFlags()) != 0)
                return false;
            const FT_Glyph_Metrics& metrics = face_->glyph->metrics;
            FontAbcWidth width;
            const int64_t advance = (int64_t(face_->glyph->advance.x) + 32) >> 6;
            if (metrics.width > 0 && face_->glyph->outline.n_points > 0) {
                const int64_t left = int64_t(std::floor(double(metrics.horiBearingX) / 64.0));
                const int64_t right = int64_t(std::ceil(double(metrics.horiBearingX + metrics.width) / 64.0));
                width.a = int32_t(left);
                width.b = uint32_t(std::max<int64_t>(right - left, 0));
                width.c = int32_t(advance - left - int64_t(width.b));
            } else {
                width.c = int32_t(advance);
            }
            widthOfGlyph_[glyph] = width;
            widthKnown_[glyph] = true;
        }
        *out++ = widthOfGlyph_[glyph];
        if (code == last)
            break;
    }
    return true;
}

void FreeTypeFont::DrawLine(Bitmap& atlas, int32_t x, int32_t right, int32_t top, int32_t thickness, int32_t clipLeft,
                            int32_t clipTop, int32_t clipRight, int32_t clipBottom) const
{
    for (int32_t row = std::max(top, clipTop); row < std::min(top + thickness, clipBottom); ++row) {
        for (int32_t column = std::max(x, clipLeft); column < std::min(right, clipRight); ++column) {
            uint8_t* pixel = atlas.Pixel(column, row);
            pixel[0] = pixel[1] = pixel[2] = 0xFF;
        }
    }
}

bool FreeTypeFont::DrawGlyph(Bitmap& atlas, int32_t x, int32_t y, uint32_t code, int32_t clipLeft, int32_t clipTop,
                             int32_t clipRight, int32_t clipBottom)
{
    clipLeft = std::max(clipLeft, 0);
    clipTop = std::max(clipTop, 0);
    clipRight = std::min(clipRight, atlas.Width());
    clipBottom = std::min(clipBottom, atlas.Height());
    if (FT_Load_Glyph(face_, GlyphOf(code), LoadFlags()) != 0)
        return false;
    FT_GlyphSlot slot = face_->glyph;
    if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int64_t left = int64_t(x) + slot->bitmap_left;
    const int64_t top = int64_t(y) + metrics_.ascent - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int64_t targetY = top + row;
        if (targetY < clipTop || targetY >= clipBottom)
            continue;
        const uint8_t* source = bitmap.buffer + int64_t(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int64_t targetX = left + column;
            if (targetX < clipLeft || targetX >= clipRight)
                continue;
            uint8_t value;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                value = ((source[column / 8] >> (7 - column % 8)) & 1) ? 0xFF : 0;
            else
                value = source[column];
            if (value == 0)
                continue;
            uint8_t* pixel = atlas.Pixel(int32_t(targetX), int32_t(targetY));
            pixel[0] = pixel[1] = pixel[2] = value;
            pixel[3] = 0;
        }
    }
    // Lines run the whole advance from the post and OS/2 metrics.
    const int32_t right = x + int32_t((slot->advance.x + 32) >> 6);
    const int32_t baseline = y + metrics_.ascent;
    if (underline_) {
        const int32_t thickness = std::max<int32_t>(int32_t(RoundDiv(face_->underline_thickness * scale_)), 1);
        const int32_t position = int32_t(RoundDiv(-face_->underline_position * scale_));
        DrawLine(atlas, x, right, baseline + position, thickness, clipLeft, clipTop, clipRight, clipBottom);
    }
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (strikeOut_ && os2 != nullptr && os2->version != 0xFFFF) {
        const int32_t thickness = std::max<int32_t>(int32_t(RoundDiv(os2->yStrikeoutSize * scale_)), 1);
        const int32_t position = int32_t(RoundDiv(os2->yStrikeoutPosition * scale_));
        DrawLine(atlas, x, right, baseline - position, thickness, clipLeft, clipTop, clipRight, clipBottom);
    }
    return true;
}

std::mutex& FontconfigLock()
{
    static std::mutex lock;
    return lock;
}

// A configuration of our own, destroyed at exit: the library's default one
// is never freed.
struct FontconfigConfig {
    FcConfig* config = FcInitLoadConfigAndFonts();
    ~FontconfigConfig()
    {
        if (config != nullptr)
            FcConfigDestroy(config);
    }
};

FcConfig* Fontconfig()
{
    static FontconfigConfig holder;
    return holder.config;
}

}  // namespace

FreeTypeFontBackend::FreeTypeFontBackend(std::string pinnedFile)
    : library_(std::make_shared<Library>()), pinnedFile_(std::move(pinnedFile))
{}

FreeTypeFontBackend::~FreeTypeFontBackend() = default;

bool FreeTypeFontBackend::MatchFace(const FontRequest& request, std::string& file, int& faceIndex)
{
    std::lock_guard<std::mutex> guard(FontconfigLock());
    FcConfig* config = Fontconfig();
    FcPattern* pattern = config != nullptr ? FcPatternCreate() : nullptr;
    if (pattern == nullptr)
        return false;
    // The face is a family name, not fontconfig's name syntax: a script's
    // "Arial-12" must not turn into a size.
    if (!request.face.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.face.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return false;
    FcChar8* path = nullptr;
    int index = 0;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr;
    if (found) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        faceIndex = index;
    }
    FcPatternDestroy(match);
    return found;
}

std::unique_ptr<BackendFont> FreeTypeFontBackend::CreateFont(const FontRequest& request)
{
    if (request.height > MaxHeight || request.height < -MaxHeight)
        return nullptr;
    std::string file = pinnedFile_;
    int faceIndex = 0;
    if (file.empty() && !MatchFace(request, file, faceIndex))
        return nullptr;
    if (library_->library == nullptr && FT_Init_FreeType(&library_->library) != 0) {
        library_->library = nullptr;
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library_->library, file.c_str(), faceIndex, &face) != 0)
        return nullptr;
    if (!FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        return nullptr;
    }
    auto font =
        std::make_unique<FreeTypeFont>(library_, face, request.quality != 4, request.underline, request.strikeOut);
    if (!font->Scale(request.height))
        return nullptr;
    return font;
}

}  // namespace Zel
