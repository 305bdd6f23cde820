// The decode table over the adaptive tree's top levels: built from the root, mended where an exchange changed a path.
#include "zel/lzss_huffman_decode_table.h"

namespace Zel {

void LZSSHuffmanDecodeTable::Build()
{
    tree_.ShapeRead();
    depthOf_.assign(size_t(tree_.Root()) + 1, 0);
    codeOf_.assign(size_t(tree_.Root()) + 1, 0);
    Entry start;
    for (int i = 0; i < kBits; ++i)
        start.path[i] = uint16_t(tree_.Spare(i));
    start.length = 0;
    start.reached = tree_.Child(tree_.Root());
    Fill(tree_, start, 0);
}

void LZSSHuffmanDecodeTable::Mend(const LZSSHuffmanTree& tree, int32_t position)
{
    const int depth = depthOf_[size_t(position)];
    const uint32_t code = codeOf_[size_t(position)];
    Entry prefix = entries_[code];
    for (int i = depth; i < kBits; ++i)
        prefix.path[i] = uint16_t(tree.Spare(i));
    prefix.length = depth;
    prefix.reached = tree.Child(position);
    Fill(tree, prefix, code);
}

// `prefix` is the path of the first prefix.length bits, `code`; it goes on
// while its child entry is an inner node and levels are left.
void LZSSHuffmanDecodeTable::Fill(const LZSSHuffmanTree& tree, Entry& prefix, uint32_t code)
{
    const int32_t depth = prefix.length;
    if ((prefix.reached & LZSSHuffmanTree::kLeafBit) || depth == kBits) {
        for (int i = 0; i < kBits; ++i)
            prefix.records[i] = tree_.CountingNodes() + prefix.path[i];
        for (uint32_t index = code; index <= kMask; index += 1u << depth)
            entries_[index] = prefix;
        return;
    }
    const int32_t first = prefix.reached;
    for (int32_t bit = 0; bit < 2; ++bit) {
        const int32_t position = first + bit;
        const uint32_t next = code | uint32_t(bit) << depth;
        depthOf_[size_t(position)] = uint8_t(depth + 1);
        codeOf_[size_t(position)] = uint16_t(next);
        prefix.path[depth] = uint16_t(position);
        prefix.length = depth + 1;
        prefix.reached = tree.Child(position);
        Fill(tree, prefix, next);
    }
    prefix.path[depth] = uint16_t(tree.Spare(depth));
    prefix.length = depth;
    prefix.reached = first;
}

}  // namespace Zel
