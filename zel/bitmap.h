// Zel::Bitmap: an image decoded to 8-bit RGBA from BMP, TGA, PNG or JPEG bytes, or a block of compressed image data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/rect.h"

namespace Zel {

class Bitmap {
public:
    // Pixel formats. The two 32-bit ones hold R, G, B, A bytes per pixel
    // (Opaque32 promises nothing about the alpha byte); Compressed holds
    // opaque bytes whose meaning the owner knows (DXT blocks).
    enum Format : int32_t { FormatNone = 0, FormatAlpha32 = 2, FormatOpaque32 = 3, FormatCompressed = 5 };

    // Images above these sizes are refused before anything is allocated: a
    // header may claim any size.
    static constexpr int32_t MaxSide = 32768;
    static constexpr int64_t MaxPixels = int64_t(1) << 28;

    // Reads and decodes a file. The format comes from the bytes ("BM" is
    // BMP, FF D8 is JPEG) and, for TGA, which has no signature, from the
    // extension ".tga"; PNG by its signature. False, leaving the bitmap empty, when the file cannot
    // be read, the format is unknown or the data is malformed or cut short.
    bool Load(const char* path);
    // The same over bytes in memory; extensionHint is the file's extension
    // (without the dot) or null.
    bool LoadFromMemory(const uint8_t* bytes, size_t size, const char* extensionHint);

    void Clear();
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    Format GetFormat() const { return format_; }
    void SetFormat(Format format) { format_ = format; }
    // Rows from the top, four bytes per pixel (R, G, B, A); for Compressed
    // the raw bytes.
    const std::vector<uint8_t>& Pixels() const { return pixels_; }
    std::vector<uint8_t>& MutablePixels() { return pixels_; }

    // Makes an image of that size and format with byteSize zero bytes (any
    // size for Compressed: tiny mip levels still take a whole block). False
    // for a size beyond the limits.
    bool Init(int64_t width, int64_t height, Format format, int64_t byteSize);
    // A copy scaled to the new size (box filter when shrinking, bilinear when
    // growing). False, leaving out empty, for a compressed or empty source or
    // a size beyond the limits.
    bool Scale(int64_t width, int64_t height, Bitmap& out) const;

    // The format readers; each leaves the bitmap empty on failure.
    bool DecodeBmp(const uint8_t* bytes, size_t size);
    bool DecodeTga(const uint8_t* bytes, size_t size);
    bool DecodeJpeg(const uint8_t* bytes, size_t size);
    bool DecodePng(const uint8_t* bytes, size_t size);

    // Allocates width x height pixels after the size checks.
    bool Allocate(int64_t width, int64_t height);
    uint8_t* Pixel(int32_t x, int32_t y) { return pixels_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 4; }

    // Drawing on a 32-bit bitmap (nothing on other formats). Colours are
    // words 0xAARRGGBB; shapes are blended by the colour's alpha, and
    // everything outside the bitmap is ignored.
    enum DrawMode : int32_t {
        ModeOutline = 0,  // Box: the border only
        ModeFilled = 1,   // Box, Circle, Triangle: the inside and border
        ModeStroke = 2,   // Circle, Triangle: the border only; Line: the line
        ModeCopy = 0,     // Image: the source pixels replace the target's
        ModeBlend = 4,    // Image: the source is blended over by its alpha
    };
    void FillColour(uint32_t colour);
    void BlendPixel(int32_t x, int32_t y, uint32_t colour);
    void Box(const Rect& rect, uint32_t colour, int32_t mode);
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t mode);
    void Circle(int32_t x, int32_t y, int32_t radius, uint32_t colour, int32_t mode);
    void Triangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, uint32_t colour,
                  int32_t mode);
    // The source rectangle drawn unscaled with its top-left at (x, y).
    void Image(const Bitmap& source, int32_t x, int32_t y, const Rect& sourceRect, int32_t mode);
    // The source rectangle stretched over the target rectangle (nearest
    // pixel).
    void Image(const Bitmap& source, const Rect& targetRect, const Rect& sourceRect, int32_t mode);

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    Format format_ = FormatNone;
    std::vector<uint8_t> pixels_;
};

}  // namespace Zel
