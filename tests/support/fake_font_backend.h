// A font backend with made-up metrics and box glyphs, so TrueType logic can be checked to the pixel without a rasteriser.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zel/bitmap.h"
#include "zel/font_backend.h"
#include "zel/font_cache.h"

namespace KorvelTest {

// Glyph ink is a solid box: B columns from the pen + A, rows 1 .. height-2
// of the cell. Widths by default: A 1, B 3 + code % 5, C 1; white space
// A 0, B 0, C 4.
class FakeFontBackend final : public Zel::FontBackend {
public:
    struct Stats {
        std::vector<int32_t> charsetsAsked;
        std::vector<std::string> facesAsked;
        int drawingOpened = 0;
        int drawingClosed = 0;
        std::vector<uint32_t> drawn;
    };

    int32_t unicodeBits[4] = {0x3, 0, 0, 0};  // 0020-007E and 00A0-00FF
    Zel::FontCharsetInfo charsetInfo = Zel::CharsetUnicode;
    int failCreates = 0;  // the next this many creations fail
    bool failMetrics = false;
    int failWidthsOfRange = -1;  // the n-th GetAbcWidths call fails
    std::set<uint32_t> failDraw;
    std::set<uint32_t> missing;  // codes that take glyph 0's widths
    std::map<uint32_t, Zel::FontAbcWidth> widths;
    Zel::FontAbcWidth glyphZero{0, 5, 1};
    Stats stats;

    static Zel::FontAbcWidth DefaultWidth(uint32_t code)
    {
        if (code == ' ' || code == 0xA0)
            return {0, 0, 4};
        return {1, 3 + code % 5, 1};
    }
    Zel::FontAbcWidth WidthOf(uint32_t code) const
    {
        if (missing.count(code) != 0)
            return glyphZero;
        auto found = widths.find(code);
        return found != widths.end() ? found->second : DefaultWidth(code);
    }

    std::unique_ptr<Zel::BackendFont> CreateFont(const Zel::FontRequest& request) override
    {
        stats.charsetsAsked.push_back(request.charset);
        stats.facesAsked.push_back(request.face);
        if (failCreates > 0) {
            --failCreates;
            return nullptr;
        }
        return std::make_unique<Font>(*this, request.height == 0 ? 16 : request.height);
    }

private:
    class Font final : public Zel::BackendFont {
    public:
        Font(FakeFontBackend& owner, int32_t height) : owner_(owner), height_(height) {}
        bool GetTextMetrics(Zel::FontTextMetrics& out) override
        {
            out = {height_, height_ * 3 / 4, height_ - height_ * 3 / 4};
            return !owner_.failMetrics;
        }
        Zel::FontCharsetInfo GetCharsetInfo(uint32_t bits[4]) override
        {
            for (int i = 0; i < 4; ++i)
                bits[i] = uint32_t(owner_.unicodeBits[i]);
            return owner_.charsetInfo;
        }
        bool GetAbcWidths(uint32_t first, uint32_t last, Zel::FontAbcWidth* out) override
        {
            if (calls_++ == owner_.failWidthsOfRange)
                return false;
            for (uint32_t code = first; code <= last; ++code)
                *out++ = owner_.WidthOf(code);
            return true;
        }
        bool OpenDrawing() override
        {
            ++owner_.stats.drawingOpened;
            return open_ = true;
        }
        void CloseDrawing() override
        {
            ++owner_.stats.drawingClosed;
            open_ = false;
        }
        bool IsDrawingOpen() const override { return open_; }
        // Paints black from the pen to the ink, as an opaque text box would,
        // then the ink; both only inside the clip.
        bool DrawGlyph(Zel::Bitmap& atlas, int32_t x, int32_t y, uint32_t code, int32_t clipLeft, int32_t clipTop,
                       int32_t clipRight, int32_t clipBottom) override
        {
            owner_.stats.drawn.push_back(code);
            if (owner_.failDraw.count(code) != 0)
                return false;
            const Zel::FontAbcWidth width = owner_.WidthOf(code);
            for (int32_t row = y; row < y + height_; ++row) {
                for (int32_t column = x; column < x + width.a + int32_t(width.b); ++column) {
                    if (column < clipLeft || column >= clipRight || row < clipTop || row >= clipBottom)
                        continue;
                    const bool ink = column >= x + width.a && row > y && row < y + height_ - 1;
                    const uint32_t value = ink ? 0x00FFFFFFu : 0;
                    uint8_t* pixel = atlas.Pixel(column, row);
                    pixel[0] = uint8_t(value);
                    pixel[1] = uint8_t(value >> 8);
                    pixel[2] = uint8_t(value >> 16);
                    pixel[3] = uint8_t(value >> 24);
                }
            }
            return true;
        }

    private:
        FakeFontBackend& owner_;
        int32_t height_;
        int calls_ = 0;
        bool open_ = false;
    };
};

// Binds a backend for the life of the scope and empties the font cache on
// both ends, so no font of another backend is handed out.
class ScopedFontBackend {
public:
    explicit ScopedFontBackend(Zel::FontBackend* backend)
    {
        Zel::FontCache::Clear();
        Zel::BindFontBackend(backend);
    }
    ~ScopedFontBackend()
    {
        Zel::FontCache::Clear();
        Zel::BindFontBackend(nullptr);
    }
    ScopedFontBackend(const ScopedFontBackend&) = delete;
    ScopedFontBackend& operator=(const ScopedFontBackend&) = delete;
};

}  // namespace KorvelTest
