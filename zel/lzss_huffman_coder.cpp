// LZSS Huffman streams: symbols through the adaptive trees, length codes with extra bits, distances in two parts.
#include "zel/lzss_huffman_coder.h"

#include "zel/lzss_format.h"
#include "zel/lzss_output_window.h"

namespace Zel {
namespace {

using namespace LZSSFormat;

constexpr int32_t kPathCapacity = 2 * kMainTreeLeaves;

// Walks from the root, one load per level, and counts the symbol from the
// leaf it reached; -1 when the input ends on the way. The buffer holds 56
// bits after a refill, more than a tree of these frequencies is deep, so the
// per-bit test is almost never taken.
inline int32_t DecodeSymbol(LZSSBitReader& bits, LZSSHuffmanTree& tree)
{
    bits.Refill();
    const LZSSHuffmanTree::Node* nodes = tree.Nodes();
    int32_t entry = nodes[tree.Root()].child;
    int32_t position;
    do {
        if (bits.Available() == 0) [[unlikely]] {
            bits.Refill();
            if (bits.Available() == 0)
                return -1;
        }
        position = entry + bits.TakeBit();
        entry = nodes[position].child;
    } while ((entry & LZSSHuffmanTree::kLeafBit) == 0);
    tree.UpdateLeaf(position);
    return entry & ~LZSSHuffmanTree::kLeafBit;
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
    LZSSBitReader bits(in);
    while (true) {
        const int32_t symbol = DecodeSymbol(bits, mainTree);
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
        const int32_t extra = bits.GetBits(kLengthExtraBits[code]);
        if (extra < 0)
            return false;
        const int32_t high = DecodeSymbol(bits, positionTree);
        if (high < 0)
            return false;
        const int32_t low = bits.GetBits(rawBits);
        if (low < 0)
            return false;
        const size_t distance = (size_t(high) << rawBits) | size_t(low);
        if (!out.Copy(distance, size_t(kLengthBase[code] + extra + kMinimumMatch)))
            return false;
    }
}

}  // namespace Zel
