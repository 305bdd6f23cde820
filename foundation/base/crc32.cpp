// CRC-32 with the standard reflected table, sliced by sixteen for bulk input.
#include "foundation/base/crc32.h"

#include <array>
#include <cstring>

#include "zel/ascii.h"

namespace {

constexpr uint32_t Crc32Polynomial = 0xEDB88320u;

// Table 0 is the classic byte-at-a-time table; tables 1..15 let the bulk loop
// fold sixteen bytes per step. The checksum is the same as byte by byte.
constexpr int SliceCount = 16;
using SliceTables = std::array<std::array<uint32_t, 256>, SliceCount>;

constexpr SliceTables MakeSliceTables()
{
    SliceTables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ Crc32Polynomial : c >> 1;
        tables[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        for (int t = 1; t < SliceCount; ++t)
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
    }
    return tables;
}

constexpr SliceTables Tables = MakeSliceTables();

inline uint32_t StepByte(uint32_t reg, uint8_t byte)
{
    return (reg >> 8) ^ Tables[0][(reg ^ byte) & 0xFF];
}

inline uint32_t LoadLittleEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Folds sixteen bytes: table 15 - k takes byte k (the first word carries the register).
inline uint32_t FoldSixteen(uint32_t reg, const uint8_t* p)
{
    uint32_t w0 = LoadLittleEndian32(p) ^ reg;
    uint32_t w1 = LoadLittleEndian32(p + 4);
    uint32_t w2 = LoadLittleEndian32(p + 8);
    uint32_t w3 = LoadLittleEndian32(p + 12);
    return Tables[15][w0 & 0xFF] ^ Tables[14][(w0 >> 8) & 0xFF] ^ Tables[13][(w0 >> 16) & 0xFF] ^ Tables[12][w0 >> 24] ^
           Tables[11][w1 & 0xFF] ^ Tables[10][(w1 >> 8) & 0xFF] ^ Tables[9][(w1 >> 16) & 0xFF] ^ Tables[8][w1 >> 24] ^
           Tables[7][w2 & 0xFF] ^ Tables[6][(w2 >> 8) & 0xFF] ^ Tables[5][(w2 >> 16) & 0xFF] ^ Tables[4][w2 >> 24] ^
           Tables[3][w3 & 0xFF] ^ Tables[2][(w3 >> 8) & 0xFF] ^ Tables[1][(w3 >> 16) & 0xFF] ^ Tables[0][w3 >> 24];
}

uint32_t UpdateRegister(uint32_t reg, const uint8_t* p, size_t length)
{
    while (length >= SliceCount) {
        reg = FoldSixteen(reg, p);
        p += SliceCount;
        length -= SliceCount;
    }
    while (length-- > 0)
        reg = StepByte(reg, *p++);
    return reg;
}

inline uint8_t AsciiLower(uint8_t c)
{
    return uint8_t(Zel::AsciiToLower(char(c)));
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* bytes, size_t length)
{
    if (bytes == nullptr || length == 0)
        return crc;
    return ~UpdateRegister(~crc, static_cast<const uint8_t*>(bytes), length);
}

uint32_t Crc32(const void* bytes, size_t length)
{
    return Crc32Update(0, bytes, length);
}

uint32_t Crc32LowerCase(const char* text)
{
    if (text == nullptr)
        return 0;
    uint32_t reg = 0xFFFFFFFFu;
    for (const uint8_t* p = reinterpret_cast<const uint8_t*>(text); *p != 0; ++p)
        reg = StepByte(reg, AsciiLower(*p));
    return ~reg;
}
