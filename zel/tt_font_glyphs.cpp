// TTFont: glyphs drawn into atlas cells (least-used cell list), and glyphs blended from the atlas into bitmaps.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "zel/tt_font.h"

namespace Zel {

namespace {

// Atlas pixels are blue, green, red, alpha bytes: one little-endian word.
uint32_t ReadPixel(const Bitmap& atlas, int32_t x, int32_t y)
{
    uint32_t value;
    std::memcpy(&value, atlas.Pixels().data() + (size_t(y) * size_t(atlas.Width()) + size_t(x)) * 4, 4);
    return value;
}

void WritePixel(Bitmap& atlas, int32_t x, int32_t y, uint32_t value)
{
    std::memcpy(atlas.Pixel(x, y), &value, 4);
}

}  // namespace

bool TTFont::EnsureDC()
{
    if (!font_)
        return false;
    return font_->IsDrawingOpen() || font_->OpenDrawing();
}

void TTFont::ReleaseDC()
{
    if (font_ && font_->IsDrawingOpen())
        font_->CloseDrawing();
}

std::vector<int32_t> TTFont::CellOrder() const
{
    std::vector<int32_t> order;
    if (head_ < 0)
        return order;
    int32_t index = head_;
    do {
        order.push_back(index);
        index = cells_[size_t(index)].next;
    } while (index != head_);
    return order;
}

void TTFont::Unlink(int32_t index)
{
    GlyphCell& cell = cells_[size_t(index)];
    cells_[size_t(cell.previous)].next = cell.next;
    cells_[size_t(cell.next)].previous = cell.previous;
    cell.next = cell.previous = index;
}

void TTFont::InsertBefore(int32_t index, int32_t before)
{
    GlyphCell& cell = cells_[size_t(index)];
    GlyphCell& after = cells_[size_t(before)];
    cell.next = before;
    cell.previous = after.previous;
    cells_[size_t(after.previous)].next = index;
    after.previous = index;
}

void TTFont::Promote(int32_t index)
{
    const uint32_t count = ++cells_[size_t(index)].useCount;
    int32_t position = cells_[size_t(index)].next;
    while (position != head_ && position != index && cells_[size_t(position)].useCount < count)
        position = cells_[size_t(position)].next;
    if (position == cells_[size_t(index)].next)
        return;
    if (index == head_)
        head_ = cells_[size_t(index)].next;
    Unlink(index);
    // Walked the whole way round: the cell goes to the most-used end, which
    // is just before the head.
    InsertBefore(index, position == index ? head_ : position);
}

// The raw glyph in the cell's box becomes what blending expects: ink opaque,
// shadow under and right of the ink, and (mono, no shadow) white with no
// alpha elsewhere so that scaled sampling does not darken edges.
void TTFont::FinishCell(const GlyphCell& cell, uint32_t b)
{
    Bitmap& atlas = *atlas_;
    const bool lined = (style_ & StyleLined) != 0;
    const bool plainMono = shadow_ == 0 && (style_ & StyleAntialiased) == 0;
    const int32_t right = cell.x + int32_t(b) + shadow_;
    for (int32_t y = cell.y + cellHeight_ - 1; y >= cell.y; --y) {
        for (int32_t x = cell.x; x < right; ++x) {
            const uint32_t pixel = ReadPixel(atlas, x, y);
            uint32_t result = 0;
            if (pixel != 0) {
                result = pixel | 0xFF000000u;
            } else if (shadow_ != 0 && x > cell.x && y > cell.y && ReadPixel(atlas, x - 1, y - 1) != 0) {
                result = (ReadPixel(atlas, x - 1, y - 1) & 0xFFu) << 24;
            } else if (plainMono) {
                result = 0x00FFFFFFu;
            }
            WritePixel(atlas, x, y, result);
        }
        if (lined && b > 0) {
            const int32_t last = cell.x + int32_t(b) - 1;
            WritePixel(atlas, last + 1, y, ReadPixel(atlas, last, y));
            if (cell.x > 0)
                WritePixel(atlas, cell.x - 1, y, ReadPixel(atlas, cell.x, y));
        }
    }
}

// The character whose glyph the metrics belong to: an en dash is drawn as
// "-", and a character no range holds as "?" when the font has one.
uint32_t TTFont::DrawnCode(uint32_t code) const
{
    if (code == 0x2013)
        return '-';
    if (GlyphIndex(code, -1) >= 0)
        return code;
    return GlyphIndex('?', -1) >= 0 ? '?' : code;
}

// The least-used cell for a new glyph, its old glyph forgotten; -1 when the
// atlas is full or has no cells.
int32_t TTFont::TakeCell(uint32_t code, const FontAbcWidth* metrics)
{
    if (head_ < 0)
        return -1;
    GlyphCell& cell = cells_[size_t(head_)];
    if (cell.useCount != 0)
        return -1;
    if (cell.code != 0)
        glyphMap_.erase(cell.code);
    cell.code = code;
    cell.metrics = metrics;
    return head_;
}

bool TTFont::GetGlyph(uint32_t code, GlyphPlacement& out)
{
    out = GlyphPlacement{};
    if (code < 0x20 && code != '\t')
        return true;
    if (code <= 0xFFFF && IsWideSpace(code)) {
        if ((style_ & StyleLined) == 0) {
            out.width = spaceAdvance_;
            return true;
        }
        code = ' ';
    }
    if (code == 0x2019)
        code = '\'';
    const FontAbcWidth* metrics = FindGlyph(code);
    if (metrics == nullptr)
        return false;
    if (Advance(*metrics) == 0)
        return true;

    int32_t index;
    auto found = glyphMap_.find(code);
    if (found != glyphMap_.end()) {
        index = found->second;
    } else {
        EnsureDC();
        index = TakeCell(code, metrics);
        if (index < 0)
            return false;
        GlyphCell& cell = cells_[size_t(index)];
        // The box is cleared and drawing kept inside it: a glyph whose left
        // bearing is large starts left of its cell and would otherwise reach
        // into the neighbour's ink.
        const int32_t right = cell.x + int32_t(metrics->b) + shadow_ + 1;
        const int32_t bottom = cell.y + cellHeight_;
        for (int32_t y = cell.y; y < bottom; ++y)
            std::memset(atlas_->Pixel(cell.x, y), 0, size_t(right - cell.x) * 4);
        if (!font_->DrawGlyph(*atlas_, cell.x - metrics->a, cell.y, DrawnCode(code), cell.x, cell.y, right, bottom)) {
            cell.code = 0;
            cell.metrics = nullptr;
            return true;
        }
        FinishCell(cell, metrics->b);
        glyphMap_[code] = index;
        changed_ = true;
    }
    Promote(index);
    const GlyphCell& cell = cells_[size_t(index)];
    out.a = cell.metrics->a;
    out.c = cell.metrics->c;
    out.width = int32_t(cell.metrics->b) + shadow_;
    out.u = float(cell.x) * reciprocal_;
    out.v = float(cell.y) * reciprocal_;
    out.w = float(out.width) * reciprocal_;
    out.h = float(cellHeight_) * reciprocal_;
    return true;
}

bool TTFont::BlitGlyph(Bitmap& target, float u, float v, float w, float h, uint32_t colour, int32_t x, int32_t y) const
{
    if (!atlas_ || atlas_->Width() <= 0)
        return false;
    if (target.GetFormat() != Bitmap::FormatAlpha32 && target.GetFormat() != Bitmap::FormatOpaque32)
        return true;
    if (!std::isfinite(u) || !std::isfinite(v) || !std::isfinite(w) || !std::isfinite(h) || std::fabs(u) > 4 ||
        std::fabs(v) > 4 || std::fabs(w) > 4 || std::fabs(h) > 4)
        return true;
    const Bitmap& atlas = *atlas_;
    const int64_t x0 = int64_t(u * float(atlas.Width()));
    const int64_t y0 = int64_t(v * float(atlas.Height()));
    const int64_t columns = int64_t(w * float(atlas.Width()));
    const int64_t rows = int64_t(h * float(atlas.Height()));
    // Only the part that lies inside both the atlas and the target is read
    // and written; the rest of the region is ignored.
    const int64_t firstColumn = std::max<int64_t>({0, -x0, -int64_t(x)});
    const int64_t firstRow = std::max<int64_t>({0, -y0, -int64_t(y)});
    const int64_t endColumn = std::min<int64_t>({columns, atlas.Width() - x0, int64_t(target.Width()) - x});
    const int64_t endRow = std::min<int64_t>({rows, atlas.Height() - y0, int64_t(target.Height()) - y});
    if (firstColumn >= endColumn || firstRow >= endRow)
        return true;
    // The colour word is 0xAARRGGBB; the target's bytes are red, green,
    // blue, alpha and the atlas's blue, green, red, alpha.
    const uint32_t k0 = (colour >> 16) & 0xFF, k1 = (colour >> 8) & 0xFF, k2 = colour & 0xFF, k3 = colour >> 24;
    const size_t width = size_t(columns > 0 ? endColumn - firstColumn : 0);
    for (int64_t r = firstRow; r < endRow; ++r) {
        const uint8_t* s =
            atlas.Pixels().data() + (size_t(y0 + r) * size_t(atlas.Width()) + size_t(x0 + firstColumn)) * 4;
        uint8_t* t = target.Pixel(int32_t(x + firstColumn), int32_t(y + r));
        for (size_t c = 0; c < width; ++c, s += 4, t += 4) {
            const uint32_t a = uint32_t(s[3]) * k3 + 255;
            const uint32_t keep = 65535 - a;
            t[0] = uint8_t(((((uint32_t(s[2]) * k0 + 255) * a) >> 8) + t[0] * keep) >> 16);
            t[1] = uint8_t(((((uint32_t(s[1]) * k1 + 255) * a) >> 8) + t[1] * keep) >> 16);
            t[2] = uint8_t(((((uint32_t(s[0]) * k2 + 255) * a) >> 8) + t[2] * keep) >> 16);
            t[3] = uint8_t((((a * a) >> 8) + t[3] * keep) >> 16);
        }
    }
    return true;
}

}  // namespace Zel
