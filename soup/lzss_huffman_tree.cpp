// The adaptive Huffman tree: start, per-symbol update with node exchange, and the halving rebuild.
#include "soup/lzss_huffman_tree.h"

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
bool PullsLeafBelow(uint32_t leafFrequency, uint32_t sum) { return leafFrequency < sum; }

}  // namespace

void LZSSHuffmanTree::Start(int symbols)
{
    leaves_ = int32_t((symbols + 1) & ~1);
    const int32_t nodes = 2 * leaves_ - 1;
    root_ = nodes - 1;
    frequency_.assign(size_t(nodes), 0);
    child_.assign(size_t(nodes), 0);
    parent_.assign(size_t(nodes), kFreeLink);
    leafPosition_.assign(size_t(leaves_), 0);
    for (int32_t i = 0; i < leaves_; ++i) {
        frequency_[size_t(i)] = 1;
        child_[size_t(i)] = i | kLeafBit;
        leafPosition_[size_t(i)] = i;
    }
    for (int32_t m = 0; leaves_ + m < nodes; ++m) {
        const int32_t node = leaves_ + m;
        frequency_[size_t(node)] = frequency_[size_t(2 * m)] + frequency_[size_t(2 * m + 1)];
        child_[size_t(node)] = 2 * m;
        parent_[size_t(2 * m)] = node;
        parent_[size_t(2 * m + 1)] = node;
    }
    parent_[size_t(root_)] = kRootLink;
}

void LZSSHuffmanTree::Release()
{
    frequency_ = {};
    child_ = {};
    parent_ = {};
    leafPosition_ = {};
    leaves_ = 0;
    root_ = -1;
}

int32_t LZSSHuffmanTree::Path(int32_t symbol, uint8_t* bits, int32_t capacity) const
{
    if (symbol < 0 || symbol >= leaves_)
        return 0;
    int32_t count = 0;
    for (int32_t position = leafPosition_[size_t(symbol)]; position != root_ && position >= 0 && count < capacity;
         position = parent_[size_t(position)])
        bits[count++] = uint8_t(position & 1);
    for (int32_t i = 0, j = count - 1; i < j; ++i, --j) {
        const uint8_t swap = bits[i];
        bits[i] = bits[j];
        bits[j] = swap;
    }
    return count;
}

void LZSSHuffmanTree::PointChildrenAt(int32_t position)
{
    const int32_t entry = child_[size_t(position)];
    if (entry & kLeafBit) {
        leafPosition_[size_t(entry & ~kLeafBit)] = position;
        return;
    }
    parent_[size_t(entry)] = position;
    parent_[size_t(entry + 1)] = position;
}

void LZSSHuffmanTree::Exchange(int32_t a, int32_t b)
{
    const uint32_t frequency = frequency_[size_t(a)];
    frequency_[size_t(a)] = frequency_[size_t(b)];
    frequency_[size_t(b)] = frequency;
    const int32_t child = child_[size_t(a)];
    child_[size_t(a)] = child_[size_t(b)];
    child_[size_t(b)] = child;
    PointChildrenAt(a);
    PointChildrenAt(b);
}

void LZSSHuffmanTree::Update(int32_t symbol)
{
    if (symbol < 0 || symbol >= leaves_)
        return;
    if (frequency_[size_t(root_)] >= kRebuildFrequency)
        Rebuild();
    int32_t position = leafPosition_[size_t(symbol)];
    while (position != root_ && position >= 0) {
        const uint32_t count = ++frequency_[size_t(position)];
        if (frequency_[size_t(position + 1)] < count) {
            // The last node of smaller frequency; the root is never smaller.
            int32_t last = position + 2;
            while (last < root_ && frequency_[size_t(last)] < count)
                ++last;
            --last;
            Exchange(position, last);
            position = last;
        }
        position = parent_[size_t(position)];
    }
    ++frequency_[size_t(root_)];
}

void LZSSHuffmanTree::Rebuild()
{
    for (int32_t position = 0; position <= root_; ++position) {
        if (IsLeafAt(position))
            frequency_[size_t(position)] = (frequency_[size_t(position)] + 1) / 2;
        parent_[size_t(position)] = kFreeLink;
    }
    int32_t pairCursor = 0;
    int32_t slotCursor = 0;
    int32_t leavesLeft = leaves_;
    while (true) {
        int32_t first = pairCursor;
        while (first < root_ && parent_[size_t(first)] != kFreeLink)
            ++first;
        if (first + 1 >= root_)
            break;
        pairCursor = first + 2;

        while (slotCursor < root_ && (IsLeafAt(slotCursor) || parent_[size_t(slotCursor)] != kFreeLink)) {
            if (IsLeafAt(slotCursor))
                --leavesLeft;
            ++slotCursor;
        }
        const uint32_t sum = frequency_[size_t(first)] + frequency_[size_t(first + 1)];
        int32_t slot = slotCursor++;

        if (slot > 0 && frequency_[size_t(slot - 1)] > sum) {
            // Insert lower: just above the highest node not larger than the
            // sum (never among the pair itself), moving the rest up by one.
            int32_t at = slot - 1;
            while (at > first + 2 && frequency_[size_t(at - 1)] > sum)
                --at;
            for (int32_t moving = slot; moving > at; --moving) {
                frequency_[size_t(moving)] = frequency_[size_t(moving - 1)];
                child_[size_t(moving)] = child_[size_t(moving - 1)];
                PointChildrenAt(moving);
            }
            slot = at;
        } else {
            while (leavesLeft > 0) {
                int32_t leaf = slot + 1;
                while (leaf < root_ && !IsLeafAt(leaf))
                    ++leaf;
                if (leaf >= root_ || !PullsLeafBelow(frequency_[size_t(leaf)], sum))
                    break;
                frequency_[size_t(slot)] = frequency_[size_t(leaf)];
                child_[size_t(slot)] = child_[size_t(leaf)];
                PointChildrenAt(slot);
                parent_[size_t(slot)] = kFreeLink;
                child_[size_t(leaf)] = kEmptiedChild;
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
    parent_[size_t(root_)] = kRootLink;
}

bool LZSSHuffmanTree::CheckConsistency() const
{
    if (!IsStarted() || parent_[size_t(root_)] != kRootLink)
        return false;
    std::vector<int> seen(size_t(leaves_), 0);
    for (int32_t position = 0; position <= root_; ++position) {
        if (position > 0 && frequency_[size_t(position)] < frequency_[size_t(position - 1)])
            return false;
        const int32_t entry = child_[size_t(position)];
        if (entry & kLeafBit) {
            const int32_t symbol = entry & ~kLeafBit;
            if (symbol >= leaves_ || leafPosition_[size_t(symbol)] != position)
                return false;
            ++seen[size_t(symbol)];
            continue;
        }
        if (entry < 0 || entry + 1 >= position || parent_[size_t(entry)] != position ||
            parent_[size_t(entry + 1)] != position)
            return false;
        if (frequency_[size_t(position)] != frequency_[size_t(entry)] + frequency_[size_t(entry + 1)])
            return false;
    }
    for (int count : seen) {
        if (count != 1)
            return false;
    }
    return true;
}

}  // namespace Zel
