// An independent decoder of LZSS Huffman streams (levels 7-9) for the tests: a plain array tree, one bit at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace LZSSTest {

// The adaptive tree kept the simple way: one array per field, the parent
// looked up at every step, the leaf found again from its symbol. The coder
// keeps the same tree in a faster shape; both must make the same moves.
class ReferenceHuffmanTree {
public:
    explicit ReferenceHuffmanTree(int symbols)
    {
        leaves_ = (symbols + 1) & ~1;
        const int nodes = 2 * leaves_ - 1;
        root_ = nodes - 1;
        frequency_.assign(size_t(nodes), 0);
        child_.assign(size_t(nodes), 0);
        parent_.assign(size_t(nodes), kFree);
        leaf_.assign(size_t(leaves_), 0);
        for (int i = 0; i < leaves_; ++i) {
            frequency_[size_t(i)] = 1;
            child_[size_t(i)] = i | kLeaf;
            leaf_[size_t(i)] = i;
        }
        for (int m = 0; leaves_ + m < nodes; ++m) {
            const int node = leaves_ + m;
            frequency_[size_t(node)] = frequency_[size_t(2 * m)] + frequency_[size_t(2 * m + 1)];
            child_[size_t(node)] = 2 * m;
            parent_[size_t(2 * m)] = node;
            parent_[size_t(2 * m + 1)] = node;
        }
        parent_[size_t(root_)] = -1;
    }

    // The symbol read from the bits (-1 when they end first), counted.
    template <class NextBit>
    int Decode(NextBit nextBit)
    {
        int entry = child_[size_t(root_)];
        while ((entry & kLeaf) == 0) {
            const int bit = nextBit();
            if (bit < 0)
                return -1;
            entry = child_[size_t(entry + bit)];
        }
        const int symbol = entry & ~kLeaf;
        Update(symbol);
        return symbol;
    }

private:
    static constexpr int kLeaf = 0x8000;
    static constexpr int kFree = -2;

    bool IsLeaf(int position) const { return (child_[size_t(position)] & kLeaf) != 0; }

    void Update(int symbol)
    {
        if (frequency_[size_t(root_)] >= 0x8000)
            Rebuild();
        int position = leaf_[size_t(symbol)];
        while (position != root_) {
            const uint32_t count = ++frequency_[size_t(position)];
            if (frequency_[size_t(position + 1)] < count) {
                int last = position + 2;
                while (last < root_ && frequency_[size_t(last)] < count)
                    ++last;
                --last;
                std::swap(frequency_[size_t(position)], frequency_[size_t(last)]);
                std::swap(child_[size_t(position)], child_[size_t(last)]);
                Adopt(position);
                Adopt(last);
                position = last;
            }
            position = parent_[size_t(position)];
        }
        ++frequency_[size_t(root_)];
    }

    void Adopt(int position)
    {
        const int entry = child_[size_t(position)];
        if (entry & kLeaf) {
            leaf_[size_t(entry & ~kLeaf)] = position;
            return;
        }
        parent_[size_t(entry)] = position;
        parent_[size_t(entry + 1)] = position;
    }

    // Leaves halved, then inner nodes rebuilt from the lowest pair upward,
    // each placed in the first free slot and moved down past larger ones,
    // or with smaller leaves above the slot pulled below it.
    void Rebuild()
    {
        for (int position = 0; position <= root_; ++position) {
            if (IsLeaf(position))
                frequency_[size_t(position)] = (frequency_[size_t(position)] + 1) / 2;
            parent_[size_t(position)] = kFree;
        }
        int pairCursor = 0;
        int slotCursor = 0;
        int leavesLeft = leaves_;
        while (true) {
            int first = pairCursor;
            while (first < root_ && parent_[size_t(first)] != kFree)
                ++first;
            if (first + 1 >= root_)
                break;
            pairCursor = first + 2;
            while (slotCursor < root_ && (IsLeaf(slotCursor) || parent_[size_t(slotCursor)] != kFree)) {
                if (IsLeaf(slotCursor))
                    --leavesLeft;
                ++slotCursor;
            }
            const uint32_t sum = frequency_[size_t(first)] + frequency_[size_t(first + 1)];
            int slot = slotCursor++;
            if (slot > 0 && frequency_[size_t(slot - 1)] > sum) {
                int at = slot - 1;
                while (at > first + 2 && frequency_[size_t(at - 1)] > sum)
                    --at;
                for (int moving = slot; moving > at; --moving) {
                    frequency_[size_t(moving)] = frequency_[size_t(moving - 1)];
                    child_[size_t(moving)] = child_[size_t(moving - 1)];
                    Adopt(moving);
                }
                slot = at;
            } else {
                while (leavesLeft > 0) {
                    int leaf = slot + 1;
                    while (leaf < root_ && !IsLeaf(leaf))
                        ++leaf;
                    if (leaf >= root_ || !(frequency_[size_t(leaf)] < sum))
                        break;
                    frequency_[size_t(slot)] = frequency_[size_t(leaf)];
                    child_[size_t(slot)] = child_[size_t(leaf)];
                    Adopt(slot);
                    parent_[size_t(slot)] = kFree;
                    child_[size_t(leaf)] = 0;
                    --leavesLeft;
                    ++slot;
                    ++slotCursor;
                }
            }
            frequency_[size_t(slot)] = sum;
            child_[size_t(slot)] = first;
            parent_[size_t(first)] = slot;
            parent_[size_t(first + 1)] = slot;
        }
        parent_[size_t(root_)] = -1;
    }

    int leaves_ = 0;
    int root_ = 0;
    std::vector<uint32_t> frequency_;
    std::vector<int> child_;
    std::vector<int> parent_;
    std::vector<int> leaf_;
};

// How many symbols each tree decoded, so a test can tell that a stream was
// long enough to halve its trees.
struct ReferenceSymbolCounts {
    size_t main = 0;
    size_t positions = 0;
};

// Decodes a whole Huffman stream (its first byte included); false when it
// is no Huffman stream, ends before its end symbol or copies from before
// the start.
inline bool ReferenceDecodeHuffman(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out,
                                   ReferenceSymbolCounts* counts = nullptr)
{
    ReferenceSymbolCounts ignored;
    ReferenceSymbolCounts& counted = counts ? *counts : ignored;
    static const int lengthBase[16] = {0, 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129};
    static const int lengthExtra[16] = {0, 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 7};
    out.clear();
    if (stream.empty())
        return false;
    const int windowCode = stream[0] >> 4;
    if ((stream[0] & 15) < 7 || windowCode < 1 || windowCode > 2)
        return false;
    const int rawBits = windowCode == 1 ? 6 : 8;
    ReferenceHuffmanTree main(274);
    ReferenceHuffmanTree positions(64);
    size_t bitAt = 8;
    const size_t bitEnd = stream.size() * 8;
    auto nextBit = [&]() -> int {
        if (bitAt >= bitEnd)
            return -1;
        const int bit = (stream[bitAt >> 3] >> (bitAt & 7)) & 1;
        ++bitAt;
        return bit;
    };
    auto bits = [&](int count) -> int {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const int bit = nextBit();
            if (bit < 0)
                return -1;
            value |= bit << i;
        }
        return value;
    };
    while (true) {
        const int symbol = main.Decode(nextBit);
        ++counted.main;
        if (symbol < 0 || symbol > 272)
            return false;
        if (symbol < 256) {
            out.push_back(uint8_t(symbol));
            continue;
        }
        if (symbol == 272)
            return true;
        const int code = symbol - 256;
        const int extra = bits(lengthExtra[code]);
        const int high = positions.Decode(nextBit);
        ++counted.positions;
        const int low = bits(rawBits);
        if (extra < 0 || high < 0 || low < 0)
            return false;
        const size_t distance = (size_t(high) << rawBits) | size_t(low);
        const size_t length = size_t(lengthBase[code] + extra + 3);
        if (distance == 0 || distance > out.size())
            return false;
        for (size_t i = 0; i < length; ++i)
            out.push_back(out[out.size() - distance]);
    }
}

}  // namespace LZSSTest
