// Byte and bit transport of the LZSS coder: a buffered byte writer, the 16-bit bit writer and the bit reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "zel/ioslave.h"

namespace Zel {

// Collects encoder output and hands it to the sink in large writes. Once a
// write comes short it stays failed, and the encoder gives up on the coded
// form (the stored fallback rewinds the sink).
class LZSSByteWriter {
public:
    explicit LZSSByteWriter(IOSlave& sink);
    void Put(uint8_t byte)
    {
        if (length_ == buffer_.size())
            Flush();
        buffer_[length_++] = byte;
    }
    void Write(const uint8_t* bytes, size_t count);
    // False once any write fell short.
    bool Flush();
    bool Failed() const { return failed_; }

private:
    IOSlave& sink_;
    std::vector<uint8_t> buffer_;
    size_t length_ = 0;
    bool failed_ = false;
};

// Bits from the lowest bit of each unit upward, emitted as 16-bit
// little-endian units; Finish pads the last unit with zero bits.
class LZSSBitWriter {
public:
    explicit LZSSBitWriter(LZSSByteWriter& out) : out_(out) {}
    // The value's count lowest bits, lowest first (count <= 16).
    void PutBits(uint32_t value, int count)
    {
        accumulator_ |= (value & ((1u << count) - 1u)) << pending_;
        pending_ += count;
        while (pending_ >= 16) {
            out_.Put(uint8_t(accumulator_));
            out_.Put(uint8_t(accumulator_ >> 8));
            accumulator_ >>= 16;
            pending_ -= 16;
        }
    }
    void Finish()
    {
        if (pending_ > 0)
            PutBits(0, 16 - pending_);
    }

private:
    LZSSByteWriter& out_;
    uint32_t accumulator_ = 0;
    int pending_ = 0;
};

// Bits of the input bytes, lowest first. The bits wait in a 64-bit window
// refilled a whole word at a time from a chunk of input, so that a Huffman
// walk tests for input once per symbol rather than once per bit. The window
// is a value the decoder keeps in its own locals (registers) and hands to
// Refill, which gives it back topped up. Reading ahead is harmless: the
// cursor belongs to one stream.
class LZSSBitReader {
public:
    struct Bits {
        uint64_t buffer = 0;
        int available = 0;

        // The next bit without a check; only while available > 0.
        int Take()
        {
            const int bit = int(buffer & 1u);
            buffer >>= 1;
            --available;
            return bit;
        }
        // The next two bits, the first in the lowest; only while
        // available >= 2.
        uint32_t PeekTwo() const { return uint32_t(buffer & 3u); }
        void Skip(int count)
        {
            buffer >>= count;
            available -= count;
        }
    };

    explicit LZSSBitReader(IOReadCursor& in);

    // Tops the window up to at least 56 bits, fewer only near the end of the
    // input.
    Bits Refill(Bits bits)
    {
        if (limit_ - next_ >= 8) [[likely]] {
            uint64_t word;
            memcpy(&word, next_, 8);
            bits.buffer |= LittleEndian(word) << bits.available;
            next_ += (63 - bits.available) >> 3;
            bits.available |= 56;
            return bits;
        }
        return RefillNearEnd(bits);
    }
    // count bits (<= 16), lowest first; -1 when the input ends first.
    int32_t GetBits(Bits& bits, int count)
    {
        if (bits.available < count) {
            bits = Refill(bits);
            if (bits.available < count)
                return -1;
        }
        const int32_t value = int32_t(bits.buffer & ((1u << count) - 1u));
        bits.Skip(count);
        return value;
    }

private:
    static uint64_t LittleEndian(uint64_t word)
    {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return __builtin_bswap64(word);
#else
        return word;
#endif
    }
    // Moves the chunk's last bytes to its front, reads more behind them and
    // takes whole bytes while they fit.
    Bits RefillNearEnd(Bits bits);

    IOReadCursor& in_;
    std::vector<uint8_t> chunk_;
    const uint8_t* next_ = nullptr;
    const uint8_t* limit_ = nullptr;
    bool inputEnded_ = false;
};

}  // namespace Zel
