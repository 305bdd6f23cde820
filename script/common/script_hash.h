// The toolchain's text hash: h = 3h + c over the bytes taken as signed 8-bit values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Utils {

// Symbol tables, the library string pool and the keyed string tables all use
// this hash; bucket orders written into library images depend on it.
inline uint32_t ScriptHash(const char* text)
{
    uint32_t h = 0;
    for (; *text != '\0'; ++text)
        h = h * 3u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(*text)));
    return h;
}

}  // namespace Utils
