// The LZSS decoder's output: recent bytes kept for match copies, the rest handed to the sink in large writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "zel/ioslave.h"

namespace Zel {

// Every write reports false once the stream is found bad (a copy from before
// the start of the output) or the sink took fewer bytes than offered; the
// decoder then stops.
class LZSSOutputWindow {
public:
    // Longest distance a stream can express (window code 2, 14 bits).
    static constexpr size_t kHistory = 1u << 14;

    explicit LZSSOutputWindow(IOSlave& sink);

    bool Literal(uint8_t byte)
    {
        if (end_ == capacity_ && !Drain())
            return false;
        buffer_[end_++] = byte;
        return true;
    }
    // Room for count bytes at the end, to be filled and then committed;
    // null when the sink fell short or count exceeds what the buffer holds
    // beyond its history.
    uint8_t* Reserve(size_t count);
    void Commit(size_t count) { end_ += count; }
    bool Copy(size_t distance, size_t length)
    {
        // Most matches: far enough back to move whole blocks, and room left.
        if (distance >= kCopyBlock && distance <= end_ && distance <= kHistory && length <= capacity_ - end_)
            [[likely]] {
            // Most matches are short: a fixed run of blocks costs less than
            // a loop whose end the processor keeps guessing wrong.
            uint8_t* out = buffer_.data() + end_;
#pragma GCC unroll 4
            for (size_t done = 0; done < kShortCopy; done += kCopyBlock)
                memcpy(out + done, out + done - distance, kCopyBlock);
            for (size_t done = kShortCopy; done < length; done += kCopyBlock)
                memcpy(out + done, out + done - distance, kCopyBlock);
            end_ += length;
            return true;
        }
        return CopyChecked(distance, length);
    }
    // Hands everything to the sink; false when the sink fell short before.
    bool Finish();
    uint64_t Produced() const
    {
        return flushed_ + (end_ - kept_);
    }

private:
    bool Drain();
    bool CopyChecked(size_t distance, size_t length);

    // Copies from at least a block back move whole blocks, and the last
    // one may run past the copy's end into bytes not yet output; a copy
    // always moves at least kShortCopy bytes. The buffer holds that much
    // more than it ever fills.
    static constexpr size_t kCopyBlock = 16;
    static constexpr size_t kShortCopy = 4 * kCopyBlock;

    IOSlave& sink_;
    std::vector<uint8_t> buffer_;
    size_t capacity_;  // what the output may fill: the buffer less a block
    size_t kept_ = 0;  // bytes at the front already handed over (history)
    size_t end_ = 0;
    uint64_t flushed_ = 0;
    bool failed_ = false;
};

}  // namespace Zel
