// An independent flag-word encoder for the LZSS tests: plain position lists per hash, whole-input arrays.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace LZSSTest {

// Written from the format description without the coder's tables: every
// candidate of the same 3-byte hash inside the window, newest first. Only
// for levels 1-6 and inputs longer than 6 bytes.
inline std::vector<uint8_t> ReferenceEncodeFlagWords(const std::vector<uint8_t>& in, int level)
{
    static const int windowOfLevel[7] = {0, 1, 1, 1, 2, 2, 2};
    static const int goodOfLevel[7] = {0, 8, 16, 32, 64, 128, 256};
    const size_t n = in.size();
    int code = windowOfLevel[level];
    if (n < 256)
        code = 0;
    else if (code > 0 && n <= (code == 2 ? 4096u : 256u))
        --code;
    const int bits = code == 0 ? 8 : (code == 1 ? 12 : 14);
    const size_t window = size_t(1) << bits;
    const size_t capacity = 2 * window + 258;
    const size_t held = n < capacity ? n : capacity;
    const unsigned shift = held < 2000 ? 3 : (held < 24000 ? 4 : 5);
    const unsigned mask = (1u << (3 * shift)) - 1;
    auto hash = [&](size_t q) {
        return ((unsigned(in[q]) << (2 * shift)) ^ (unsigned(in[q + 1]) << shift) ^ in[q + 2]) & mask;
    };

    std::vector<uint8_t> out{uint8_t(code << 4 | level)};
    std::vector<uint8_t> data;
    uint32_t word = 0;
    int used = 32;
    bool open = false;
    auto putBit = [&](uint32_t bit) {
        if (used == 32) {
            if (open) {
                for (int i = 0; i < 4; ++i)
                    out.push_back(uint8_t(word >> (8 * i)));
                out.insert(out.end(), data.begin(), data.end());
                data.clear();
            }
            open = true;
            word = 0;
            used = 0;
        }
        word |= bit << used++;
    };
    auto literals = [&](const uint8_t* bytes, size_t count) {
        if (code != 0 && count >= 6) {
            putBit(0);
            putBit(1);
            data.push_back(uint8_t(count - 3));
            data.insert(data.end(), bytes, bytes + count);
            return;
        }
        for (size_t i = 0; i < count; ++i) {
            putBit(0);
            if (code != 0)
                putBit(0);
            data.push_back(bytes[i]);
        }
    };
    auto match = [&](size_t length, size_t distance) {
        const unsigned value = unsigned(length - 3);
        putBit(1);
        if (code == 0) {
            const unsigned field = value < 7 ? value : 7;
            for (int i = 0; i < 3; ++i)
                putBit((field >> i) & 1);
            if (field == 7)
                data.push_back(uint8_t(value));
            data.push_back(uint8_t(distance));
            return;
        }
        const unsigned top = (1u << (16 - bits)) - 1;
        const unsigned field = value < top ? value : top;
        const unsigned packed = unsigned(distance) | field << bits;
        data.push_back(uint8_t(packed));
        data.push_back(uint8_t(packed >> 8));
        if (field == top)
            data.push_back(uint8_t(value));
    };

    std::map<unsigned, std::vector<size_t>> positions;
    std::vector<uint8_t> pending;
    auto flush = [&]() {
        if (!pending.empty())
            literals(pending.data(), pending.size());
        pending.clear();
    };
    size_t base = 0;
    size_t pos = 0;
    while (pos < n) {
        if (pos - base >= 2 * window)
            base = pos - window;
        size_t best = 0;
        size_t bestDistance = 0;
        if (n - pos >= 3) {
            std::vector<size_t>& list = positions[hash(pos)];
            const size_t bufferEnd = base + capacity < n ? base + capacity : n;
            const size_t limit = bufferEnd - pos;
            const size_t stop = size_t(goodOfLevel[level]) < limit ? size_t(goodOfLevel[level]) : limit;
            for (auto it = list.rbegin(); it != list.rend() && *it + window > pos; ++it) {
                size_t length = 0;
                while (length < limit && in[*it + length] == in[pos + length])
                    ++length;
                if (length >= 3 && length > best) {
                    best = length;
                    bestDistance = pos - *it;
                    if (best >= stop)
                        break;
                }
            }
            list.push_back(pos);
        }
        if (best < 3) {
            pending.push_back(in[pos++]);
            if (pending.size() == 258)
                flush();
            continue;
        }
        flush();
        size_t left = best;
        while (left > 258) {
            match(258, bestDistance);
            left -= 258;
        }
        if (left >= 3)
            match(left, bestDistance);
        else
            literals(&in[pos + best - left], left);
        for (size_t q = pos + 1; q < pos + best; ++q) {
            if (n - q >= 3)
                positions[hash(q)].push_back(q);
        }
        pos += best;
    }
    flush();
    if (open) {
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(word >> (8 * i)));
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

}  // namespace LZSSTest
