// Helpers of the stream tests: byte fixtures and a stream that records its underlying reads.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "foundation/streams/t_buffer.h"

using Bytes = std::vector<uint8_t>;

inline Bytes Contents(const TBuffer& buffer)
{
    return Bytes(buffer.Data(), buffer.Data() + buffer.DataLength());
}

// A TBuffer holding the bytes, positioned at 0.
inline void Fill(TBuffer& buffer, const Bytes& bytes)
{
    buffer.WriteBytes(bytes.data(), int64_t(bytes.size()));
    buffer.Rewind();
}

// A stream over a vector that counts and sizes every uncached read and seek.
class RecordingStream : public TStream {
public:
    explicit RecordingStream(Bytes bytes) : bytes_(std::move(bytes)) {}

    std::vector<int64_t> rawReads;  // the count asked for by each RawRead
    int seeks = 0;

    void Reset() override {}
    int64_t Tell() override { return position_ - UnreadCount(); }
    bool IsOpen() override { return true; }
    bool Eof() override { return UnreadCount() == 0 && position_ >= int64_t(bytes_.size()); }

protected:
    int64_t DoWrite(const void*, int64_t) override { return 0; }
    int64_t RawRead(void* buffer, int64_t count) override
    {
        rawReads.push_back(count);
        int64_t left = int64_t(bytes_.size()) - position_;
        int64_t got = count < left ? count : left;
        if (got <= 0)
            return 0;
        std::copy(bytes_.begin() + position_, bytes_.begin() + position_ + got, static_cast<uint8_t*>(buffer));
        position_ += got;
        return got;
    }
    int64_t DoSeek(int64_t offset, int origin) override
    {
        ++seeks;
        position_ = origin == FromEnd ? int64_t(bytes_.size()) + offset : offset;
        return position_;
    }

private:
    Bytes bytes_;
    int64_t position_ = 0;
};

// n bytes whose value is their index modulo 251 (no period of 256).
inline Bytes Pattern(size_t n)
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = uint8_t(i % 251);
    return bytes;
}
