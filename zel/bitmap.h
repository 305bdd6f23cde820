// Zel::Bitmap: an image decoded to 8-bit RGBA from BMP, TGA or JPEG bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zel {

class Bitmap {
public:
    // Images above these sizes are refused before anything is allocated: a
    // header may claim any size.
    static constexpr int32_t MaxSide = 32768;
    static constexpr int64_t MaxPixels = int64_t(1) << 28;

    // Reads and decodes a file. The format comes from the bytes ("BM" is
    // BMP, FF D8 is JPEG) and, for TGA, which has no signature, from the
    // extension ".tga". False, leaving the bitmap empty, when the file cannot
    // be read, the format is unknown or the data is malformed or cut short.
    bool Load(const char* path);
    // The same over bytes in memory; extensionHint is the file's extension
    // (without the dot) or null.
    bool LoadFromMemory(const uint8_t* bytes, size_t size, const char* extensionHint);

    void Clear();
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Rows from the top, four bytes per pixel (R, G, B, A).
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

    // The format readers; each leaves the bitmap empty on failure.
    bool DecodeBmp(const uint8_t* bytes, size_t size);
    bool DecodeTga(const uint8_t* bytes, size_t size);
    bool DecodeJpeg(const uint8_t* bytes, size_t size);

    // Allocates width x height pixels after the size checks.
    bool Allocate(int64_t width, int64_t height);
    uint8_t* Pixel(int32_t x, int32_t y) { return pixels_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 4; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> pixels_;
};

}  // namespace Zel
