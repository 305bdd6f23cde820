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

// The order the toolchain's 61-bucket chained table gives `texts`, as
// indices of their first interning.
std::vector<uint32_t> ChainedTableOrder(const std::vector<std::string>& texts, GSCompiler::LibraryStringPool* pool)
{
    Utils::StringHashTable table;
    EXPECT_TRUE(table.Make(GSCompiler::LibraryStringPool::kBuckets));
    for (const std::string& text : texts) {
        const int32_t index = pool->Intern(text.c_str());
        table.Insert(text.c_str(), reinterpret_cast<void*>(static_cast<intptr_t>(index)));
    }
    std::vector<uint32_t> expected;
    Utils::KeyedIterator it;
    for (table.Begin(&it); it.Node() != nullptr; table.Next(&it)) {
        expected.push_back(static_cast<uint32_t>(reinterpret_cast<intptr_t>(it.Node()->value)));
    }
    return expected;
}

std::string RandomBytes(std::mt19937& random, int length)
{
    std::string text;
    for (int k = 0; k < length; ++k)
        text.push_back(static_cast<char>(1 + random() % 255));
    return text;
}

// Texts with bytes above 0x7F hash as signed bytes but sort as unsigned
// ones; many texts per bucket exercise the chain order.
TEST(LibraryStringPool, WriteOrderIsTheChainedTableOrder)
{
    std::mt19937 random(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i)
        texts.push_back(RandomBytes(random, static_cast<int>(random() % 12)));
    GSCompiler::LibraryStringPool pool;
    const std::vector<uint32_t> expected = ChainedTableOrder(texts, &pool);
    EXPECT_EQ(pool.WriteOrder(), expected);
}

// The texts of a large library share long beginnings (every signature of a
// class starts alike) and some are beginnings of others: the order must be
// decided however far into the texts the first difference lies.
TEST(LibraryStringPool, WriteOrderHoldsForTextsWithLongSharedBeginnings)
{
    const std::string beginnings[] = {"$int@Big::f", "$void@AClassNameLongerThanSixteenBytes::", "abcdefgh",
                                      "abcdefghabcdefgh", std::string(3000, 'q')};
    std::mt19937 random(11);
    std::vector<std::string> texts;
    for (const std::string& beginning : beginnings) {
        texts.push_back(beginning);
        for (int i = 0; i < 600; ++i)
            texts.push_back(beginning + RandomBytes(random, static_cast<int>(random() % 20)));
        for (int i = 0; i < 40; ++i)
            texts.push_back(beginning + std::to_string(i) + "(int)");
    }
    GSCompiler::LibraryStringPool pool;
    const std::vector<uint32_t> expected = ChainedTableOrder(texts, &pool);
    EXPECT_EQ(pool.WriteOrder(), expected);
}

// Texts beyond one storage block, one of them larger than a block, keep
// their indices, bytes and lengths.
TEST(LibraryStringPool, ManyAndLongTextsKeepTheirIndices)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i)
        texts.push_back("text number " + std::to_string(i));
    texts.insert(texts.begin() + 5000, std::string(100000, 'x'));
    GSCompiler::LibraryStringPool pool;
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(pool.Intern(texts[i].c_str()), static_cast<int32_t>(i));
    ASSERT_EQ(pool.Count(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(pool.Intern(texts[i].c_str()), static_cast<int32_t>(i));
        EXPECT_EQ(pool.Text(static_cast<uint32_t>(i)), texts[i]);
        EXPECT_EQ(pool.Length(static_cast<uint32_t>(i)), texts[i].size());
    }
    EXPECT_EQ(pool.Length(static_cast<uint32_t>(texts.size())), 0u);
}

}  // namespace
