// Decoding of stored texture levels (DXT1/3/5 blocks, or B, G, R, A pixels) back to R, G, B, A, for error checks against a source.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace TestDxt {

enum Kind { Uncompressed, DXT1, DXT3, DXT5 };

inline void Colour565(uint16_t c, int out[3])
{
    out[0] = ((c >> 11) & 31) * 255 / 31;
    out[1] = ((c >> 5) & 63) * 255 / 63;
    out[2] = (c & 31) * 255 / 31;
}

// R, G, B, A pixels of a width x height level.
inline std::vector<uint8_t> Decode(Kind kind, const std::vector<uint8_t>& bytes, int width, int height)
{
    std::vector<uint8_t> out(size_t(width) * size_t(height) * 4, 0);
    if (kind == Uncompressed) {
        for (size_t i = 0; i + 3 < bytes.size() && i < out.size(); i += 4) {
            out[i] = bytes[i + 2];
            out[i + 1] = bytes[i + 1];
            out[i + 2] = bytes[i];
            out[i + 3] = bytes[i + 3];
        }
        return out;
    }
    const size_t blockSize = kind == DXT1 ? 8 : 16;
    const int blocksWide = (width + 3) / 4;
    for (int by = 0; by < (height + 3) / 4; ++by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            size_t at = (size_t(by) * blocksWide + bx) * blockSize;
            if (at + blockSize > bytes.size())
                return out;
            const uint8_t* block = bytes.data() + at;
            uint8_t alpha[16];
            for (uint8_t& a : alpha)
                a = 255;
            if (kind == DXT3) {
                for (int i = 0; i < 16; ++i)
                    alpha[i] = uint8_t(((block[i / 2] >> (4 * (i % 2))) & 15) * 17);
            } else if (kind == DXT5) {
                int a0 = block[0], a1 = block[1];
                int table[8] = {a0, a1};
                for (int i = 2; i < 8; ++i)
                    table[i] = a0 > a1 ? ((8 - i) * a0 + (i - 1) * a1) / 7
                                       : (i < 6 ? ((6 - i) * a0 + (i - 1) * a1) / 5 : (i == 6 ? 0 : 255));
                uint64_t bits = 0;
                for (int i = 0; i < 6; ++i)
                    bits |= uint64_t(block[2 + i]) << (8 * i);
                for (int i = 0; i < 16; ++i)
                    alpha[i] = uint8_t(table[(bits >> (3 * i)) & 7]);
            }
            const uint8_t* colour = kind == DXT1 ? block : block + 8;
            uint16_t c0 = uint16_t(colour[0] | colour[1] << 8);
            uint16_t c1 = uint16_t(colour[2] | colour[3] << 8);
            int palette[4][4];
            Colour565(c0, palette[0]);
            Colour565(c1, palette[1]);
            palette[0][3] = palette[1][3] = palette[2][3] = palette[3][3] = 255;
            for (int c = 0; c < 3; ++c) {
                if (c0 > c1 || kind != DXT1) {
                    palette[2][c] = (2 * palette[0][c] + palette[1][c]) / 3;
                    palette[3][c] = (palette[0][c] + 2 * palette[1][c]) / 3;
                } else {
                    palette[2][c] = (palette[0][c] + palette[1][c]) / 2;
                    palette[3][c] = 0;
                }
            }
            if (kind == DXT1 && c0 <= c1)
                palette[3][3] = 0;
            uint32_t indices = uint32_t(colour[4] | colour[5] << 8 | colour[6] << 16 | uint32_t(colour[7]) << 24);
            for (int i = 0; i < 16; ++i) {
                int x = bx * 4 + i % 4;
                int y = by * 4 + i / 4;
                if (x >= width || y >= height)
                    continue;
                const int* p = palette[(indices >> (2 * i)) & 3];
                uint8_t* target = out.data() + (size_t(y) * width + x) * 4;
                for (int c = 0; c < 3; ++c)
                    target[c] = uint8_t(p[c]);
                target[3] = kind == DXT1 ? uint8_t(p[3]) : alpha[i];
            }
        }
    }
    return out;
}

// Root mean square difference over the channels asked for (first..last).
inline double RmsError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int first = 0, int last = 3)
{
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
        for (int c = first; c <= last; ++c) {
            double d = double(a[i + c]) - double(b[i + c]);
            sum += d * d;
            ++count;
        }
    }
    return count ? std::sqrt(sum / double(count)) : 0;
}

}  // namespace TestDxt
