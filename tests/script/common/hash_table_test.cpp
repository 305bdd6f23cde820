// Chained hash table: long chains searched by halving give the walk's results and order, nodes
// are located at their place in that order, and visiting every node follows it.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "script/common/hash_table.h"

namespace {

// A key and a level as the symbols have them: -1 matches any level, a
// higher level sorts first among equal keys.
class KeyNode : public Utils::IHashNode {
public:
    KeyNode(uint32_t key, int level, bool inOrder) : key_(key), level_(level), inOrder_(inOrder) {}
    uint32_t Hash() const override { return key_ % 7; }
    int Compare(const Utils::IHashNode& other) const override
    {
        const KeyNode& b = static_cast<const KeyNode&>(other);
        if (key_ != b.key_)
            return key_ < b.key_ ? -1 : 1;
        if (level_ == -1 || b.level_ == -1 || level_ == b.level_)
            return 0;
        return level_ < b.level_ ? 1 : -1;
    }
    bool ComparesInOrder() const override { return inOrder_; }
    uint32_t key_;
    int level_;
    bool inOrder_;
};

struct Trace {
    std::vector<int> results;
    std::vector<std::pair<uint32_t, int>> order;
};

// The same operations on a table that may halve and on one that must walk.
Trace RunOperations(bool inOrder, uint32_t seed)
{
    std::mt19937 random(seed);
    Utils::HashTable table;
    EXPECT_TRUE(table.Make(3));
    std::vector<std::unique_ptr<KeyNode>> nodes;
    Trace trace;
    for (int step = 0; step < 6000; ++step) {
        uint32_t key = random() % 400;
        int level = static_cast<int>(random() % 4);
        switch (random() % 4) {
        case 0:
        case 1:
            nodes.push_back(std::make_unique<KeyNode>(key, level, inOrder));
            trace.results.push_back(table.Insert(nodes.back().get()));
            break;
        case 2: {
            KeyNode probe(key, random() % 2 ? -1 : level, inOrder);
            auto* found = static_cast<KeyNode*>(table.Find(probe));
            trace.results.push_back(found ? int(found->key_ * 8 + found->level_) : -1);
            break;
        }
        default:
            if (!nodes.empty())
                trace.results.push_back(table.Remove(nodes[random() % nodes.size()].get()));
            break;
        }
    }
    Utils::HashTable::Iterator it;
    std::vector<const Utils::IHashNode*> walked;
    for (table.Begin(&it); it.Node() != nullptr; Utils::HashTable::Next(&it))
        walked.push_back(it.Node());
    // Visiting every node gives them in iteration order.
    std::vector<const Utils::IHashNode*> visited;
    table.ForEach([&](Utils::IHashNode* node) { visited.push_back(node); });
    EXPECT_EQ(visited, walked);
    std::set<const Utils::IHashNode*> present;
    int lastBucket = -1;
    uint32_t place = 0;
    for (table.Begin(&it); it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        auto* node = static_cast<KeyNode*>(it.Node());
        trace.order.emplace_back(node->key_, node->level_);
        // Locate names the node's place in iteration order: its bucket, then its place in the chain.
        place = it.bucket == lastBucket ? place + 1 : 0;
        lastBucket = it.bucket;
        uint32_t bucket = 99;
        uint32_t position = 99;
        EXPECT_TRUE(table.Locate(node, &bucket, &position));
        EXPECT_EQ(bucket, static_cast<uint32_t>(it.bucket));
        EXPECT_EQ(position, place);
        present.insert(node);
    }
    EXPECT_EQ(trace.order.size(), table.Count());
    for (const auto& node : nodes) {
        uint32_t bucket = 0;
        uint32_t position = 0;
        if (!present.count(node.get())) {
            EXPECT_FALSE(table.Locate(node.get(), &bucket, &position));
        }
    }
    return trace;
}

TEST(HashTable, HalvingLongChainsMatchesWalkingThem)
{
    for (uint32_t seed : {1u, 2u, 3u}) {
        Trace halved = RunOperations(true, seed);
        Trace walked = RunOperations(false, seed);
        EXPECT_EQ(halved.results, walked.results);
        EXPECT_EQ(halved.order, walked.order);
        EXPECT_GT(halved.order.size(), 300u);
    }
}

}  // namespace
