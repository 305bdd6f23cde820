// FontBackend: the text rasteriser TrueType fonts reach (font creation, metrics, ABC widths, one-glyph drawing, drawing state).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Zel {

class Bitmap;

// What a font is asked for: the arguments of a platform font creation.
struct FontRequest {
    int32_t height = 0;  // > 0: cell height (ascent + descent); < 0: em height; 0: the backend's default
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int32_t charset = 1;
    int32_t quality = 3;  // 3: non-antialiased (mono), 4: antialiased
    std::string face;     // empty: the backend's default face
};

struct FontTextMetrics {
    int32_t height = 0;  // cell height in pixels
    int32_t ascent = 0;
    int32_t descent = 0;
};

// Per-character widths in pixels: A the left bearing, B the ink width, C
// what is left of the advance (A + B + C is the advance).
struct FontAbcWidth {
    int32_t a = 0;
    uint32_t b = 0;
    int32_t c = 0;
};

// Result of GetCharsetInfo.
enum FontCharsetInfo : int32_t { CharsetUnicode = 0, CharsetFailed = 1, CharsetSymbol = 2 };

// One font made by a backend.
class BackendFont {
public:
    virtual ~BackendFont() = default;
    virtual bool GetTextMetrics(FontTextMetrics& out) = 0;
    // The 128 Unicode-subset bits of the font's signature (bit n is bit n % 32
    // of word n / 32).
    virtual FontCharsetInfo GetCharsetInfo(uint32_t unicodeBits[4]) = 0;
    // Widths of every code from first to last inclusive, into out[0 ..].
    virtual bool GetAbcWidths(uint32_t first, uint32_t last, FontAbcWidth* out) = 0;
    // The drawing state one glyph run needs (a memory device context);
    // opened before DrawGlyph, closed after a text.
    virtual bool OpenDrawing() = 0;
    virtual void CloseDrawing() = 0;
    virtual bool IsDrawingOpen() const = 0;
    // Draws one character white on black with its cell's top-left at (x, y)
    // of the atlas (32 bits per pixel): ink is 0x00FFFFFF when mono, (v, v,
    // v, 0) for coverage v when antialiased. Nothing is written outside the
    // clip box [clipLeft, clipRight) x [clipTop, clipBottom).
    virtual bool DrawGlyph(Bitmap& atlas, int32_t x, int32_t y, uint32_t code, int32_t clipLeft, int32_t clipTop,
                           int32_t clipRight, int32_t clipBottom) = 0;
};

class FontBackend {
public:
    virtual ~FontBackend() = default;
    // Null when the font cannot be made.
    virtual std::unique_ptr<BackendFont> CreateFont(const FontRequest& request) = 0;
};

// The backend fonts are made with: the one bound last, else the FreeType
// backend. Binding null goes back to FreeType. Not owned.
FontBackend& GetFontBackend();
void BindFontBackend(FontBackend* backend);

}  // namespace Zel
