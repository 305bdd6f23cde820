// The BMP reader: uncompressed 1-, 4-, 8-, 16-, 24- and 32-bit images, core and info headers, bit-field masks.
#include <cstring>

#include "zel/bitmap.h"

namespace Zel {

namespace {

uint16_t Read16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

constexpr size_t FileHeaderSize = 14;
constexpr uint32_t CompressionNone = 0;
constexpr uint32_t CompressionBitFields = 3;

// One channel of a bit-field pixel scaled to 8 bits.
uint8_t ExtractChannel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0)
        ++bits;
    const uint32_t value = (pixel & mask) >> shift;
    const uint32_t maximum = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
    return uint8_t((uint64_t(value) * 255u + maximum / 2) / maximum);
}

}  // namespace

bool Bitmap::DecodeBmp(const uint8_t* bytes, size_t size)
{
    if (size < FileHeaderSize + 12)
        return false;
    const uint32_t dataOffset = Read32(bytes + 10);
    const uint8_t* info = bytes + FileHeaderSize;
    const uint32_t infoSize = Read32(info);
    if (infoSize < 12 || infoSize > size - FileHeaderSize)
        return false;

    int64_t width = 0;
    int64_t height = 0;
    uint32_t bitCount = 0;
    uint32_t compression = CompressionNone;
    uint32_t paletteEntries = 0;
    size_t paletteEntrySize = 4;
    uint32_t masks[4] = {0, 0, 0, 0};
    if (infoSize == 12) {
        width = Read16(info + 4);
        height = int16_t(Read16(info + 6));
        bitCount = Read16(info + 10);
        paletteEntrySize = 3;
    } else {
        if (infoSize < 40)
            return false;
        width = int32_t(Read32(info + 4));
        height = int32_t(Read32(info + 8));
        bitCount = Read16(info + 14);
        compression = Read32(info + 16);
        paletteEntries = Read32(info + 32);
        if (compression == CompressionBitFields) {
            // The masks follow the 40-byte header, inside it for later versions.
            const size_t maskAt = FileHeaderSize + 40;
            if (size < maskAt + 12)
                return false;
            for (int i = 0; i < 3; ++i)
                masks[i] = Read32(bytes + maskAt + size_t(i) * 4);
            if (infoSize >= 56 && size >= maskAt + 16)
                masks[3] = Read32(bytes + maskAt + 12);
        }
    }
    if (compression != CompressionNone && compression != CompressionBitFields)
        return false;
    if (compression == CompressionBitFields && bitCount != 16 && bitCount != 32)
        return false;
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;

    // The palette lies between the header and the pixel data.
    uint8_t palette[256][4] = {};
    if (bitCount <= 8) {
        const uint32_t maximum = 1u << bitCount;
        if (paletteEntries == 0 || paletteEntries > maximum)
            paletteEntries = maximum;
        size_t paletteAt = FileHeaderSize + infoSize;
        if (compression == CompressionBitFields && infoSize == 40)
            paletteAt += 12;
        if (paletteAt + size_t(paletteEntries) * paletteEntrySize > size)
            return false;
        for (uint32_t i = 0; i < paletteEntries; ++i) {
            const uint8_t* entry = bytes + paletteAt + i * paletteEntrySize;
            palette[i][0] = entry[2];
            palette[i][1] = entry[1];
            palette[i][2] = entry[0];
            palette[i][3] = 255;
        }
    }

    const uint64_t stride = ((uint64_t(bitCount) * uint64_t(width) + 31) / 32) * 4;
    if (dataOffset > size || stride * uint64_t(height) > size - dataOffset)
        return false;  // cut short
    if (!Allocate(width, height))
        return false;
    if (compression == CompressionNone && bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }

    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* source = bytes + dataOffset + stride * uint64_t(row);
        const int32_t y = int32_t(topDown ? row : height - 1 - row);
        for (int32_t x = 0; x < width_; ++x) {
            uint8_t* out = Pixel(x, y);
            switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const uint32_t bitOffset = uint32_t(x) * bitCount;
                const uint8_t byte = source[bitOffset / 8];
                const uint32_t shift = 8 - bitCount - (bitOffset % 8);
                const uint32_t index = (byte >> shift) & ((1u << bitCount) - 1u);
                std::memcpy(out, palette[index], 4);
                break;
            }
            case 16:
            case 32: {
                const uint32_t pixel = bitCount == 16 ? Read16(source + x * 2) : Read32(source + size_t(x) * 4);
                if (bitCount == 32 && compression == CompressionNone) {
                    out[0] = uint8_t(pixel >> 16);
                    out[1] = uint8_t(pixel >> 8);
                    out[2] = uint8_t(pixel);
                    out[3] = 255;
                } else {
                    out[0] = ExtractChannel(pixel, masks[0]);
                    out[1] = ExtractChannel(pixel, masks[1]);
                    out[2] = ExtractChannel(pixel, masks[2]);
                    out[3] = masks[3] ? ExtractChannel(pixel, masks[3]) : 255;
                }
                break;
            }
            default: {  // 24
                const uint8_t* p = source + size_t(x) * 3;
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
                out[3] = 255;
                break;
            }
            }
        }
    }
    return true;
}

}  // namespace Zel
