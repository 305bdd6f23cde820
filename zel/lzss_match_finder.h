// The LZSS encoder's match finder: a sliding buffer with rolling-hash chains, walked without a chain limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/ioslave.h"

namespace Zel {

// What the match finder decides, in stream order. Each call returns false
// once the output failed, which ends the coding.
class LZSSTokenSink {
public:
    virtual ~LZSSTokenSink() = default;
    // 1 to 258 literal bytes sent together (a run when the coding has one).
    virtual bool Literals(const uint8_t* bytes, int count) = 0;
    // length 3..258, distance 1..window - 1.
    virtual bool Match(int length, int distance) = 0;
};

// Every choice here shows in the stream (which candidates are seen, which
// wins, where the buffer slides), so it follows the format's own encoder:
// no chain limit but the window and the good-enough length.
class LZSSMatchFinder {
public:
    // Codes inputLength bytes from the input. False when the input ran
    // short or the sink failed.
    bool Encode(IOSlave& input, size_t inputLength, int positionBits, int goodLength, LZSSTokenSink& sink);
    void Release();

private:
    static constexpr uint16_t kEmpty = 0xFFFF;

    bool Fill(IOReadCursor& input, size_t count);
    void Slide(size_t shift);
    void Insert(size_t position)
    {
        hash_ = ((hash_ << hashShift_) ^ buffer_[position + 2]) & hashMask_;
        chain_[position] = head_[hash_];
        head_[hash_] = uint16_t(position);
    }
    // The longest match at position among the chain behind it.
    int Search(size_t position, size_t limit, int& distance) const;

    std::vector<uint8_t> buffer_;
    std::vector<uint16_t> head_;
    std::vector<uint16_t> chain_;
    size_t window_ = 0;
    size_t capacity_ = 0;  // logical buffer size: 2W + 258
    size_t base_ = 0;      // input offset of buffer position 0
    size_t physical_ = 0;  // bytes held (two beyond the logical end for hashing)
    size_t total_ = 0;
    uint32_t hash_ = 0;
    uint32_t hashShift_ = 0;
    uint32_t hashMask_ = 0;
    int goodLength_ = 0;
};

}  // namespace Zel
