// TrueType text: font making, measuring and glyph blending, each against the plain loop it cannot beat.
#include <ft2build.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>
#include FT_FREETYPE_H

#include "best_of.h"
#include "zel/bitmap.h"
#include "zel/font_backend.h"
#include "zel/freetype_font_backend.h"
#include "zel/tt_font.h"

namespace {

constexpr const char* LatinFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* CjkFace = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

bool Exists(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0;
}

// The peer of font making: the face opened and sized, and every covered
// code's glyph loaded hinted for mono, one after another.
double LoadGlyphsPlainly(const char* file, int32_t ppem, const std::vector<Zel::GlyphRange>& ranges)
{
    volatile long sink = 0;
    const double seconds = bench::BestOf(
        [&] {
            FT_Library library;
            FT_Init_FreeType(&library);
            FT_Face face;
            FT_New_Face(library, file, 0, &face);
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(ppem));
            for (const Zel::GlyphRange& range : ranges) {
                for (uint32_t code = range.firstCode; code <= range.lastCode; ++code) {
                    FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO);
                    sink = sink + face->glyph->advance.x;
                }
            }
            FT_Done_Face(face);
            FT_Done_FreeType(library);
        },
        3);
    return seconds;
}

void InitAgainstGlyphLoads(const char* label, const char* file, int32_t height)
{
    if (!Exists(file)) {
        std::printf("%s: skipped, %s is missing (make deps installs it)\n", label, file);
        return;
    }
    Zel::FreeTypeFontBackend backend(file);
    Zel::BindFontBackend(&backend);
    Zel::TTFont font;
    const double ours = bench::BestOf([&] { font.Init(nullptr, "", height, 0); }, 3);
    size_t codes = 0;
    for (const Zel::GlyphRange& range : font.Ranges())
        codes += range.lastCode - range.firstCode + 1;
    // The ppem the font used: the cell height over the face's design cell.
    FT_Library library;
    FT_Init_FreeType(&library);
    FT_Face face;
    FT_New_Face(library, file, 0, &face);
    const double ppem = double(face->units_per_EM) * height / double(face->ascender - face->descender);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    const double peer = LoadGlyphsPlainly(file, int32_t(ppem + 0.5), font.Ranges());
    std::printf("%s: %zu codes, TTFont::Init %.1f ms, plain glyph loads %.1f ms, ratio %.2f (goal <= 1.5)\n", label,
                codes, ours * 1e3, peer * 1e3, ours / peer);
    font.Release();
    Zel::BindFontBackend(nullptr);
}

// DejaVu Sans at a height, bound for the life of the object.
struct LatinFont {
    LatinFont(const char* label, int32_t height)
    {
        if (!Exists(LatinFace)) {
            std::printf("%s: skipped, %s is missing (make deps installs it)\n", label, LatinFace);
            return;
        }
        Zel::BindFontBackend(&backend);
        made = font.Init(nullptr, "", height, 0);
    }
    ~LatinFont()
    {
        font.Release();
        Zel::BindFontBackend(nullptr);
    }
    Zel::FreeTypeFontBackend backend{LatinFace};
    Zel::TTFont font;
    bool made = false;
};

void MeasureAgainstWidthTable()
{
    LatinFont latin("MeasureText", 16);
    if (!latin.made)
        return;
    Zel::TTFont& font = latin.font;
    // 10 MB of words, one in twenty with a two-byte letter.
    std::string text;
    const char* words[] = {"Hamburg ", "Stellwerk ", "K\xC3\xB6ln ", "signal ", "track\t", "17:45, "};
    for (size_t i = 0; text.size() < 10u << 20; ++i)
        text += words[(i * 7) % 6];
    int32_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = i % 13 + 3;
    volatile int64_t sink = 0;
    const double ours = bench::BestOf([&] { sink = sink + font.MeasureText(text); });
    const double peer = bench::BestOf([&] {
        int64_t sum = 0;
        for (unsigned char byte : text)
            sum += table[byte];
        sink = sink + sum;
    });
    std::printf("MeasureText over %.0f MB: %.2f ms, width-table byte loop %.2f ms, ratio %.2f (goal <= 3)\n",
                double(text.size()) / (1 << 20), ours * 1e3, peer * 1e3, ours / peer);
}

void BlitAgainstReadModifyWrite()
{
    LatinFont latin("BlitGlyph", 48);
    if (!latin.made)
        return;
    Zel::TTFont& font = latin.font;
    Zel::GlyphPlacement glyph;
    font.GetGlyph('M', glyph);
    Zel::Bitmap target;
    target.Allocate(4096, 4096);
    // Glyph boxes side by side over the whole target.
    const double ours = bench::BestOf([&] {
        for (int32_t y = 0; y < 4096; y += font.CellHeight()) {
            for (int32_t x = 0; x < 4096; x += glyph.width)
                font.BlitGlyph(target, glyph.u, glyph.v, glyph.w, glyph.h, 0xC0FFE080, x, y);
        }
    });
    const double peer = bench::BestOf([&] {
        std::vector<uint8_t>& bytes = target.MutablePixels();
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = uint8_t((bytes[i] * 3u + 0x80u) >> 2);
    });
    std::printf("BlitGlyph over 4096x4096: %.2f ms, read-modify-write loop %.2f ms, ratio %.2f (goal <= 2)\n",
                ours * 1e3, peer * 1e3, ours / peer);
}

}  // namespace

int main()
{
    InitAgainstGlyphLoads("TTFont::Init, Latin face (DejaVu Sans 16 px)", LatinFace, 16);
    InitAgainstGlyphLoads("TTFont::Init, CJK-range face (WenQuanYi Micro Hei 16 px)", CjkFace, 16);
    MeasureAgainstWidthTable();
    BlitAgainstReadModifyWrite();
    return 0;
}
