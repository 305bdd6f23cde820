// The string pool hands out indices in first-seen order and writes its texts
// in the order of the toolchain's 61-bucket chained table.
#include "script/compiler/library_strings.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "script/common/keyed_hash_table.h"

namespace {

TEST(LibraryStringPool, IndicesFollowFirstInterning)
{
    GSCompiler::LibraryStringPool pool;
    EXPECT_EQ(pool.Intern("b"), 0);
    EXPECT_EQ(pool.Intern("a"), 1);
    EXPECT_EQ(pool.Intern("b"), 0);
    EXPECT_EQ(pool.Intern(""), 2);
    EXPECT_EQ(pool.Count(), 3u);
    EXPECT_STREQ(pool.Text(1), "a");
    EXPECT_EQ(pool.Text(3), nullptr);
    pool.Clear();
    EXPECT_EQ(pool.Count(), 0u);
    EXPECT_EQ(pool.Intern("a"), 0);
}

// Texts with bytes above 0x7F hash as signed bytes but sort as unsigned
// ones; many texts per bucket exercise the chain order.
TEST(LibraryStringPool, WriteOrderIsTheChainedTableOrder)
{
    std::mt19937 random(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k)
            text.push_back(static_cast<char>(1 + random() % 255));
        texts.push_back(text);
    }
    GSCompiler::LibraryStringPool pool;
    Utils::StringHashTable table;
    ASSERT_TRUE(table.Make(GSCompiler::LibraryStringPool::kBuckets));
    for (const std::string& text : texts) {
        const int32_t index = pool.Intern(text.c_str());
        table.Insert(text.c_str(), reinterpret_cast<void*>(static_cast<intptr_t>(index)));
    }
    std::vector<uint32_t> expected;
    Utils::KeyedIterator it;
    for (table.Begin(&it); it.Node() != nullptr; table.Next(&it)) {
        expected.push_back(static_cast<uint32_t>(reinterpret_cast<intptr_t>(it.Node()->value)));
    }
    EXPECT_EQ(pool.WriteOrder(), expected);
}

}  // namespace
