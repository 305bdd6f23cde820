// The adaptive Huffman tree: its start shape, and consistent links and order through updates and rebuilds.
#include <gtest/gtest.h>

#include <cstdint>

#include "zel/lzss_huffman_tree.h"

TEST(LZSSHuffmanTree, StartShape)
{
    Zel::LZSSHuffmanTree tree;
    tree.Start(273);
    EXPECT_EQ(tree.Leaves(), 274);
    EXPECT_EQ(tree.Root(), 546);
    EXPECT_EQ(tree.Child(274), 0);
    EXPECT_EQ(tree.Child(5), 5 | Zel::LZSSHuffmanTree::kLeafBit);
    EXPECT_EQ(tree.Parent(tree.Root()), -1);
    EXPECT_EQ(tree.Frequency(tree.Root()), 274u);
    EXPECT_TRUE(tree.CheckConsistency());
    uint8_t path[600];
    ASSERT_EQ(tree.Path(272, path, 600), 8);
    const uint8_t expected[8] = {1, 1, 1, 0, 1, 1, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(path[i], expected[i]) << i;
}

// Skewed and shifting symbol mixes drive the root past the rebuild limit many
// times; after every update the tree must still be a sorted, linked tree.
TEST(LZSSHuffmanTree, StaysConsistentThroughRebuilds)
{
    for (int symbols : {16, 64, 273}) {
        Zel::LZSSHuffmanTree tree;
        tree.Start(symbols);
        uint32_t state = uint32_t(symbols);
        bool checked = true;
        for (int i = 0; i < 200000 && checked; ++i) {
            state = state * 1103515245u + 12345u;
            const int phase = (i / 20000) % 3;
            int32_t symbol;
            if (phase == 0)
                symbol = int32_t((state >> 16) % 4);
            else if (phase == 1)
                symbol = int32_t((state >> 16) % uint32_t(symbols));
            else
                symbol = int32_t(((state >> 16) % 7) * ((state >> 8) % 3) % uint32_t(symbols));
            tree.Update(symbol);
            if (i % 97 == 0 || tree.Frequency(tree.Root()) < 40)
                checked = tree.CheckConsistency();
        }
        EXPECT_TRUE(checked) << symbols;
        EXPECT_TRUE(tree.CheckConsistency()) << symbols;
    }
}
