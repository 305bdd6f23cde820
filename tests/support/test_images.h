// Image files written byte by byte for tests: BMP, TGA and (through libjpeg and libpng) JPEG and PNG of a given size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace TestImages {

inline void Put16(std::string& out, uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

inline void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The colour of a pixel in every test image, so readers can be checked.
inline void PixelColour(int x, int y, uint8_t rgb[3])
{
    rgb[0] = uint8_t(x * 7);
    rgb[1] = uint8_t(y * 5);
    rgb[2] = uint8_t(x + y);
}

// A 24-bit bottom-up BMP (or top-down with a negative height).
inline std::string Bmp24(int width, int height, bool topDown = false)
{
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * uint32_t(height);
    std::string out = "BM";
    Put32(out, 54 + dataSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(topDown ? -height : height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, dataSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            uint8_t rgb[3];
            PixelColour(x, y, rgb);
            line += char(rgb[2]);
            line += char(rgb[1]);
            line += char(rgb[0]);
        }
        line.resize(stride, '\0');
        out += line;
    }
    return out;
}

// An 8-bit palette BMP whose pixel (x, y) uses palette entry (x + y) % 4.
inline std::string Bmp8(int width, int height)
{
    const uint32_t stride = (uint32_t(width) + 3) & ~3u;
    const uint32_t dataSize = stride * uint32_t(height);
    std::string out = "BM";
    Put32(out, 54 + 16 + dataSize);
    Put32(out, 0);
    Put32(out, 54 + 16);
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);
    Put32(out, dataSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 4);
    Put32(out, 0);
    for (int i = 0; i < 4; ++i) {
        out += char(i * 10);  // blue
        out += char(i * 20);  // green
        out += char(i * 60);  // red
        out += char(0);
    }
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x)
            line += char((x + y) % 4);
        line.resize(stride, '\0');
        out += line;
    }
    return out;
}

// A true-colour TGA, 24 or 32 bits, plain or run-length coded, top-down.
inline std::string Tga(int width, int height, int depth = 24, bool rle = false)
{
    std::string out;
    out += char(0);
    out += char(0);
    out += char(rle ? 10 : 2);
    out += std::string(5, '\0');
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, uint32_t(width));
    Put16(out, uint32_t(height));
    out += char(depth);
    out += char(0x20 | (depth == 32 ? 8 : 0));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t rgb[3];
            PixelColour(x, y, rgb);
            if (rle)
                out += char(0);  // a raw packet of one pixel
            out += char(rgb[2]);
            out += char(rgb[1]);
            out += char(rgb[0]);
            if (depth == 32)
                out += char(200);
        }
    }
    return out;
}

inline std::string Jpeg(int width, int height)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x)
            PixelColour(x, int(info.next_scanline), &row[size_t(x) * 3]);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

// A PNG of R, G, B, A pixels (rows from the top).
inline std::string Png(int width, int height, const std::vector<uint8_t>& rgba)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(width);
    image.height = uint32_t(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr))
        return std::string();
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr))
        return std::string();
    out.resize(size);
    return out;
}

}  // namespace TestImages
