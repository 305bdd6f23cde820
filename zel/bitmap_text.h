// Text drawn into a bitmap with a TrueType font: one line of characters from a pen that moves right.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zel {

class Bitmap;
class TTFont;

// Each character's glyph is blended at the pen in colour (0xAARRGGBB); a
// character the font cannot give is skipped without moving the pen. The
// font's drawing state is released after the text. Returns the pen's final x.
int64_t DrawGlyphRun(Bitmap& target, TTFont& font, int32_t x, int32_t y, const uint32_t* codes, size_t count,
                     uint32_t colour);

}  // namespace Zel
