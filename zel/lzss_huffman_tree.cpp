// The adaptive Huffman tree: start, per-symbol update with node exchange, and the halving rebuild.
#include "zel/lzss_huffman_tree.h"

#include <utility>

#include "zel/lzss_huffman_decode_table.h"

namespace Zel {
namespace {

constexpr int32_t kFreeLink = -2;
constexpr int32_t kRootLink = -1;
// An emptied leaf place during the rebuild: no longer a leaf, not a node yet.
constexpr int32_t kEmptiedChild = 0;

// During the rebuild a leaf above the new node's slot is pulled below it only
// when its frequency is strictly smaller than the new node's. The insertion
// step below the slot places the node above equal frequencies; the two rules
// differ on ties and this one decides which streams of other copies decode.
bool PullsLeafBelow(uint32_t leafFrequency, uint32_t sum)
{
    return leafFrequency < sum;
}

}  // namespace

void LZSSHuffmanTree::Start(int symbols)
{
    leaves_ = int32_t((symbols + 1) & ~1);
    const int32_t nodes = 2 * leaves_ - 1;
    root_ = nodes - 1;
    nodes_.assign(size_t(nodes) + 2 * kSpares, Node{0, 0, kFreeLink, {0, 0}});
    ResetSpare();
    shapeChanged_ = true;
    leafPosition_.assign(size_t(leaves_), 0);
    for (int32_t i = 0; i < leaves_; ++i) {
        nodes_[size_t(i)].frequency = 1;
        nodes_[size_t(i)].child = i | kLeafBit;
        leafPosition_[size_t(i)] = i;
    }
    for (int32_t m = 0; leaves_ + m < nodes; ++m) {
        const int32_t node = leaves_ + m;
        nodes_[size_t(node)].frequency = nodes_[size_t(2 * m)].frequency + nodes_[size_t(2 * m + 1)].frequency;
        nodes_[size_t(node)].child = 2 * m;
        nodes_[size_t(2 * m)].parent = node;
        nodes_[size_t(2 * m + 1)].parent = node;
    }
    nodes_[size_t(root_)].parent = kRootLink;
    FillBelow();
}

void LZSSHuffmanTree::ResetSpare()
{
    for (int step = 0; step < kSpares; ++step) {
        nodes_[size_t(Spare(step))] = Node{0, kLeafBit, kFreeLink, {0, 0}};
        nodes_[size_t(Spare(step)) + 1] = Node{UINT32_MAX, kLeafBit, kFreeLink, {0, 0}};
    }
}

void LZSSHuffmanTree::FillBelow()
{
    for (int32_t position = 0; position <= root_; ++position) {
        Node& node = nodes_[size_t(position)];
        if (node.child & kLeafBit)
            continue;
        node.below[0] = uint16_t(nodes_[size_t(node.child)].child);
        node.below[1] = uint16_t(nodes_[size_t(node.child + 1)].child);
    }
}

void LZSSHuffmanTree::Release()
{
    nodes_ = {};
    leafPosition_ = {};
    shapeChanged_ = true;
    leaves_ = 0;
    root_ = -1;
}

int32_t LZSSHuffmanTree::Path(int32_t symbol, uint8_t* bits, int32_t capacity) const
{
    if (symbol < 0 || symbol >= leaves_)
        return 0;
    int32_t count = 0;
    for (int32_t position = leafPosition_[size_t(symbol)]; position != root_ && position >= 0 && count < capacity;
         position = nodes_[size_t(position)].parent)
        bits[count++] = uint8_t(position & 1);
    for (int32_t i = 0, j = count - 1; i < j; ++i, --j) {
        const uint8_t swap = bits[i];
        bits[i] = bits[j];
        bits[j] = swap;
    }
    return count;
}

[[gnu::always_inline]] inline void LZSSHuffmanTree::PointChildrenAt(int32_t position)
{
    const int32_t entry = nodes_[size_t(position)].child;
    if (entry & kLeafBit) {
        leafPosition_[size_t(entry & ~kLeafBit)] = position;
        return;
    }
    nodes_[size_t(entry)].parent = position;
    nodes_[size_t(entry + 1)].parent = position;
}

// Inlined into MoveUp, its only caller, which runs for most symbols of
// flat data.
[[gnu::always_inline]] inline void LZSSHuffmanTree::Exchange(int32_t a, int32_t b)
{
    const bool tableHadA = table_ && table_->Holds(a);
    const bool tableHadB = table_ && table_->Holds(b);
    Node& first = nodes_[size_t(a)];
    Node& second = nodes_[size_t(b)];
    std::swap(first.frequency, second.frequency);
    std::swap(first.child, second.child);
    std::swap(first.below, second.below);
    PointChildrenAt(a);
    PointChildrenAt(b);
    // The parents' copies of what their children hold.
    for (const int32_t position : {a, b}) {
        Node& parent = nodes_[size_t(nodes_[size_t(position)].parent)];
        parent.below[position - parent.child] = uint16_t(nodes_[size_t(position)].child);
    }
    if (tableHadA)
        table_->Mend(*this, a);
    if (tableHadB)
        table_->Mend(*this, b);
}

// Inlined into the decoder's climbs below: a call per move cost as much as
// the move itself once it had to save the climb's registers.
[[gnu::always_inline]] inline int32_t LZSSHuffmanTree::MoveUpInline(int32_t position, uint32_t count)
{
    // The last node of smaller frequency, count - 1 (the nodes above the
    // counted one are sorted and the next one is smaller); the root is never
    // smaller. Blocks of equal counts can be long, so where the last block
    // of this count ended is remembered; a stale note fails the test.
    const uint32_t smaller = count - 1;
    uint16_t& noted = blockEnds_[smaller & (kBlockEnds - 1)];
    int32_t last = noted;
    if (last <= position || last >= root_ || nodes_[size_t(last)].frequency != smaller ||
        nodes_[size_t(last) + 1].frequency == smaller) {
        last = position + 2;
        while (last < root_ && nodes_[size_t(last)].frequency < count)
            ++last;
        --last;
    }
    Exchange(position, last);
    // The block now ends one lower, unless the exchange emptied it.
    noted = uint16_t(last - 1);
    return last;
}

int32_t LZSSHuffmanTree::MoveUp(int32_t position, uint32_t count)
{
    return MoveUpInline(position, count);
}

[[gnu::always_inline]] inline void LZSSHuffmanTree::ClimbFrom(int32_t position)
{
    const uint32_t count = nodes_[size_t(position)].frequency;
    if (nodes_[size_t(position) + 1].frequency < count)
        position = MoveUpInline(position, count);
    CountUpFrom<true>(nodes_[size_t(position)].parent);
}

void LZSSHuffmanTree::UpdateLeafOutOfLine(int32_t position)
{
    UpdateLeaf(position);
}

void LZSSHuffmanTree::FinishMovingWalk(const uint16_t* path, int depth)
{
    const Node* nodes = nodes_.data();
    int deepest = depth - 1;
    while (deepest > 0 && nodes[path[deepest] + 1].frequency >= nodes[path[deepest]].frequency)
        --deepest;
    // Most moving nodes lie within the padded part: take back the counts
    // above the moving node there in fixed steps, each step taking back
    // nothing once past it, rather than in a loop whose end the processor
    // keeps guessing wrong.
    Node* counted = nodes_.data();
#pragma GCC unroll 8
    for (int i = 0; i < kPaddedPath; ++i)
        counted[path[i]].frequency -= uint32_t(i < deepest);
    for (int i = kPaddedPath; i < deepest; ++i)
        --counted[path[i]].frequency;
    ClimbFrom(path[deepest]);
}

int32_t LZSSHuffmanTree::RebuildKeeping(int32_t position)
{
    const int32_t symbol = nodes_[size_t(position)].child & ~kLeafBit;
    Rebuild();
    return leafPosition_[size_t(symbol)];
}

void LZSSHuffmanTree::Rebuild()
{
    for (int32_t position = 0; position <= root_; ++position) {
        if (IsLeafAt(position))
            nodes_[size_t(position)].frequency = (nodes_[size_t(position)].frequency + 1) / 2;
        nodes_[size_t(position)].parent = kFreeLink;
    }
    int32_t pairCursor = 0;
    int32_t slotCursor = 0;
    int32_t leavesLeft = leaves_;
    // Where the search for the next leaf above a slot may start: nothing
    // above a slot ever becomes a leaf, so places once passed stay passed.
    int32_t leafCursor = 0;
    while (true) {
        int32_t first = pairCursor;
        while (first < root_ && nodes_[size_t(first)].parent != kFreeLink)
            ++first;
        if (first + 1 >= root_)
            break;
        pairCursor = first + 2;

        while (slotCursor < root_ && (IsLeafAt(slotCursor) || nodes_[size_t(slotCursor)].parent != kFreeLink)) {
            if (IsLeafAt(slotCursor))
                --leavesLeft;
            ++slotCursor;
        }
        const uint32_t sum = nodes_[size_t(first)].frequency + nodes_[size_t(first + 1)].frequency;
        int32_t slot = slotCursor++;

        if (slot > 0 && nodes_[size_t(slot - 1)].frequency > sum) {
            // Insert lower: just above the highest node not larger than the
            // sum (never among the pair itself), moving the rest up by one.
            int32_t at = slot - 1;
            while (at > first + 2 && nodes_[size_t(at - 1)].frequency > sum)
                --at;
            for (int32_t moving = slot; moving > at; --moving) {
                nodes_[size_t(moving)].frequency = nodes_[size_t(moving - 1)].frequency;
                nodes_[size_t(moving)].child = nodes_[size_t(moving - 1)].child;
                PointChildrenAt(moving);
            }
            slot = at;
        } else {
            while (leavesLeft > 0) {
                int32_t leaf = leafCursor > slot ? leafCursor : slot + 1;
                while (leaf < root_ && !IsLeafAt(leaf))
                    ++leaf;
                leafCursor = leaf;
                if (leaf >= root_ || !PullsLeafBelow(nodes_[size_t(leaf)].frequency, sum))
                    break;
                nodes_[size_t(slot)].frequency = nodes_[size_t(leaf)].frequency;
                nodes_[size_t(slot)].child = nodes_[size_t(leaf)].child;
                PointChildrenAt(slot);
                nodes_[size_t(slot)].parent = kFreeLink;
                nodes_[size_t(leaf)].child = kEmptiedChild;
                --leavesLeft;
                ++slot;
                ++slotCursor;
            }
        }
        nodes_[size_t(slot)].frequency = sum;
        nodes_[size_t(slot)].child = first;
        nodes_[size_t(first)].parent = slot;
        nodes_[size_t(first + 1)].parent = slot;
    }
    nodes_[size_t(root_)].parent = kRootLink;
    FillBelow();
    shapeChanged_ = true;
    ResetSpare();
}

bool LZSSHuffmanTree::CheckConsistency() const
{
    if (!IsStarted() || nodes_[size_t(root_)].parent != kRootLink)
        return false;
    std::vector<int> seen(size_t(leaves_), 0);
    for (int32_t position = 0; position <= root_; ++position) {
        if (position > 0 && nodes_[size_t(position)].frequency < nodes_[size_t(position - 1)].frequency)
            return false;
        const int32_t entry = nodes_[size_t(position)].child;
        if (entry & kLeafBit) {
            const int32_t symbol = entry & ~kLeafBit;
            if (symbol >= leaves_ || leafPosition_[size_t(symbol)] != position)
                return false;
            ++seen[size_t(symbol)];
            continue;
        }
        if (entry < 0 || entry + 1 >= position || nodes_[size_t(entry)].parent != position ||
            nodes_[size_t(entry + 1)].parent != position)
            return false;
        if (nodes_[size_t(position)].frequency != nodes_[size_t(entry)].frequency + nodes_[size_t(entry + 1)].frequency)
            return false;
        if (nodes_[size_t(position)].below[0] != uint16_t(nodes_[size_t(entry)].child) ||
            nodes_[size_t(position)].below[1] != uint16_t(nodes_[size_t(entry + 1)].child))
            return false;
    }
    for (int count : seen) {
        if (count != 1)
            return false;
    }
    return true;
}

}  // namespace Zel
