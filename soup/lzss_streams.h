// Byte and bit transport of the LZSS coder: a buffered byte writer, the 16-bit bit writer and the bit reader.
#pragma once

#include <cstddef>
#include <cstdint>
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
class LZSSBitReader {
public:
    explicit LZSSBitReader(IOReadCursor& in) : in_(in) {}
    int GetBit()
    {
        if (available_ == 0 && !Refill())
            return -1;
        const int bit = int(buffer_ & 1u);
        buffer_ >>= 1;
        --available_;
        return bit;
    }
    // count bits (<= 16), lowest first; -1 when the input ends first.
    int32_t GetBits(int count)
    {
        while (available_ < count) {
            if (!Refill())
                return -1;
        }
        const int32_t value = int32_t(buffer_ & ((1u << count) - 1u));
        buffer_ >>= count;
        available_ -= count;
        return value;
    }

private:
    bool Refill()
    {
        const int byte = in_.Get();
        if (byte < 0)
            return false;
        buffer_ |= uint64_t(byte) << available_;
        available_ += 8;
        return true;
    }

    IOReadCursor& in_;
    uint64_t buffer_ = 0;
    int available_ = 0;
};

}  // namespace Zel
