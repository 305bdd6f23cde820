// Little-endian 32-bit words inside soup value blocks and binary soup bodies.
#pragma once

#include <cstdint>

inline uint32_t LoadSoupWord(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline void StoreSoupWord(uint8_t* bytes, uint32_t word)
{
    bytes[0] = uint8_t(word);
    bytes[1] = uint8_t(word >> 8);
    bytes[2] = uint8_t(word >> 16);
    bytes[3] = uint8_t(word >> 24);
}
