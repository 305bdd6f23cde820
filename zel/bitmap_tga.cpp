// The TGA reader: true-colour, grey and colour-mapped images, plain or run-length coded.
#include <cstring>

#include "zel/bitmap.h"

namespace Zel {

namespace {

constexpr size_t HeaderSize = 18;

uint16_t Read16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

// One stored pixel (of the image or its colour map) as RGBA.
bool ExpandPixel(const uint8_t* p, uint32_t depth, bool grey, uint8_t* out)
{
    if (grey) {
        out[0] = out[1] = out[2] = p[0];
        out[3] = depth == 16 ? p[1] : 255;
        return depth == 8 || depth == 16;
    }
    switch (depth) {
    case 15:
    case 16: {
        const uint16_t v = Read16(p);
        out[0] = uint8_t(((v >> 10) & 31) * 255 / 31);
        out[1] = uint8_t(((v >> 5) & 31) * 255 / 31);
        out[2] = uint8_t((v & 31) * 255 / 31);
        out[3] = 255;
        return true;
    }
    case 24:
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        out[3] = 255;
        return true;
    case 32:
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        out[3] = p[3];
        return true;
    default:
        return false;
    }
}

}  // namespace

bool Bitmap::DecodeTga(const uint8_t* bytes, size_t size)
{
    if (size < HeaderSize)
        return false;
    const uint8_t idLength = bytes[0];
    const uint8_t colorMapType = bytes[1];
    const uint8_t imageType = bytes[2];
    const uint16_t mapFirst = Read16(bytes + 3);
    const uint16_t mapLength = Read16(bytes + 5);
    const uint8_t mapDepth = bytes[7];
    const uint16_t width = Read16(bytes + 12);
    const uint16_t height = Read16(bytes + 14);
    const uint8_t depth = bytes[16];
    const uint8_t descriptor = bytes[17];

    const bool rle = imageType >= 9;
    const uint8_t baseType = rle ? uint8_t(imageType - 8) : imageType;
    if (baseType < 1 || baseType > 3 || colorMapType > 1)
        return false;
    const bool mapped = baseType == 1;
    const bool grey = baseType == 3;
    if (mapped && (colorMapType != 1 || depth != 8))
        return false;
    if (!mapped && !grey && depth != 15 && depth != 16 && depth != 24 && depth != 32)
        return false;
    if (grey && depth != 8 && depth != 16)
        return false;

    size_t at = HeaderSize + idLength;
    std::vector<uint8_t> map;
    if (colorMapType == 1) {
        const size_t entrySize = (size_t(mapDepth) + 7) / 8;
        if (entrySize == 0 || entrySize > 4)
            return false;
        const size_t mapBytes = size_t(mapLength) * entrySize;
        if (at > size || mapBytes > size - at)
            return false;
        if (mapped) {
            map.resize(size_t(mapLength) * 4);
            for (size_t i = 0; i < mapLength; ++i) {
                if (!ExpandPixel(bytes + at + i * entrySize, mapDepth, false, map.data() + i * 4))
                    return false;
            }
        }
        at += mapBytes;
    }
    if (!Allocate(width, height))
        return false;

    const size_t pixelSize = (size_t(depth) + 7) / 8;
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const int64_t total = int64_t(width) * height;
    uint8_t packet[4] = {0, 0, 0, 0};
    int64_t runLeft = 0;
    bool runRepeats = false;

    for (int64_t n = 0; n < total; ++n) {
        const uint8_t* source = nullptr;
        if (rle) {
            if (runLeft == 0) {
                if (at >= size)
                    return false;
                const uint8_t header = bytes[at++];
                runRepeats = (header & 0x80) != 0;
                runLeft = (header & 0x7F) + 1;
                if (runRepeats) {
                    if (pixelSize > size - at)
                        return false;
                    std::memcpy(packet, bytes + at, pixelSize);
                    at += pixelSize;
                }
            }
            if (runRepeats) {
                source = packet;
            } else {
                if (pixelSize > size - at)
                    return false;
                source = bytes + at;
                at += pixelSize;
            }
            --runLeft;
        } else {
            if (at > size || pixelSize > size - at)
                return false;  // cut short
            source = bytes + at;
            at += pixelSize;
        }
        const int32_t column = int32_t(n % width);
        const int32_t row = int32_t(n / width);
        const int32_t x = rightToLeft ? width - 1 - column : column;
        const int32_t y = topDown ? row : height - 1 - row;
        uint8_t* out = Pixel(x, y);
        if (mapped) {
            const size_t index = size_t(source[0]);
            if (index < mapFirst || index - mapFirst >= mapLength)
                return false;
            std::memcpy(out, map.data() + (index - mapFirst) * 4, 4);
        } else if (!ExpandPixel(source, depth, grey, out)) {
            return false;
        }
    }
    return true;
}

}  // namespace Zel
