// The LZSS match finder: rolling hash, hash chains over a sliding buffer, the coding loop with literal batching.
#include "zel/lzss_match_finder.h"

#include <cstring>

#include "zel/lzss_format.h"

namespace Zel {
namespace {

using namespace LZSSFormat;

// Spare zero bytes behind the buffer so word-wise compares never read past it.
constexpr size_t kPadding = 16;
// Bytes held beyond the logical end: the rolling hash of the last positions a
// match covers reads up to two bytes past it.
constexpr size_t kHashLookahead = 2;

// Equal bytes from the start, at most limit.
size_t CommonLength(const uint8_t* a, const uint8_t* b, size_t limit)
{
    size_t length = 0;
    while (length + 8 <= limit) {
        uint64_t x;
        uint64_t y;
        memcpy(&x, a + length, 8);
        memcpy(&y, b + length, 8);
        const uint64_t difference = x ^ y;
        if (difference != 0)
            return length + size_t(__builtin_ctzll(difference) / 8);
        length += 8;
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

uint16_t Shifted(uint16_t position, size_t shift, uint16_t empty)
{
    return (position == empty || position < shift) ? empty : uint16_t(position - shift);
}

}  // namespace

void LZSSMatchFinder::Release()
{
    buffer_ = {};
    head_ = {};
    chain_ = {};
}

bool LZSSMatchFinder::Fill(IOReadCursor& input, size_t count)
{
    const size_t got = input.Read(buffer_.data() + physical_, count);
    physical_ += got;
    return got == count;
}

void LZSSMatchFinder::Slide(size_t shift)
{
    memmove(buffer_.data(), buffer_.data() + shift, physical_ - shift);
    physical_ -= shift;
    base_ += shift;
    for (uint16_t& entry : head_)
        entry = Shifted(entry, shift, kEmpty);
    const size_t kept = capacity_ - shift;
    for (size_t i = 0; i < kept; ++i)
        chain_[i] = Shifted(chain_[i + shift], shift, kEmpty);
    for (size_t i = kept; i < capacity_; ++i)
        chain_[i] = kEmpty;
}

int LZSSMatchFinder::Search(size_t position, size_t limit, int& distance) const
{
    const uint8_t* current = buffer_.data() + position;
    const size_t stop = size_t(goodLength_) < limit ? size_t(goodLength_) : limit;
    size_t best = 0;
    size_t bestPosition = position;
    size_t candidate = chain_[position];
    while (true) {
        const uint8_t* earlier = buffer_.data() + candidate;
        // Equal first two bytes and an equal hash imply an equal third byte.
        if (earlier[0] == current[0] && earlier[best] == current[best] && earlier[1] == current[1]) {
            const size_t length = 3 + CommonLength(earlier + 3, current + 3, limit - 3);
            if (length > best) {
                best = length;
                bestPosition = candidate;
                if (best >= stop)
                    break;
            }
        }
        candidate = chain_[candidate];
        if (candidate == kEmpty || candidate + window_ <= position)
            break;
    }
    distance = int(position - bestPosition);
    return int(best);
}

bool LZSSMatchFinder::Encode(IOSlave& input, size_t inputLength, int positionBits, int goodLength, LZSSTokenSink& sink)
{
    window_ = size_t(1) << positionBits;
    capacity_ = 2 * window_ + kMaximumMatch;
    total_ = inputLength;
    base_ = 0;
    physical_ = 0;
    goodLength_ = goodLength;
    const size_t logical = inputLength < capacity_ ? inputLength : capacity_;
    hashShift_ = logical < 2000 ? 3 : (logical < 24000 ? 4 : 5);
    hashMask_ = 0xFFFFu >> (16 - 3 * hashShift_);
    buffer_.assign(capacity_ + kHashLookahead + kPadding, 0);
    head_.assign(size_t(hashMask_) + 1, kEmpty);
    chain_.assign(capacity_, kEmpty);

    IOReadCursor in(input, inputLength);
    auto wanted = [&]() {
        const size_t left = total_ - base_;
        return left < capacity_ + kHashLookahead ? left : capacity_ + kHashLookahead;
    };
    if (!Fill(in, wanted()))
        return false;
    if (inputLength >= 2)
        hash_ = ((uint32_t(buffer_[0]) << hashShift_) ^ buffer_[1]) & hashMask_;

    uint8_t pending[kMaximumLiteralBatch];
    int pendingCount = 0;
    auto sendPending = [&]() {
        const int count = pendingCount;
        pendingCount = 0;
        return count == 0 || sink.Literals(pending, count);
    };

    size_t position = 0;
    while (base_ + position < total_) {
        if (position >= 2 * window_) {
            const size_t shift = position - window_;
            Slide(shift);
            position = window_;
            if (!Fill(in, wanted() - physical_))
                return false;
        }
        const size_t left = total_ - (base_ + position);
        int length = 0;
        int distance = 0;
        if (left >= size_t(kMinimumMatch)) {
            Insert(position);
            const size_t newest = chain_[position];
            if (newest != kEmpty && newest + window_ > position) {
                const size_t logicalEnd = (total_ - base_) < capacity_ ? (total_ - base_) : capacity_;
                const size_t bufferLeft = logicalEnd - position;
                length = Search(position, left < bufferLeft ? left : bufferLeft, distance);
            }
        }
        if (length < kMinimumMatch) {
            pending[pendingCount++] = buffer_[position++];
            if (pendingCount == kMaximumLiteralBatch && !sendPending())
                return false;
            continue;
        }
        if (!sendPending())
            return false;
        int remaining = length;
        while (remaining > kMaximumMatch) {
            if (!sink.Match(kMaximumMatch, distance))
                return false;
            remaining -= kMaximumMatch;
        }
        const bool sent = remaining >= kMinimumMatch
                              ? sink.Match(remaining, distance)
                              : sink.Literals(buffer_.data() + position + size_t(length - remaining), remaining);
        if (!sent)
            return false;
        for (size_t covered = position + 1; covered < position + size_t(length); ++covered) {
            if (total_ - (base_ + covered) >= size_t(kMinimumMatch))
                Insert(covered);
        }
        position += size_t(length);
    }
    return sendPending();
}

}  // namespace Zel
