// TTFont: making a font (backend font, metrics, Unicode ranges, ABC table, atlas and cells), glyph look-up and measuring.
#include "zel/tt_font.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "zel/glyph_range_table.h"
#include "zel/log.h"

namespace Zel {

namespace {

LogClient* FontLog()
{
    return Log::GetClient("TTFont");
}

// The platform's face buffer holds 256 UTF-16 units with the terminator.
constexpr size_t MaxFaceLength = 255;

}  // namespace

bool IsWideSpace(uint32_t code)
{
    if (code == 0x20 || (code >= 0x09 && code <= 0x0D))
        return true;
    if (code < 0x1680)
        return false;
    // No-break spaces (U+00A0, U+2007, U+202F) are not white space here.
    return code == 0x1680 || (code >= 0x2000 && code <= 0x2006) || (code >= 0x2008 && code <= 0x200A) ||
           code == 0x2028 || code == 0x2029 || code == 0x205F || code == 0x3000;
}

void TTFont::Release()
{
    ReleaseDC();
    font_.reset();
    glyphMap_.clear();
    cells_.clear();
    head_ = -1;
    atlas_.reset();
    ranges_.clear();
    widths_.clear();
    changed_ = false;
    cellHeight_ = ascent_ = cellWidth_ = atlasSize_ = spaceAdvance_ = 0;
    cellsPerRow_ = cellRows_ = shadow_ = defaultGlyph_ = 0;
    reciprocal_ = 0;
}

bool TTFont::CreateBackendFont(const char* faceName, int32_t height, int32_t charset)
{
    FontRequest request;
    request.height = height;
    request.weight = (style_ & StyleBold) ? 700 : 400;
    request.italic = (style_ & StyleItalic) != 0;
    request.underline = (style_ & StyleUnderline) != 0;
    request.strikeOut = (style_ & StyleStrikeOut) != 0;
    request.quality = (style_ & StyleAntialiased) ? 4 : 3;
    if (faceName != nullptr)
        request.face.assign(faceName, std::min(std::char_traits<char>::length(faceName), MaxFaceLength));
    const char* logName = faceName != nullptr ? faceName : "";
    for (;;) {
        request.charset = charset;
        font_ = GetFontBackend().CreateFont(request);
        if (font_)
            return true;
        FontLog()->OutputString(0, "TTFont::Init> '%s' CreateFontW failed", logName);
        if (charset == 1) {
            FontLog()->OutputString(0, "TTFont::Init> '%s' failed retry", logName);
            return false;
        }
        charset = 1;
        FontLog()->OutputString(0, "TTFont::Init> '%s' retrying with DEFAULT_CHARSET", logName);
    }
}

bool TTFont::ReadRangesAndWidths(const char* faceName, const uint32_t unicodeBits[4])
{
    size_t rowCount = 0;
    const UnicodeRangeRow* rows = UnicodeRangeRows(&rowCount);
    int32_t total = 0;
    for (size_t i = 0; i < rowCount; ++i) {
        const uint32_t bit = rows[i].bit;
        if ((unicodeBits[bit / 32] >> (bit % 32)) & 1u) {
            ranges_.push_back({total, rows[i].first, rows[i].last});
            total += int32_t(rows[i].last - rows[i].first + 1);
        }
    }
    widths_.assign(size_t(total), FontAbcWidth{});
    for (size_t i = 0; i < ranges_.size(); ++i) {
        const GlyphRange& range = ranges_[i];
        if (!font_->GetAbcWidths(range.firstCode, range.lastCode, &widths_[size_t(range.firstGlyph)])) {
            ranges_.clear();
            widths_.clear();
            FontLog()->OutputString(0, "TTFont::Init> '%s' Unable to get char widths for range %d", faceName, int(i));
            return false;
        }
    }
    return true;
}

void TTFont::SizeAtlas()
{
    // 64-bit: a huge font's cell sizes do not fit the sums below in 32 bits.
    const int64_t rowHeight = int64_t(cellHeight_) + 1;
    const int64_t cellWidth = std::max<int64_t>(cellWidth_, 1);
    int64_t size = MinAtlasSize;
    while ((size / rowHeight) * (size / cellWidth) < WantedCells && size * 2 <= MaxAtlasSize)
        size *= 2;
    atlasSize_ = int32_t(size);
    cellsPerRow_ = int32_t(size / cellWidth);
    cellRows_ = rowHeight > 0 ? int32_t(size / rowHeight) : 0;
    reciprocal_ = 1.0f / float(size);
}

void TTFont::MakeCells()
{
    const int32_t count = cellsPerRow_ * cellRows_;
    cells_.assign(size_t(count), GlyphCell{});
    for (int32_t j = 0; j < count; ++j) {
        GlyphCell& cell = cells_[size_t(j)];
        cell.x = cellWidth_ * (j % cellsPerRow_);
        cell.y = (j / cellsPerRow_) * (cellHeight_ + 1);
        cell.next = (j + 1) % count;
        cell.previous = (j + count - 1) % count;
    }
    head_ = count > 0 ? 0 : -1;
}

void TTFont::BuildMeasureTables()
{
    for (uint32_t byte = 0; byte < 128; ++byte) {
        byteAdvance_[byte] = 0;
        byteTailKeep_[byte] = -1;
        byteTailSet_[byte] = 0;
        if (byte < 0x20 && byte != '\t')
            continue;
        if (IsWideSpace(byte)) {
            byteAdvance_[byte] = spaceAdvance_;
            byteTailSet_[byte] = spaceAdvance_;
            continue;
        }
        if (const FontAbcWidth* width = FindGlyph(byte)) {
            byteAdvance_[byte] = Advance(*width);
            byteTailKeep_[byte] = 0;
            byteTailSet_[byte] = width->c;
        }
    }
}

bool TTFont::Init(const char* charsetName, const char* faceName, int32_t height, uint8_t style)
{
    Release();
    style_ = style;
    const int32_t charset = CharsetValueOf(charsetName, 1);
    const char* face = (faceName != nullptr && *faceName != '\0') ? faceName : nullptr;
    const char* logName = face != nullptr ? face : "";
    if (!CreateBackendFont(face, height, charset))
        return false;

    FontTextMetrics metrics;
    if (!font_->GetTextMetrics(metrics)) {
        FontLog()->OutputString(0, "TTFont::Init> '%s' GetTextMetricsW failed", logName);
        Release();
        return false;
    }
    // Any cell taller than the largest atlas holds no glyph; the cap keeps
    // the sizes below far from the 32-bit limit.
    cellHeight_ = std::clamp(metrics.height, 0, 1 << 20);
    ascent_ = metrics.ascent;
    if (style_ & StyleShadow) {
        shadow_ = 1;
        cellHeight_ += 1;
    }

    uint32_t unicodeBits[4] = {};
    if (font_->GetCharsetInfo(unicodeBits) == CharsetFailed) {
        FontLog()->OutputString(0, "TTFont::Init> '%s' DEFAULT_CHARSET", logName);
        Release();
        return false;
    }
    if (!ReadRangesAndWidths(logName, unicodeBits)) {
        Release();
        return false;
    }

    const bool lined = (style_ & StyleLined) != 0;
    uint32_t largestB = 0;
    for (FontAbcWidth& width : widths_) {
        if (lined)
            width = {0, uint32_t(std::max(Advance(width), 0)), 0};
        largestB = std::max(largestB, width.b);
    }
    defaultGlyph_ = GlyphIndex('?', 0);
    const int32_t spaceGlyph = GlyphIndex(' ', -1);
    spaceAdvance_ = spaceGlyph >= 0 ? Advance(widths_[size_t(spaceGlyph)]) : 10;

    // A cell wider than the largest atlas holds no glyph: cap it there so
    // the sizes stay small numbers.
    const int64_t cellWidth = int64_t(largestB) + shadow_ + 1 + (lined ? 1 : 0);
    cellWidth_ = int32_t(std::min<int64_t>(cellWidth, MaxAtlasSize + 1));
    SizeAtlas();

    atlas_ = std::make_unique<Bitmap>();
    if (!atlas_->Allocate(atlasSize_, atlasSize_)) {
        FontLog()->OutputString(0, "TTFont::Init> '%s' CreateDIBSection failed", logName);
        Release();
        return false;
    }
    MakeCells();
    BuildMeasureTables();
    // Nothing in the program samples the atlas as a texture, so none is
    // made; the flag still tells a renderer to refresh one.
    changed_ = true;
    return true;
}

int32_t TTFont::GlyphIndex(uint32_t code, int32_t fallback) const
{
    if (code == 0x2013)
        code = '-';
    if (code >= 0x10000 || ranges_.empty())
        return fallback;
    auto after = std::upper_bound(ranges_.begin(), ranges_.end(), code,
                                  [](uint32_t value, const GlyphRange& range) { return value < range.firstCode; });
    if (after == ranges_.begin())
        return fallback;
    const GlyphRange& range = *(after - 1);
    if (code > range.lastCode)
        return fallback;
    return range.firstGlyph + int32_t(code - range.firstCode);
}

const FontAbcWidth* TTFont::FindGlyph(uint32_t code) const
{
    int32_t index = GlyphIndex(code, -1);
    if (index < 0)
        index = defaultGlyph_;
    if (index < 0 || size_t(index) >= widths_.size())
        return nullptr;
    return &widths_[size_t(index)];
}

namespace {

constexpr uint64_t HighBits = 0x8080808080808080ull;

// The end of the run of one-byte characters from i.
size_t AsciiRunEnd(const uint8_t* bytes, size_t i, size_t size)
{
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if ((word & HighBits) != 0)
            break;
    }
    while (i < size && bytes[i] < 0x80)
        ++i;
    return i;
}

}  // namespace

// Only the sum is taken per byte, in a loop with no other dependency: the
// trailing part follows from the run's end alone.
int64_t TTFont::AsciiRunAdvance(const uint8_t* bytes, size_t begin, size_t end) const
{
    int64_t a = 0, b = 0;
    size_t i = begin;
    for (; i + 2 <= end; i += 2) {
        a += byteAdvance_[bytes[i]];
        b += byteAdvance_[bytes[i + 1]];
    }
    if (i < end)
        a += byteAdvance_[bytes[i]];
    return a + b;
}

// The trailing part after a run: white space after the run's last glyph
// (which gives its right bearing), or, without a glyph, added to the
// trailing part before the run.
int64_t TTFont::AsciiRunTail(const uint8_t* bytes, size_t begin, size_t end, int64_t tail) const
{
    int64_t white = 0;
    for (size_t k = end; k > begin; --k) {
        const uint8_t byte = bytes[k - 1];
        if (byteTailKeep_[byte] == 0)
            return byteTailSet_[byte] + white;
        white += byteTailSet_[byte];
    }
    return tail + white;
}

int32_t TTFont::MeasureText(std::string_view text) const
{
    // Offsets of the standard decoder; five- and six-byte forms give a value
    // no range holds.
    static constexpr uint32_t Offsets[6] = {0x0u, 0x3080u, 0xE2080u, 0x3C82080u, 0xFA082080u, 0x82082080u};
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const size_t size = text.size();
    // 64-bit sums: a long text in a huge font passes the 32-bit range.
    int64_t sum = 0;
    int64_t tail = 0;
    size_t i = 0;
    while (i < size) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            const size_t end = AsciiRunEnd(bytes, i, size);
            sum += AsciiRunAdvance(bytes, i, end);
            tail = AsciiRunTail(bytes, i, end, tail);
            i = end;
            continue;
        }
        const size_t length = lead < 0xC0   ? 1
                              : lead < 0xE0 ? 2
                              : lead < 0xF0 ? 3
                              : lead < 0xF8 ? 4
                              : lead < 0xFC ? 5
                                            : 6;
        if (length > size - i)
            break;
        uint32_t code = 0;
        for (size_t k = 0; k < length; ++k)
            code = (code << 6) + bytes[i + k];
        code -= Offsets[length - 1];
        i += length;
        if (length >= 5)
            code = 0xFFFFFFFFu;
        if (code < 0x20 && code != '\t')
            continue;
        if (code <= 0xFFFF && IsWideSpace(code)) {
            sum += spaceAdvance_;
            tail += spaceAdvance_;
            continue;
        }
        if (const FontAbcWidth* width = FindGlyph(code)) {
            sum += Advance(*width);
            tail = width->c;
        }
    }
    return int32_t(std::clamp<int64_t>(sum - tail, INT32_MIN, INT32_MAX));
}

}  // namespace Zel
