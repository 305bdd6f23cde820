// Helpers of the LZSS tests: block compression into vectors, sample inputs, and an independent flag-word codec.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "zel/lzss_compress.h"

namespace LZSSTest {

using Bytes = std::vector<uint8_t>;

inline Bytes Compress(const Bytes& input, int level)
{
    Zel::LZSSCompress coder;
    Bytes out(input.size() + 1);
    const size_t written = coder.CompressBlock(out.data(), out.size(), input.data(), input.size(), level);
    out.resize(written);
    return out;
}

// Decodes into a block of the given capacity; false when the coder fails.
inline bool Decompress(const Bytes& stream, Bytes& out, size_t capacity)
{
    Zel::LZSSCompress coder;
    out.assign(capacity, 0);
    Zel::MemoryIOSlave sink(out.data(), out.size(), 0);
    Zel::MemoryIOSlave source(stream.data(), stream.size());
    const bool ok = coder.DecompressStream(sink, source, stream.size());
    out.resize(size_t(sink.Tell()));
    return ok;
}

inline Bytes FromText(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// Text with the repetition of real configs and scripts.
inline Bytes SampleText(size_t size)
{
    static const char* words[] = {"kuid",  "table",  "mesh",   "config", "kind",   "traincar",  "bogey", "<kuid:",
                                  "27000", "script", "asset",  "name",   "region", "\r\n",      "  ",    "\"",
                                  "0",     "1",      "engine", "{",      "}",      "thumbnail", ".",     ":"};
    Bytes out;
    uint32_t state = 12345;
    while (out.size() < size) {
        state = state * 1103515245u + 12345u;
        const char* word = words[(state >> 16) % (sizeof(words) / sizeof(words[0]))];
        for (const char* c = word; *c && out.size() < size; ++c)
            out.push_back(uint8_t(*c));
        if (out.size() < size && (state & 0x300) == 0)
            out.push_back(' ');
    }
    return out;
}

// Bytes with structure: small integers, repeated records, and noise.
inline Bytes SampleBinary(size_t size)
{
    Bytes out;
    uint32_t state = 777;
    while (out.size() < size) {
        state = state * 1664525u + 1013904223u;
        const uint32_t kind = state >> 29;
        if (kind < 3) {
            for (int i = 0; i < 4 && out.size() < size; ++i)
                out.push_back(uint8_t((state >> (8 * i)) & 0x0F));
        } else if (kind < 5 && out.size() > 64) {
            const size_t from = out.size() - 1 - ((state >> 8) % 60);
            const size_t count = 3 + ((state >> 3) % 40);
            for (size_t i = 0; i < count && out.size() < size; ++i)
                out.push_back(out[from + i]);
        } else {
            out.push_back(uint8_t(state >> 11));
        }
    }
    return out;
}

inline Bytes Noise(size_t size, uint32_t seed = 99)
{
    Bytes out(size);
    uint64_t state = seed;
    for (uint8_t& byte : out) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = uint8_t(state >> 24);
    }
    return out;
}

// An independent reading of the flag-word format, written straight from the
// format description: any disagreement with the coder is a format error.
inline bool ReferenceDecodeFlagWords(const Bytes& stream, Bytes& out)
{
    out.clear();
    if (stream.empty())
        return false;
    const int code = (stream[0] >> 4) & 3;
    const int positionBits = code == 0 ? 8 : (code == 1 ? 12 : 14);
    size_t at = 1;
    uint32_t word = 0;
    int bitsLeft = 0;
    auto bit = [&](int& value) {
        if (bitsLeft == 0) {
            if (at + 4 > stream.size())
                return false;
            word = uint32_t(stream[at]) | uint32_t(stream[at + 1]) << 8 | uint32_t(stream[at + 2]) << 16 |
                   uint32_t(stream[at + 3]) << 24;
            at += 4;
            bitsLeft = 32;
        }
        value = int(word & 1);
        word >>= 1;
        --bitsLeft;
        return true;
    };
    auto byte = [&](int& value) {
        if (at >= stream.size())
            return false;
        value = stream[at++];
        return true;
    };
    auto copy = [&](int distance, int length) {
        if (distance <= 0 || size_t(distance) > out.size())
            return false;
        for (int i = 0; i < length; ++i)
            out.push_back(out[out.size() - size_t(distance)]);
        return true;
    };
    while (true) {
        int flag = 0;
        if (!bit(flag))
            return true;
        if (code == 0) {
            if (flag == 0) {
                int value = 0;
                if (!byte(value))
                    return true;
                out.push_back(uint8_t(value));
                continue;
            }
            int length = 0;
            for (int i = 0; i < 3; ++i) {
                int b = 0;
                if (!bit(b))
                    return true;
                length |= b << i;
            }
            int distance = 0;
            if ((length == 7 && !byte(length)) || !byte(distance))
                return true;
            if (!copy(distance, length + 3))
                return false;
            continue;
        }
        if (flag == 1) {
            int low = 0;
            int high = 0;
            if (!byte(low) || !byte(high))
                return true;
            const int value = low | high << 8;
            int length = value >> positionBits;
            if (length == (1 << (16 - positionBits)) - 1 && !byte(length))
                return true;
            if (!copy(value & ((1 << positionBits) - 1), length + 3))
                return false;
            continue;
        }
        int run = 0;
        int count = 0;
        if (!bit(run) || !byte(count))
            return true;
        if (run == 0) {
            out.push_back(uint8_t(count));
            continue;
        }
        if (at + size_t(count) + 3 > stream.size())
            return true;
        out.insert(out.end(), stream.begin() + long(at), stream.begin() + long(at) + count + 3);
        at += size_t(count) + 3;
    }
}

}  // namespace LZSSTest
