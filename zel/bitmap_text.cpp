// Text drawn into a bitmap with a TrueType font.
#include "zel/bitmap_text.h"

#include <algorithm>

#include "zel/bitmap.h"
#include "zel/tt_font.h"

namespace Zel {

int64_t DrawGlyphRun(Bitmap& target, TTFont& font, int32_t x, int32_t y, const uint32_t* codes, size_t count,
                     uint32_t colour)
{
    // The pen is 64-bit: a long text from far right would pass 32 bits;
    // blits beyond the bitmap write nothing.
    int64_t pen = x;
    for (size_t i = 0; i < count; ++i) {
        GlyphPlacement glyph;
        if (!font.GetGlyph(codes[i], glyph))
            continue;
        pen += glyph.a;
        if (glyph.w > 0 && pen >= INT32_MIN && pen <= INT32_MAX)
            font.BlitGlyph(target, glyph.u, glyph.v, glyph.w, glyph.h, colour, int32_t(pen), y);
        pen += int64_t(glyph.width) + glyph.c;
    }
    font.ReleaseDC();
    return pen;
}

}  // namespace Zel
