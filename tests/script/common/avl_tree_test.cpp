// The AVL tree: orders of insertion and removal, balance words after every step, the walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "script/common/avl_tree.h"

namespace {

class IntNode : public Utils::GSIAVLNode {
public:
    explicit IntNode(int k, int tag = 0) : key(k), payload(tag) {}
    int Compare(const Utils::GSIAVLNode& other) const override
    {
        int b = static_cast<const IntNode&>(other).key;
        return key < b ? -1 : (key > b ? 1 : 0);
    }
    int key;
    int payload;
};

int Key(const Utils::GSIAVLNode* node)
{
    return static_cast<const IntNode*>(node)->key;
}

// Height of the subtree; checks the order bounds and every balance word on the way.
int CheckSubtree(const Utils::GSIAVLNode* node, const int* low, const int* high, uint32_t* count, std::string* fault)
{
    if (node == nullptr)
        return 0;
    ++*count;
    int key = Key(node);
    if ((low && key <= *low) || (high && key >= *high))
        *fault += "order at " + std::to_string(key) + ";";
    int left = CheckSubtree(node->left, low, &key, count, fault);
    int right = CheckSubtree(node->right, &key, high, count, fault);
    int expected = left > right ? Utils::GSIAVLNode::kLeftHigher
                                : (left == right ? Utils::GSIAVLNode::kBalanced : Utils::GSIAVLNode::kRightHigher);
    if (left - right > 1 || right - left > 1)
        *fault += "unbalanced at " + std::to_string(key) + ";";
    if (node->balance != expected)
        *fault += "balance word at " + std::to_string(key) + ";";
    return 1 + std::max(left, right);
}

// Empty when the tree is a valid AVL tree holding `count` nodes.
std::string CheckTree(const Utils::GSIAVLTree& tree, int* height = nullptr)
{
    std::string fault;
    uint32_t count = 0;
    int h = CheckSubtree(tree.Root(), nullptr, nullptr, &count, &fault);
    if (count != tree.Count())
        fault += "count " + std::to_string(count) + " vs " + std::to_string(tree.Count());
    if (height)
        *height = h;
    return fault;
}

std::vector<int> Walk(const Utils::GSIAVLTree& tree)
{
    std::vector<int> keys;
    Utils::GSIAVLTree::Iterator it;
    Utils::GSIAVLTree::Begin(tree, &it);
    while (Utils::GSIAVLTree::Next(&it))
        keys.push_back(Key(it.Current()));
    EXPECT_FALSE(it.overflowed);
    return keys;
}

std::vector<int> Ascending(int n);

std::vector<int> Shuffled(int n, unsigned seed)
{
    std::vector<int> keys = Ascending(n);
    std::mt19937 random(seed);
    std::shuffle(keys.begin(), keys.end(), random);
    return keys;
}

std::vector<int> Ascending(int n)
{
    std::vector<int> keys(n);
    for (int i = 0; i < n; ++i)
        keys[i] = i;
    return keys;
}

std::vector<int> Descending(int n)
{
    std::vector<int> keys = Ascending(n);
    std::reverse(keys.begin(), keys.end());
    return keys;
}

// Outside in: 0, n-1, 1, n-2, ... (alternating double rotations).
std::vector<int> ZigZag(int n)
{
    std::vector<int> keys;
    for (int lo = 0, hi = n - 1; lo <= hi; ++lo, --hi) {
        keys.push_back(lo);
        if (hi != lo)
            keys.push_back(hi);
    }
    return keys;
}

struct OrderCase {
    const char* name;
    std::vector<int> inserts;
    std::vector<int> removes;
};

void PrintTo(const OrderCase& c, std::ostream* out)
{
    *out << c.name;
}

class AVLTreeOrders : public testing::TestWithParam<OrderCase> {};

TEST_P(AVLTreeOrders, StaysBalancedAndOrderedAfterEveryStep)
{
    const OrderCase& c = GetParam();
    std::vector<std::unique_ptr<IntNode>> nodes;
    Utils::GSIAVLTree tree;
    std::vector<int> present;
    for (int key : c.inserts) {
        nodes.push_back(std::make_unique<IntNode>(key));
        ASSERT_TRUE(tree.Insert(nodes.back().get())) << key;
        present.push_back(key);
        ASSERT_EQ(CheckTree(tree), "") << "after inserting " << key;
    }
    std::sort(present.begin(), present.end());
    EXPECT_EQ(Walk(tree), present);
    for (int key : c.inserts) {
        IntNode probe(key);
        ASSERT_NE(tree.Find(probe), nullptr) << key;
        EXPECT_EQ(Key(tree.Find(probe)), key);
    }
    for (int key : c.removes) {
        IntNode probe(key);
        Utils::GSIAVLNode* removed = tree.Remove(probe);
        ASSERT_NE(removed, nullptr) << key;
        EXPECT_EQ(Key(removed), key);
        EXPECT_EQ(removed->left, nullptr);
        EXPECT_EQ(removed->right, nullptr);
        EXPECT_EQ(tree.Find(probe), nullptr);
        present.erase(std::find(present.begin(), present.end(), key));
        ASSERT_EQ(CheckTree(tree), "") << "after removing " << key;
        ASSERT_EQ(Walk(tree), present) << "after removing " << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, AVLTreeOrders,
                         testing::Values(OrderCase{"ascending", Ascending(100), Ascending(100)},
                                         OrderCase{"descending", Descending(100), Ascending(100)},
                                         OrderCase{"ascending_removed_descending", Ascending(100), Descending(100)},
                                         OrderCase{"zigzag", ZigZag(101), ZigZag(101)},
                                         OrderCase{"zigzag_removed_from_the_middle", ZigZag(64), Shuffled(64, 7)},
                                         OrderCase{"random", Shuffled(500, 1), Shuffled(500, 2)},
                                         OrderCase{"random_half_removed", Shuffled(300, 3),
                                                   [] {
                                                       std::vector<int> k = Shuffled(300, 4);
                                                       k.resize(150);
                                                       return k;
                                                   }()},
                                         OrderCase{"left_right_double_rotation", {30, 10, 20}, {20}},
                                         OrderCase{"right_left_double_rotation", {10, 30, 20}, {20}},
                                         // Removing from the short side of a node whose other child is even:
                                         // a single rotation that keeps the height.
                                         OrderCase{"removal_rotation_keeps_height", {20, 10, 30, 25, 35}, {10}},
                                         OrderCase{"root_with_only_a_right_child", {1, 2}, {1, 2}},
                                         OrderCase{"single", {5}, {5}}),
                         [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(AVLTree, OneToSevenInOrderIsPerfectlyBalanced)
{
    std::vector<std::unique_ptr<IntNode>> nodes;
    Utils::GSIAVLTree tree;
    for (int key = 1; key <= 7; ++key) {
        nodes.push_back(std::make_unique<IntNode>(key));
        ASSERT_TRUE(tree.Insert(nodes.back().get()));
    }
    int height = 0;
    EXPECT_EQ(CheckTree(tree, &height), "");
    EXPECT_EQ(height, 3);
    EXPECT_EQ(Key(tree.Root()), 4);
    EXPECT_EQ(Key(tree.Root()->left), 2);
    EXPECT_EQ(Key(tree.Root()->right), 6);
    EXPECT_EQ(Walk(tree), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(AVLTree, DuplicateKeyIsRefusedAndTheFirstNodeStays)
{
    IntNode a(5, 1), b(3), c(8), duplicate(5, 2);
    Utils::GSIAVLTree tree;
    ASSERT_TRUE(tree.Insert(&a));
    ASSERT_TRUE(tree.Insert(&b));
    ASSERT_TRUE(tree.Insert(&c));
    EXPECT_FALSE(tree.Insert(&duplicate));
    EXPECT_EQ(tree.Count(), 3u);
    EXPECT_EQ(CheckTree(tree), "");
    IntNode probe(5);
    EXPECT_EQ(tree.Find(probe), &a);
    EXPECT_EQ(tree.Remove(probe), &a);
    EXPECT_EQ(tree.Find(probe), nullptr);
    // Once the first is gone the same key goes in.
    EXPECT_TRUE(tree.Insert(&duplicate));
    EXPECT_EQ(tree.Find(probe), &duplicate);
}

TEST(AVLTree, MissingKeysAndEmptyTree)
{
    Utils::GSIAVLTree tree;
    IntNode probe(1);
    EXPECT_EQ(tree.Find(probe), nullptr);
    EXPECT_EQ(tree.Remove(probe), nullptr);
    EXPECT_TRUE(Walk(tree).empty());
    EXPECT_FALSE(tree.Insert(nullptr));

    IntNode a(2), b(4);
    tree.Insert(&a);
    tree.Insert(&b);
    IntNode between(3), below(0), above(9);
    EXPECT_EQ(tree.Remove(between), nullptr);
    EXPECT_EQ(tree.Remove(below), nullptr);
    EXPECT_EQ(tree.Remove(above), nullptr);
    EXPECT_EQ(tree.Count(), 2u);
    EXPECT_EQ(CheckTree(tree), "");
}

TEST(AVLTree, RemovedNodeIsReplacedByTheLargestOfItsLeftSubtree)
{
    IntNode n20(20), n10(10), n30(30), n5(5), n15(15);
    Utils::GSIAVLTree tree;
    for (IntNode* n : {&n20, &n10, &n30, &n5, &n15})
        ASSERT_TRUE(tree.Insert(n));
    IntNode probe(20);
    EXPECT_EQ(tree.Remove(probe), &n20);
    EXPECT_EQ(tree.Root(), &n15);
    EXPECT_EQ(CheckTree(tree), "");
}

TEST(AVLTree, WithoutALeftSubtreeTheSmallestOfTheRightReplaces)
{
    IntNode n10(10), n20(20);
    Utils::GSIAVLTree tree;
    tree.Insert(&n10);
    tree.Insert(&n20);
    IntNode probe(10);
    EXPECT_EQ(tree.Remove(probe), &n10);
    EXPECT_EQ(tree.Root(), &n20);
    EXPECT_EQ(CheckTree(tree), "");
}

TEST(AVLTree, IteratorStatesAndCurrentNode)
{
    IntNode n2(2), n1(1), n3(3);
    Utils::GSIAVLTree tree;
    for (IntNode* n : {&n2, &n1, &n3})
        tree.Insert(n);
    Utils::GSIAVLTree::Iterator it;
    Utils::GSIAVLTree::Begin(tree, &it);
    EXPECT_TRUE(it.active);
    EXPECT_EQ(it.depth, 1);
    EXPECT_EQ(it.stack[0].state, Utils::GSIAVLTree::ITER_EXPAND);
    ASSERT_TRUE(Utils::GSIAVLTree::Next(&it));
    EXPECT_EQ(it.Current(), &n1);
    EXPECT_EQ(it.stack[it.depth - 1].state, Utils::GSIAVLTree::ITER_VISITED);
    ASSERT_TRUE(Utils::GSIAVLTree::Next(&it));
    EXPECT_EQ(it.Current(), &n2);
    ASSERT_TRUE(Utils::GSIAVLTree::Next(&it));
    EXPECT_EQ(it.Current(), &n3);
    EXPECT_EQ(it.stack[0].state, Utils::GSIAVLTree::ITER_RIGHT_PUSHED);
    EXPECT_FALSE(Utils::GSIAVLTree::Next(&it));
    EXPECT_FALSE(it.active);
    EXPECT_EQ(it.Current(), nullptr);
    EXPECT_FALSE(Utils::GSIAVLTree::Next(&it));
}

// A tree deeper than the iterator's stack (built by hand; an AVL tree needs
// millions of nodes for that) ends the walk instead of overrunning the stack.
TEST(AVLTree, WalkOfATooDeepTreeStopsAndSaysSo)
{
    std::vector<std::unique_ptr<IntNode>> chain;
    for (int i = 0; i < 40; ++i) {
        chain.push_back(std::make_unique<IntNode>(40 - i));
        if (i > 0)
            chain[i - 1]->left = chain[i].get();
    }
    Utils::GSIAVLTree tree;
    // Link the chain in through insertion of its top node only.
    IntNode* top = chain[0].get();
    Utils::GSIAVLNode* below = top->left;
    ASSERT_TRUE(tree.Insert(top));
    top->left = below;
    Utils::GSIAVLTree::Iterator it;
    Utils::GSIAVLTree::Begin(tree, &it);
    EXPECT_FALSE(Utils::GSIAVLTree::Next(&it));
    EXPECT_TRUE(it.overflowed);
    EXPECT_FALSE(it.active);
}

TEST(AVLTree, ClearForgetsNodesWithoutTouchingThem)
{
    IntNode a(1), b(2);
    Utils::GSIAVLTree tree;
    tree.Insert(&a);
    tree.Insert(&b);
    tree.Clear();
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(a.key, 1);
}

}  // namespace
