// Intrusive AVL tree of nodes ordered by their own compare, with an explicit-stack iterator.
#pragma once

#include <cstdint>

namespace Utils {

class GSIAVLNode {
public:
    // Balance words: which subtree is higher.
    static constexpr int32_t kLeftHigher = 0;
    static constexpr int32_t kBalanced = 1;
    static constexpr int32_t kRightHigher = 2;

    virtual ~GSIAVLNode() = default;
    // <0 when this node sorts before `other`, 0 when equal, >0 after.
    virtual int Compare(const GSIAVLNode& other) const = 0;

    int32_t balance = kBalanced;
    GSIAVLNode* left = nullptr;
    GSIAVLNode* right = nullptr;
};

// The tree links nodes it does not own: removing a node or destroying the
// tree never deletes one.
class GSIAVLTree {
public:
    // One stack entry per tree level; deeper trees are not walked.
    static constexpr int kIteratorDepth = 32;

    enum IteratorState : int32_t {
        ITER_EXPAND = 0,        // push the node and its whole left spine
        ITER_VISIT_NEXT = 1,    // the node is the next one in order
        ITER_VISITED = 2,       // the node is the current one
        ITER_RIGHT_PUSHED = 3,  // its right subtree is being walked
    };

    struct Iterator {
        struct Entry {
            GSIAVLNode* node;
            int32_t state;
        };
        Entry stack[kIteratorDepth];
        int32_t depth = 0;
        bool active = false;
        // Set when the tree was deeper than the stack; the walk ended early.
        bool overflowed = false;
        // The node Next last returned (the top entry), or null.
        GSIAVLNode* Current() const { return active && depth > 0 ? stack[depth - 1].node : nullptr; }
    };

    GSIAVLTree() = default;
    virtual ~GSIAVLTree() = default;
    GSIAVLTree(const GSIAVLTree&) = delete;
    GSIAVLTree& operator=(const GSIAVLTree&) = delete;

    // The node equal to `probe`, or null.
    GSIAVLNode* Find(const GSIAVLNode& probe) const;
    // Links `node` (its links and balance are overwritten); false, and the
    // tree unchanged, when an equal node is present.
    bool Insert(GSIAVLNode* node);
    // Unlinks the node equal to `probe` and returns it (links cleared), or null.
    GSIAVLNode* Remove(const GSIAVLNode& probe);
    // Forgets every node without touching them.
    void Clear();

    // Ascending order: Begin, then Next until it returns false; the current
    // node is Iterator::Current().
    static void Begin(const GSIAVLTree& tree, Iterator* it);
    static bool Next(Iterator* it);

    GSIAVLNode* Root() const { return root_; }
    uint32_t Count() const { return count_; }

private:
    GSIAVLNode* root_ = nullptr;
    uint32_t count_ = 0;
};

}  // namespace Utils
