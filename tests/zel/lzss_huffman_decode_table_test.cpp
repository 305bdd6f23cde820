// The decoder's table over the adaptive tree's top levels: every entry agrees with a walk of the tree as it is now.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "zel/lzss_huffman_decode_table.h"
#include "zel/lzss_huffman_tree.h"

namespace {

using Table = Zel::LZSSHuffmanDecodeTable;
using Tree = Zel::LZSSHuffmanTree;

// Walks the tree from the root for every table index and compares the
// positions passed, the padding, the bit count and the child entry reached.
std::string FirstDisagreement(const Tree& tree, const Table& table)
{
    for (uint32_t index = 0; index <= Table::kMask; ++index) {
        const Table::Entry& entry = table.Lookup(index);
        int32_t reached = tree.Child(tree.Root());
        int32_t length = 0;
        for (; length < Table::kBits && !(reached & Tree::kLeafBit); ++length) {
            const int32_t position = reached + int32_t(index >> length & 1u);
            if (entry.path[length] != position)
                return "index " + std::to_string(index) + " position at depth " + std::to_string(length);
            reached = tree.Child(position);
        }
        if (entry.length != length || entry.reached != reached)
            return "index " + std::to_string(index) + " end";
        for (int i = length; i < Table::kBits; ++i) {
            if (entry.path[i] != tree.Spare(i))
                return "index " + std::to_string(index) + " padding";
        }
    }
    return "";
}

// Skewed, flat and shifting symbol mixes move nodes at every depth and halve
// the tree many times; the table is mended through each exchange and built
// anew after each halving.
TEST(LZSSHuffmanDecodeTable, FollowsTheTreeThroughExchangesAndRebuilds)
{
    for (int symbols : {16, 64, 273}) {
        Tree tree;
        tree.Start(symbols);
        Table table(tree);
        table.Refresh();
        ASSERT_EQ(FirstDisagreement(tree, table), "") << symbols;
        uint32_t state = uint32_t(symbols) * 7919u;
        std::string disagreement;
        for (int i = 0; i < 120000 && disagreement.empty(); ++i) {
            state = state * 1103515245u + 12345u;
            const uint32_t pick = state >> 16;
            const int phase = (i / 15000) % 4;
            int32_t symbol;
            if (phase == 0)
                symbol = int32_t(pick % 3);
            else if (phase == 1)
                symbol = int32_t(pick % uint32_t(symbols));
            else if (phase == 2)
                symbol = int32_t((pick % 11) * (pick % 5) % uint32_t(symbols));
            else
                symbol = int32_t(uint32_t(symbols) - 1 - pick % 9);
            tree.Update(symbol);
            table.Refresh();
            if (i % 13 == 0 || symbols == 16)
                disagreement = FirstDisagreement(tree, table);
        }
        EXPECT_EQ(disagreement, "") << symbols;
        EXPECT_TRUE(tree.CheckConsistency()) << symbols;
    }
}

}  // namespace
