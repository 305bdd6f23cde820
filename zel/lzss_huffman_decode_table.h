// The decoder's table over the adaptive tree's top levels: each run of first bits gives its path and where it ends.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/lzss_huffman_tree.h"

namespace Zel {

// Indexed by the next kBits input bits (the first bit lowest). An entry
// holds the positions from a child of the root down to a leaf or to the
// node reached after kBits levels, padded with the tree's spare records, so
// that counting a symbol on the way down is a fixed run of kBits steps with
// no test for the path's end. Counts never change the paths; an exchange
// does, at its two positions, and the tree has the table mend the entries
// through them. Attached to one tree while it decodes.
class LZSSHuffmanDecodeTable {
public:
    static constexpr int kBits = 6;
    static constexpr uint32_t kMask = (1u << kBits) - 1u;
    static_assert(kBits <= LZSSHuffmanTree::kSpares);
    // The walk hands the update a path at least this long.
    static_assert(kBits >= LZSSHuffmanTree::kPaddedPath);

    struct Entry {
        uint16_t path[kBits];
        // The same positions as the records themselves, which spares the
        // decoder an address sum per level. The records stay where they are
        // until the tree starts again, which builds the table anew.
        LZSSHuffmanTree::Node* records[kBits];
        // The child entry of the last position on the path: a symbol with
        // the leaf bit, or where the walk goes on below the table.
        int32_t reached;
        int32_t length;
    };

    explicit LZSSHuffmanDecodeTable(LZSSHuffmanTree& tree) : tree_(tree) { tree_.Attach(this); }
    ~LZSSHuffmanDecodeTable() { tree_.Attach(nullptr); }
    LZSSHuffmanDecodeTable(const LZSSHuffmanDecodeTable&) = delete;
    LZSSHuffmanDecodeTable& operator=(const LZSSHuffmanDecodeTable&) = delete;

    // Builds the table when the tree was started or rebuilt since.
    void Refresh()
    {
        if (tree_.ShapeChanged()) [[unlikely]]
            Build();
    }
    const Entry& Lookup(uint64_t bits) const { return entries_[bits & kMask]; }

    // Whether the position lies on the table's paths now. A position that
    // left them keeps its old depth and code, which no longer lead to it.
    bool Holds(int32_t position) const
    {
        const int depth = depthOf_[size_t(position)];
        return depth > 0 && entries_[codeOf_[size_t(position)]].path[depth - 1] == position;
    }
    // Refills the entries through a position whose content was exchanged.
    void Mend(const LZSSHuffmanTree& tree, int32_t position);

private:
    void Build();
    void Fill(const LZSSHuffmanTree& tree, Entry& prefix, uint32_t code);

    LZSSHuffmanTree& tree_;
    Entry entries_[1u << kBits];
    // Per position on the paths: its depth (0 for none) and its bits.
    std::vector<uint8_t> depthOf_;
    std::vector<uint16_t> codeOf_;
};

}  // namespace Zel
