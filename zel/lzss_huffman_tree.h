// The adaptive Huffman tree of LZSS levels 7-9: nodes kept sorted by frequency, updated after every symbol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zel {

class LZSSHuffmanDecodeTable;

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

    // Everything the decode walk and the update touch at one position sits
    // in one record, so each level of the tree costs one cache line, not
    // three. The parent belongs to the position, not to what it holds; the
    // child entries of an inner node's two children ride along with it (they
    // move with the node), so the walk descends two levels per load.
    struct Node {
        uint32_t frequency;
        int32_t child;
        int32_t parent;
        uint16_t below[2];
    };
    // Longest root-to-leaf path the decoder records for the update. Sorted
    // frequencies below kRebuildFrequency keep real paths far shorter; a
    // longer one is simply not recorded.
    static constexpr int kPathCapacity = 64;
    // A counted walk's path always holds at least this many positions, the
    // ones past its depth being spares counted by the same walk, so that
    // taking back its first counts is a fixed run of steps.
    static constexpr int kPaddedPath = 6;

    void Start(int symbols);
    void Release();
    bool IsStarted() const { return !nodes_.empty(); }

    int32_t Leaves() const { return leaves_; }
    int32_t Root() const { return root_; }
    int32_t Child(int32_t position) const { return nodes_[size_t(position)].child; }
    uint32_t Frequency(int32_t position) const { return nodes_[size_t(position)].frequency; }
    int32_t Parent(int32_t position) const { return nodes_[size_t(position)].parent; }
    int32_t LeafOf(int32_t symbol) const { return leafPosition_[size_t(symbol)]; }
    // The node records, for the decoder's walk from the root.
    const Node* Nodes() const { return nodes_.data(); }

    // The decoder counts the nodes as it walks down, ahead of the update.
    // That is the update exactly when no node on the path moves: with no
    // move below it, a node moves only when its count reaches the one of
    // the next position, which is never one of its descendants (they lie
    // below it) and, when it is an ancestor, is strictly larger anyway. So
    // the walk notes whether each node stays below its next position, and
    // when one does not, FinishCountedWalk carries on the proper update from
    // the deepest such node: the nodes below it were counted right, the
    // ones above it are taken back and counted again along the parent
    // links, since a move changes which nodes lie above. Not when the next
    // symbol must rebuild the tree first: every symbol counts the root
    // once, so this many more symbols can be counted before that.
    int32_t SymbolsBeforeRebuild() const
    {
        const uint32_t root = nodes_[size_t(root_)].frequency;
        return root < kRebuildFrequency ? int32_t(kRebuildFrequency - root) : 0;
    }
    Node* CountingNodes() { return nodes_.data(); }
    // Counts the node at `position` on the way down; 1 when it stays below
    // its next position.
    static uint32_t CountOnTheWay(Node* nodes, int32_t position)
    {
        const uint32_t stays = nodes[position].frequency < nodes[position + 1].frequency;
        ++nodes[position].frequency;
        return stays;
    }
    // The same for the node record `node`.
    static uint32_t CountOnTheWay(Node* node)
    {
        const uint32_t stays = node[0].frequency < node[1].frequency;
        ++node[0].frequency;
        return stays;
    }
    void FinishCountedWalk(const uint16_t* path, int depth, uint32_t nothingMoves)
    {
        if (nothingMoves) [[likely]] {
            ++nodes_[size_t(root_)].frequency;
            return;
        }
        FinishMovingWalk(path, depth);
    }
    // Takes back the counts of the first `depth` nodes of a walk.
    void UncountWalk(const uint16_t* path, int depth)
    {
        Node* nodes = nodes_.data();
        for (int i = 0; i < depth; ++i)
            --nodes[path[i]].frequency;
    }

    // The bits from the root to the symbol's leaf, first bit first, stored in
    // `bits`; returns how many (0 for a symbol out of range).
    int32_t Path(int32_t symbol, uint8_t* bits, int32_t capacity) const;
    // Counts the symbol once, keeping the nodes sorted; rebuilds first when
    // the root's frequency has reached kRebuildFrequency.
    void Update(int32_t symbol)
    {
        if (symbol < 0 || symbol >= leaves_)
            return;
        UpdateLeaf(leafPosition_[size_t(symbol)]);
    }
    // The same for the leaf at `position` (a leaf the decoder just reached),
    // which saves looking the symbol's leaf up again.
    void UpdateLeaf(int32_t position)
    {
        if (nodes_[size_t(root_)].frequency >= kRebuildFrequency) [[unlikely]]
            position = RebuildKeeping(position);
        CountUpFrom<false>(position);
    }
    // The same kept out of line, for the decoder's rare walk a bit at a
    // time, which would otherwise crowd the decode loop.
    void UpdateLeafOutOfLine(int32_t position);
    // For tests: every link agrees, frequencies are sorted and add up.
    bool CheckConsistency() const;

    // A decode table over the tree's top levels copies child entries of
    // positions. It hears of every exchange, before and after, to mend the
    // paths through the two positions, and is built anew after a rebuild or
    // a new start, which ShapeChanged reports until ShapeRead.
    void Attach(LZSSHuffmanDecodeTable* table)
    {
        table_ = table;
        shapeChanged_ = true;
    }
    bool ShapeChanged() const { return shapeChanged_; }
    void ShapeRead()
    {
        shapeChanged_ = false;
        ResetSpare();
    }
    // Records past the root that count like nodes but always stay below
    // their next ones, so a fixed-length walk can pad a shorter path with
    // them: one per step, so that no record is counted twice in a symbol
    // and steps of one symbol do not wait on each other's counts. Their
    // counts start over at every rebuild, long before they could wrap.
    static constexpr int kSpares = 16;
    int32_t Spare(int step) const { return root_ + 1 + 2 * step; }

private:
    // Counts the symbol at `position` and every node above it, moving
    // nodes up past smaller ones. The encoder's update moves through a
    // call, which keeps its common path small; the decoder's moving walk,
    // where a move is the rule, has the move inlined. The node records and
    // the root are held in locals: the counts are stored through the same
    // kind of integer as the root's position, which would otherwise be read
    // again at every level. Every parent chain of a started tree ends at
    // the root, whatever symbols the input names, so the climb tests for
    // the root alone.
    template <bool kMoveInline>
    [[gnu::always_inline]] void CountUpFrom(int32_t position)
    {
        Node* const nodes = nodes_.data();
        const int32_t root = root_;
        while (position != root) {
            const uint32_t count = ++nodes[position].frequency;
            if (nodes[position + 1].frequency < count) {
                if constexpr (kMoveInline)
                    position = MoveUpInline(position, count);
                else
                    position = MoveUp(position, count);
            }
            position = nodes[position].parent;
        }
        ++nodes[root].frequency;
    }
    // The same from a node already counted.
    void ClimbFrom(int32_t position);
    // Finds the deepest node of the counted walk that must move (after
    // the walk, its count is above its next position's: a next position on
    // the path is an ancestor and larger still) and updates from there.
    // `path` holds at least kPaddedPath positions.
    void FinishMovingWalk(const uint16_t* path, int depth);
    void Rebuild();
    void ResetSpare();
    // Fills every inner node's copy of its children's entries.
    void FillBelow();
    // Rebuilds and returns where the leaf at `position` went.
    int32_t RebuildKeeping(int32_t position);
    // Exchanges the node at `position`, just counted up to `count`, with the
    // last node of smaller frequency; returns that node's position.
    int32_t MoveUp(int32_t position, uint32_t count);
    // The same, for inlining into the decoder's moving walk.
    int32_t MoveUpInline(int32_t position, uint32_t count);
    // Swaps the contents of two positions and mends the links into them.
    void Exchange(int32_t a, int32_t b);
    void PointChildrenAt(int32_t position);
    bool IsLeafAt(int32_t position) const { return (nodes_[size_t(position)].child & kLeafBit) != 0; }

    int32_t leaves_ = 0;
    int32_t root_ = -1;
    std::vector<Node> nodes_;
    std::vector<int32_t> leafPosition_;
    // Where the block of nodes with a count ended, by the count's low bits.
    static constexpr uint32_t kBlockEnds = 256;
    uint16_t blockEnds_[kBlockEnds] = {};
    LZSSHuffmanDecodeTable* table_ = nullptr;
    bool shapeChanged_ = true;
};

}  // namespace Zel
