// LZSS Huffman streams: symbols through the adaptive trees, length codes with extra bits, distances in two parts.
#include "zel/lzss_huffman_coder.h"

#include <cstring>

#include "zel/lzss_format.h"
#include "zel/lzss_huffman_decode_table.h"
#include "zel/lzss_output_window.h"

namespace Zel {
namespace {

using namespace LZSSFormat;

constexpr int32_t kPathCapacity = 2 * kMainTreeLeaves;

// A tree as the decoder drives it, with its table. The decode loop also
// keeps, in a register, how many symbols the tree can count before its root
// reaches the rebuild count, so that the common case tests that counter
// instead of the root and whether the table must be built anew. Table and
// counter are set again after every symbol of the slow walk, the only one
// that can rebuild the tree.
struct DecodingTree {
    explicit DecodingTree(LZSSHuffmanTree& decoded) : tree(decoded), table(decoded) {}
    void Resync(int32_t& untilRebuild)
    {
        table.Refresh();
        untilRebuild = tree.SymbolsBeforeRebuild();
    }

    LZSSHuffmanTree& tree;
    LZSSHuffmanDecodeTable table;
};

// Counts the symbol along the table's path for the next bits and, below the
// table, walks on two levels per load counting the nodes it passes (the
// tree's update when nothing moves, see CountOnTheWay); returns the leaf's
// symbol, -1 when the input ends on the way. The caller refills the window
// once per token, before its main-tree symbol: 56 bits then are more than a
// token of these frequencies takes, so the test for bits is almost never
// taken; near the end of the input, and before a rebuild, the walk goes a
// bit at a time and the update follows it. Inlined into the decode loop so
// that the bit window stays in registers.
[[gnu::always_inline]] inline int32_t DecodeSymbol(LZSSBitReader& reader, LZSSBitReader::Bits& bits,
                                                   DecodingTree& decoding, int32_t& untilRebuild)
{
    using Node = LZSSHuffmanTree::Node;
    using Table = LZSSHuffmanDecodeTable;
    constexpr int32_t kLeaf = LZSSHuffmanTree::kLeafBit;
    LZSSHuffmanTree& tree = decoding.tree;
    Table& table = decoding.table;
    Node* nodes = tree.CountingNodes();
    uint16_t path[LZSSHuffmanTree::kPathCapacity];
    int depth = 0;
    if (untilRebuild > 0 && bits.available >= Table::kBits) [[likely]] {
        --untilRebuild;
        const Table::Entry& entry = table.Lookup(bits.buffer);
        uint32_t nothingMoves = 1;
#pragma GCC unroll 16
        for (int i = 0; i < Table::kBits; ++i)
            nothingMoves &= LZSSHuffmanTree::CountOnTheWay(entry.records[i]);
        const int32_t reached = entry.reached;
        depth = entry.length;
        bits.Skip(depth);
        if ((reached & kLeaf) && nothingMoves) [[likely]] {
            tree.FinishCountedWalk(path, depth, nothingMoves);
            return reached & ~kLeaf;
        }
        // The whole record at once: the padding past the path is never read.
        memcpy(path, entry.path, sizeof(entry.path));
        if (reached & kLeaf) {
            tree.FinishCountedWalk(path, depth, nothingMoves);
            return reached & ~kLeaf;
        }
        const Node* node = &nodes[path[depth - 1]];
        while (bits.available >= 2 && depth <= LZSSHuffmanTree::kPathCapacity - 2) {
            const uint32_t two = bits.PeekTwo();
            const int32_t first = node->child + int32_t(two & 1);
            const int32_t below = node->below[two & 1];
            path[depth] = uint16_t(first);
            nothingMoves &= LZSSHuffmanTree::CountOnTheWay(nodes, first);
            ++depth;
            if (below & kLeaf) {
                bits.Skip(1);
                tree.FinishCountedWalk(path, depth, nothingMoves);
                return below & ~kLeaf;
            }
            const int32_t second = below + int32_t(two >> 1);
            path[depth] = uint16_t(second);
            nothingMoves &= LZSSHuffmanTree::CountOnTheWay(nodes, second);
            ++depth;
            bits.Skip(2);
            node = &nodes[second];
            const int32_t child = node->child;
            if (child & kLeaf) {
                // Read before the update, which may move the leaf's content.
                tree.FinishCountedWalk(path, depth, nothingMoves);
                return child & ~kLeaf;
            }
        }
        tree.UncountWalk(path, depth);
    }
    // Few bits left, a path longer than the record or a rebuild due: one
    // level at a time, counted up through the parent links.
    int32_t position = depth > 0 ? path[depth - 1] : tree.Root();
    int32_t entry = nodes[position].child;
    do {
        if (bits.available == 0) {
            bits = reader.Refill(bits);
            if (bits.available == 0)
                return -1;
        }
        position = entry + bits.Take();
        entry = nodes[position].child;
    } while ((entry & kLeaf) == 0);
    tree.UpdateLeafOutOfLine(position);
    decoding.Resync(untilRebuild);
    return entry & ~kLeaf;
}

}  // namespace

LZSSHuffmanEncoder::LZSSHuffmanEncoder(LZSSByteWriter& out, int windowCode, LZSSHuffmanTree& mainTree,
                                       LZSSHuffmanTree& positionTree)
    : out_(out), bits_(out), rawBits_(kWindows[windowCode].rawBits), main_(mainTree), position_(positionTree)
{
    main_.Start(kMainTreeLeaves);
    position_.Start(kWindows[windowCode].positionSymbols);
}

void LZSSHuffmanEncoder::PutSymbol(LZSSHuffmanTree& tree, int32_t symbol)
{
    uint8_t path[kPathCapacity];
    const int32_t count = tree.Path(symbol, path, kPathCapacity);
    for (int32_t i = 0; i < count; ++i)
        bits_.PutBits(path[i], 1);
    tree.Update(symbol);
}

bool LZSSHuffmanEncoder::Literals(const uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i)
        PutSymbol(main_, bytes[i]);
    return !out_.Failed();
}

bool LZSSHuffmanEncoder::Match(int length, int distance)
{
    const int value = length - kMinimumMatch;
    const int code = LengthCodeOf(value);
    PutSymbol(main_, kLengthCodeSymbol + code);
    bits_.PutBits(uint32_t(value - kLengthBase[code]), kLengthExtraBits[code]);
    PutSymbol(position_, distance >> rawBits_);
    bits_.PutBits(uint32_t(distance), rawBits_);
    return !out_.Failed();
}

bool LZSSHuffmanEncoder::Finish()
{
    PutSymbol(main_, kEndSymbol);
    bits_.Finish();
    return !out_.Failed();
}

bool DecodeHuffmanStream(IOReadCursor& in, int windowCode, LZSSHuffmanTree& mainTree, LZSSHuffmanTree& positionTree,
                         LZSSOutputWindow& out)
{
    const int rawBits = kWindows[windowCode].rawBits;
    mainTree.Start(kMainTreeLeaves);
    positionTree.Start(kWindows[windowCode].positionSymbols);
    LZSSBitReader reader(in);
    LZSSBitReader::Bits bits;
    DecodingTree main(mainTree);
    DecodingTree position(positionTree);
    int32_t mainUntilRebuild = 0;
    int32_t positionUntilRebuild = 0;
    main.Resync(mainUntilRebuild);
    position.Resync(positionUntilRebuild);
    while (true) {
        bits = reader.Refill(bits);
        const int32_t symbol = DecodeSymbol(reader, bits, main, mainUntilRebuild);
        if (symbol < 0)
            return false;
        if (symbol < kLengthCodeSymbol) {
            if (!out.Literal(uint8_t(symbol)))
                return false;
            continue;
        }
        if (symbol == kEndSymbol)
            return true;
        if (symbol > kEndSymbol)
            return false;
        const int code = symbol - kLengthCodeSymbol;
        const int32_t extra = reader.GetBits(bits, kLengthExtraBits[code]);
        if (extra < 0)
            return false;
        const int32_t high = DecodeSymbol(reader, bits, position, positionUntilRebuild);
        if (high < 0)
            return false;
        const int32_t low = reader.GetBits(bits, rawBits);
        if (low < 0)
            return false;
        const size_t distance = (size_t(high) << rawBits) | size_t(low);
        if (!out.Copy(distance, size_t(kLengthBase[code] + extra + kMinimumMatch)))
            return false;
    }
}

}  // namespace Zel
