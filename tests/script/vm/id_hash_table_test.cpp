// IdHashTable: chains sorted by both key words compared unsigned, duplicates
// refused, and clearing that leaves values alone unless asked.
#include "script/vm/id_hash_table.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// The keys of one bucket's chain, in chain order.
std::vector<std::pair<uint32_t, uint32_t>> Chain(const IdHashTable& table, uint32_t bucket)
{
    std::vector<std::pair<uint32_t, uint32_t>> keys;
    for (const IdHashTable::Node* node = table.Bucket(bucket); node != nullptr; node = node->next)
        keys.emplace_back(node->first, node->second);
    return keys;
}

TEST(IdHashTable, KeysOfOneBucketChainInAscendingOrder)
{
    IdHashTable table;
    ASSERT_TRUE(table.Make(251));
    int a = 0;
    int b = 0;
    EXPECT_TRUE(table.Insert(5, 2, &b));
    EXPECT_TRUE(table.Insert(5, 1, &a));
    EXPECT_FALSE(table.Insert(5, 1, &b));
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_EQ(Chain(table, 5), (std::vector<std::pair<uint32_t, uint32_t>>{{5, 1}, {5, 2}}));
    EXPECT_EQ(table.FindValue(5, 1), &a);  // the second insert changed nothing

    ASSERT_TRUE(table.Insert(251, 0, &a));
    ASSERT_TRUE(table.Insert(0, 7, &b));
    EXPECT_EQ(Chain(table, 0), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 7}, {251, 0}}));
}

TEST(IdHashTable, ComparisonsAreUnsigned)
{
    IdHashTable table;
    ASSERT_TRUE(table.Make(1));
    int value = 0;
    ASSERT_TRUE(table.Insert(0x80000000u, 0, &value));
    ASSERT_TRUE(table.Insert(7, 0xFFFFFFFFu, &value));
    ASSERT_TRUE(table.Insert(7, 1, &value));
    EXPECT_EQ(Chain(table, 0),
              (std::vector<std::pair<uint32_t, uint32_t>>{{7, 1}, {7, 0xFFFFFFFFu}, {0x80000000u, 0}}));
    IdHashTable::Iterator it;
    EXPECT_TRUE(table.Find(0x80000000u, 0, &it));
    EXPECT_EQ(it.Value(), &value);
    EXPECT_FALSE(table.Find(0x80000000u, 1, &it));
}

TEST(IdHashTable, ClearLeavesValuesAndClearAndDeleteDeletesThem)
{
    struct Counted {
        explicit Counted(int* deaths) : deaths_(deaths) {}
        ~Counted() { ++*deaths_; }
        int* deaths_;
    };
    int deaths = 0;
    IdHashTable table;
    ASSERT_TRUE(table.Make(251));
    table.Clear();
    EXPECT_EQ(table.Count(), 0u);

    Counted kept(&deaths);
    table.Insert(1, 1, &kept);
    table.Clear();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.FindValue(1, 1), nullptr);

    for (uint32_t i = 0; i < 1000; ++i)
        table.Insert(i * 7919u, i, new Counted(&deaths));
    table.Insert(99999, 0, nullptr);
    EXPECT_EQ(table.Count(), 1001u);
    table.ClearAndDelete<Counted>();
    EXPECT_EQ(deaths, 1000);
    EXPECT_EQ(table.Count(), 0u);
}

TEST(IdHashTable, WithoutBucketsNothingIsFoundOrInserted)
{
    IdHashTable table;
    int value = 0;
    EXPECT_FALSE(table.Insert(1, 2, &value));
    EXPECT_EQ(table.FindValue(1, 2), nullptr);
}

}  // namespace
