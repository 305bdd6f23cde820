// NodeIndex: the first value under a pointer stays, null is a key of its own, and growth keeps every entry.
#include "templates/dod_node_index.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NodeIndexTest, KeepsTheFirstValueOfEachKeyThroughGrowth)
{
    std::vector<long> nodes(5000);
    DODLib::NodeIndex index;
    EXPECT_EQ(index.Find(&nodes[0]), -1);
    EXPECT_FALSE(index.Contains(nullptr));
    for (size_t i = 0; i < nodes.size(); ++i)
        EXPECT_TRUE(index.Insert(&nodes[i], static_cast<int32_t>(i)));
    EXPECT_FALSE(index.Insert(&nodes[7], 99));
    EXPECT_TRUE(index.Insert(nullptr, 3));
    EXPECT_FALSE(index.Insert(nullptr, 4));
    EXPECT_EQ(index.Size(), nodes.size() + 1);
    for (size_t i = 0; i < nodes.size(); ++i)
        ASSERT_EQ(index.Find(&nodes[i]), static_cast<int32_t>(i));
    EXPECT_EQ(index.Find(nullptr), 3);
    long other = 0;
    EXPECT_FALSE(index.Contains(&other));
}
