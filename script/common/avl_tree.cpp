// AVL tree: recursive insert and remove with rotations, and the stack-based in-order walk.
#include "script/common/avl_tree.h"

namespace Utils {

namespace {

using Node = GSIAVLNode;
constexpr int32_t kLeft = GSIAVLNode::kLeftHigher;
constexpr int32_t kEven = GSIAVLNode::kBalanced;
constexpr int32_t kRight = GSIAVLNode::kRightHigher;

void RotateLeft(Node** link)
{
    Node* n = *link;
    Node* r = n->right;
    n->right = r->left;
    r->left = n;
    *link = r;
}

void RotateRight(Node** link)
{
    Node* n = *link;
    Node* l = n->left;
    n->left = l->right;
    l->right = n;
    *link = l;
}

// `*link` is right-heavy by two and its right child leans left: the right
// child's left child becomes the root of the subtree.
void RotateRightLeft(Node** link)
{
    Node* n = *link;
    Node* r = n->right;
    Node* g = r->left;
    RotateRight(&n->right);
    RotateLeft(link);
    n->balance = g->balance == kRight ? kLeft : kEven;
    r->balance = g->balance == kLeft ? kRight : kEven;
    g->balance = kEven;
}

void RotateLeftRight(Node** link)
{
    Node* n = *link;
    Node* l = n->left;
    Node* g = l->right;
    RotateLeft(&n->left);
    RotateRight(link);
    n->balance = g->balance == kLeft ? kRight : kEven;
    l->balance = g->balance == kRight ? kLeft : kEven;
    g->balance = kEven;
}

// The left subtree of `*link` grew by one level; true when the whole subtree grew.
bool LeftGrew(Node** link)
{
    Node* n = *link;
    if (n->balance == kRight) {
        n->balance = kEven;
        return false;
    }
    if (n->balance == kEven) {
        n->balance = kLeft;
        return true;
    }
    if (n->left->balance == kLeft) {
        RotateRight(link);
        n->balance = kEven;
        (*link)->balance = kEven;
    } else {
        RotateLeftRight(link);
    }
    return false;
}

bool RightGrew(Node** link)
{
    Node* n = *link;
    if (n->balance == kLeft) {
        n->balance = kEven;
        return false;
    }
    if (n->balance == kEven) {
        n->balance = kRight;
        return true;
    }
    if (n->right->balance == kRight) {
        RotateLeft(link);
        n->balance = kEven;
        (*link)->balance = kEven;
    } else {
        RotateRightLeft(link);
    }
    return false;
}

// The left subtree of `*link` lost one level; true when the whole subtree shrank.
bool LeftShrank(Node** link)
{
    Node* n = *link;
    if (n->balance == kLeft) {
        n->balance = kEven;
        return true;
    }
    if (n->balance == kEven) {
        n->balance = kRight;
        return false;
    }
    Node* r = n->right;
    if (r->balance == kLeft) {
        RotateRightLeft(link);
        return true;
    }
    RotateLeft(link);
    if (r->balance == kEven) {  // the subtree keeps its height
        n->balance = kRight;
        r->balance = kLeft;
        return false;
    }
    n->balance = kEven;
    r->balance = kEven;
    return true;
}

bool RightShrank(Node** link)
{
    Node* n = *link;
    if (n->balance == kRight) {
        n->balance = kEven;
        return true;
    }
    if (n->balance == kEven) {
        n->balance = kLeft;
        return false;
    }
    Node* l = n->left;
    if (l->balance == kRight) {
        RotateLeftRight(link);
        return true;
    }
    RotateRight(link);
    if (l->balance == kEven) {
        n->balance = kLeft;
        l->balance = kRight;
        return false;
    }
    n->balance = kEven;
    l->balance = kEven;
    return true;
}

// False on an equal node; `*grew` tells whether the subtree got higher.
bool InsertAt(Node** link, Node* node, bool* grew)
{
    Node* n = *link;
    if (n == nullptr) {
        node->left = node->right = nullptr;
        node->balance = kEven;
        *link = node;
        *grew = true;
        return true;
    }
    int order = node->Compare(*n);
    if (order == 0)
        return false;
    if (order < 0) {
        if (!InsertAt(&n->left, node, grew))
            return false;
        if (*grew)
            *grew = LeftGrew(link);
        return true;
    }
    if (!InsertAt(&n->right, node, grew))
        return false;
    if (*grew)
        *grew = RightGrew(link);
    return true;
}

Node* UnlinkLargest(Node** link, bool* shrank)
{
    Node* n = *link;
    if (n->right == nullptr) {
        *link = n->left;
        *shrank = true;
        return n;
    }
    Node* found = UnlinkLargest(&n->right, shrank);
    if (*shrank)
        *shrank = RightShrank(link);
    return found;
}

Node* UnlinkSmallest(Node** link, bool* shrank)
{
    Node* n = *link;
    if (n->left == nullptr) {
        *link = n->right;
        *shrank = true;
        return n;
    }
    Node* found = UnlinkSmallest(&n->left, shrank);
    if (*shrank)
        *shrank = LeftShrank(link);
    return found;
}

// Puts `replacement` where `n` was, with n's links and balance.
void TakePlace(Node** link, Node* n, Node* replacement)
{
    replacement->left = n->left;
    replacement->right = n->right;
    replacement->balance = n->balance;
    *link = replacement;
}

Node* RemoveAt(Node** link, const Node& probe, bool* shrank)
{
    Node* n = *link;
    if (n == nullptr)
        return nullptr;
    int order = probe.Compare(*n);
    if (order < 0) {
        Node* removed = RemoveAt(&n->left, probe, shrank);
        if (removed != nullptr && *shrank)
            *shrank = LeftShrank(link);
        return removed;
    }
    if (order > 0) {
        Node* removed = RemoveAt(&n->right, probe, shrank);
        if (removed != nullptr && *shrank)
            *shrank = RightShrank(link);
        return removed;
    }
    if (n->left != nullptr) {
        TakePlace(link, n, UnlinkLargest(&n->left, shrank));
        if (*shrank)
            *shrank = LeftShrank(link);
    } else if (n->right != nullptr) {
        TakePlace(link, n, UnlinkSmallest(&n->right, shrank));
        if (*shrank)
            *shrank = RightShrank(link);
    } else {
        *link = nullptr;
        *shrank = true;
    }
    n->left = n->right = nullptr;
    n->balance = kEven;
    return n;
}

// Pushes `node` and its left spine for visiting; false when the stack is full.
bool PushLeftSpine(GSIAVLTree::Iterator* it, GSIAVLNode* node)
{
    for (; node != nullptr; node = node->left) {
        if (it->depth >= GSIAVLTree::kIteratorDepth) {
            it->overflowed = true;
            return false;
        }
        it->stack[it->depth++] = {node, GSIAVLTree::ITER_VISIT_NEXT};
    }
    return true;
}

}  // namespace

GSIAVLNode* GSIAVLTree::Find(const GSIAVLNode& probe) const
{
    GSIAVLNode* n = root_;
    while (n != nullptr) {
        int order = probe.Compare(*n);
        if (order == 0)
            return n;
        n = order < 0 ? n->left : n->right;
    }
    return nullptr;
}

bool GSIAVLTree::Insert(GSIAVLNode* node)
{
    if (node == nullptr)
        return false;
    bool grew = false;
    if (!InsertAt(&root_, node, &grew))
        return false;
    ++count_;
    return true;
}

GSIAVLNode* GSIAVLTree::Remove(const GSIAVLNode& probe)
{
    bool shrank = false;
    GSIAVLNode* removed = RemoveAt(&root_, probe, &shrank);
    if (removed != nullptr)
        --count_;
    return removed;
}

void GSIAVLTree::Clear()
{
    root_ = nullptr;
    count_ = 0;
}

void GSIAVLTree::Begin(const GSIAVLTree& tree, Iterator* it)
{
    it->active = true;
    it->overflowed = false;
    it->depth = 0;
    if (tree.root_ != nullptr)
        it->stack[it->depth++] = {tree.root_, ITER_EXPAND};
}

bool GSIAVLTree::Next(Iterator* it)
{
    if (!it->active)
        return false;
    while (it->depth > 0) {
        Iterator::Entry& top = it->stack[it->depth - 1];
        switch (top.state) {
        case ITER_EXPAND: {
            GSIAVLNode* node = top.node;
            --it->depth;
            if (!PushLeftSpine(it, node))
                break;
            continue;
        }
        case ITER_VISIT_NEXT:
            top.state = ITER_VISITED;
            return true;
        case ITER_VISITED:
            top.state = ITER_RIGHT_PUSHED;
            if (!PushLeftSpine(it, top.node->right))
                break;
            continue;
        default:
            --it->depth;
            continue;
        }
        break;  // the stack is full: the walk cannot go on
    }
    it->depth = 0;
    it->active = false;
    return false;
}

}  // namespace Utils
