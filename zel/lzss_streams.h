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

// Bits of the input bytes, lowest first; -1 once the input is used up.
// The bits wait in a 64-bit buffer refilled a whole word at a time from a
// chunk of input, so that a Huffman walk tests for input once per symbol
// rather than once per bit. Reading ahead is harmless: the cursor belongs to
// one stream.
class LZSSBitReader {
public:
    explicit LZSSBitReader(IOReadCursor& in);

    // Tops the buffer up to at least 56 bits, fewer only near the end of the
    // input.
    void Refill()
    {
        if (limit_ - next_ >= 8) [[likely]] {
            uint64_t word;
            memcpy(&word, next_, 8);
            buffer_ |= LittleEndian(word) << available_;
            next_ += (63 - available_) >> 3;
            available_ |= 56;
            return;
        }
        RefillNearEnd();
    }
    int Available() const { return available_; }
    // The next bit without a check; only while Available() > 0.
    int TakeBit()
    {
        const int bit = int(buffer_ & 1u);
        buffer_ >>= 1;
        --available_;
        return bit;
    }
    int GetBit()
    {
        if (available_ == 0) {
            Refill();
            if (available_ == 0)
                return -1;
        }
        return TakeBit();
    }
    // count bits (<= 16), lowest first; -1 when the input ends first.
    int32_t GetBits(int count)
    {
        if (available_ < count) {
            Refill();
            if (available_ < count)
                return -1;
        }
        const int32_t value = int32_t(buffer_ & ((1u << count) - 1u));
        buffer_ >>= count;
        available_ -= count;
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
    void RefillNearEnd();

    IOReadCursor& in_;
    std::vector<uint8_t> chunk_;
    const uint8_t* next_ = nullptr;
    const uint8_t* limit_ = nullptr;
    uint64_t buffer_ = 0;
    int available_ = 0;
    bool inputEnded_ = false;
};

}  // namespace Zel
