// The adaptive Huffman tree of LZSS levels 7-9: nodes kept sorted by frequency, updated after every symbol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zel {

// A tree of N leaves (the symbol count rounded up to even) and 2N - 1 nodes
// held by position; the root is the last position. A leaf's child entry is
// its symbol with kLeafBit set; an inner node's is the position of its first
// child, the second following it. Encoder and decoder run the same updates,
// so the tree's exact shape after every symbol is part of the stream format.
class LZSSHuffmanTree {
public:
    static constexpr int32_t kLeafBit = 0x8000;
    // The tree is halved when the root's frequency reaches this.
    static constexpr uint32_t kRebuildFrequency = 0x8000;

    void Start(int symbols);
    void Release();
    bool IsStarted() const { return !frequency_.empty(); }

    int32_t Leaves() const { return leaves_; }
    int32_t Root() const { return root_; }
    int32_t Child(int32_t position) const { return child_[size_t(position)]; }
    uint32_t Frequency(int32_t position) const { return frequency_[size_t(position)]; }
    int32_t Parent(int32_t position) const { return parent_[size_t(position)]; }
    int32_t LeafOf(int32_t symbol) const { return leafPosition_[size_t(symbol)]; }

    // The bits from the root to the symbol's leaf, first bit first, stored in
    // `bits`; returns how many (0 for a symbol out of range).
    int32_t Path(int32_t symbol, uint8_t* bits, int32_t capacity) const;
    // Counts the symbol once, keeping the nodes sorted; rebuilds first when
    // the root's frequency has reached kRebuildFrequency.
    void Update(int32_t symbol);

    // For tests: every link agrees, frequencies are sorted and add up.
    bool CheckConsistency() const;

private:
    void Rebuild();
    // Swaps the contents of two positions and mends the links into them.
    void Exchange(int32_t a, int32_t b);
    void PointChildrenAt(int32_t position);
    bool IsLeafAt(int32_t position) const { return (child_[size_t(position)] & kLeafBit) != 0; }

    int32_t leaves_ = 0;
    int32_t root_ = -1;
    std::vector<uint32_t> frequency_;
    std::vector<int32_t> child_;
    std::vector<int32_t> parent_;
    std::vector<int32_t> leafPosition_;
};

}  // namespace Zel
