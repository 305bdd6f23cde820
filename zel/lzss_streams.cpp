// The LZSS coder's buffered byte writer and the bit reader's chunked input.
#include "zel/lzss_streams.h"

#include <cstring>

namespace Zel {
namespace {
constexpr size_t kWriterBuffer = 0x10000;
constexpr size_t kReaderChunk = 0x10000;
}  // namespace

LZSSByteWriter::LZSSByteWriter(IOSlave& sink) : sink_(sink), buffer_(kWriterBuffer) {}

void LZSSByteWriter::Write(const uint8_t* bytes, size_t count)
{
    while (count > 0) {
        if (length_ == buffer_.size())
            Flush();
        size_t take = buffer_.size() - length_;
        if (take > count)
            take = count;
        memcpy(buffer_.data() + length_, bytes, take);
        length_ += take;
        bytes += take;
        count -= take;
    }
}

bool LZSSByteWriter::Flush()
{
    if (length_ > 0 && !failed_ && sink_.Write(buffer_.data(), length_) != length_)
        failed_ = true;
    length_ = 0;
    return !failed_;
}

LZSSBitReader::LZSSBitReader(IOReadCursor& in) : in_(in), chunk_(kReaderChunk)
{
    next_ = chunk_.data();
    limit_ = chunk_.data();
}

LZSSBitReader::Bits LZSSBitReader::RefillNearEnd(Bits bits)
{
    if (!inputEnded_) {
        const size_t left = size_t(limit_ - next_);
        memmove(chunk_.data(), next_, left);
        const size_t got = in_.Read(chunk_.data() + left, chunk_.size() - left);
        if (got == 0)
            inputEnded_ = true;
        next_ = chunk_.data();
        limit_ = chunk_.data() + left + got;
        if (limit_ - next_ >= 8)
            return Refill(bits);
    }
    while (bits.available <= 56 && next_ < limit_) {
        bits.buffer |= uint64_t(*next_++) << bits.available;
        bits.available += 8;
    }
    return bits;
}

}  // namespace Zel
