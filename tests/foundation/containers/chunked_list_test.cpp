// Tests of ChunkedList: block layout, erasure, iteration and copying.
#include "foundation/containers/chunked_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "kuid/kuid.h"
#include "zel/pstring.h"

namespace {

template <class List>
std::vector<int> Values(const List& list)
{
    std::vector<int> values;
    for (auto it = list.Begin(); !it.IsEnd(); ++it)
        values.push_back(*it);
    return values;
}

// Counts of each block, walking with the iterator's block changes.
template <class List>
std::vector<int> BlockCounts(List& list)
{
    std::vector<int> counts;
    for (auto it = list.Begin(); !it.IsEnd(); ++it) {
        if (it.IndexInBlock() == 0)
            counts.push_back(0);
        ++counts.back();
    }
    return counts;
}

TEST(ChunkedList, AppendingPastABlockAddsOne)
{
    ChunkedList<KUID, 128> ids;
    EXPECT_TRUE(ids.IsEmpty());
    for (int i = 0; i < 129; ++i)
        ids.PushBack(KUID(5, i, 0));
    EXPECT_EQ(BlockCounts(ids), (std::vector<int>{128, 1}));
    EXPECT_EQ(ids.TotalCount(), 129);
    ASSERT_NE(ids.At(128), nullptr);
    EXPECT_EQ(*ids.At(128), KUID(5, 128, 0));
    EXPECT_EQ(ids.At(129), nullptr);
    EXPECT_EQ(ids.At(-1), nullptr);
}

TEST(ChunkedList, AppendKeepsElementAddresses)
{
    ChunkedList<int, 4, ChunkedFill::LastBlock> list;
    list.PushBack(1);
    const int* first = list.At(0);
    for (int i = 2; i < 50; ++i)
        list.PushBack(i);
    EXPECT_EQ(list.At(0), first);
}

TEST(ChunkedList, ErasingTheOnlyElementEmptiesTheList)
{
    ChunkedList<int, 13> list;
    list.PushBack(7);
    auto next = list.Erase(list.Begin());
    EXPECT_TRUE(next.IsEnd());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.TotalCount(), 0);
    EXPECT_TRUE(list.Begin().IsEnd());
}

TEST(ChunkedList, UnorderedAndOrderedErase)
{
    struct Case {
        bool ordered;
        std::vector<int> after;
    };
    const Case cases[] = {{false, {3, 2}}, {true, {2, 3}}};
    for (const Case& c : cases) {
        ChunkedList<int, 13> list;
        for (int v : {1, 2, 3})
            list.PushBack(v);
        auto next = c.ordered ? list.EraseOrdered(list.Begin()) : list.Erase(list.Begin());
        EXPECT_EQ(Values(list), c.after) << c.ordered;
        ASSERT_FALSE(next.IsEnd());
        EXPECT_EQ(*next, c.after[0]);
    }
}

TEST(ChunkedList, EraseFreesEmptiedBlocksAnywhere)
{
    ChunkedList<int, 2> list;
    for (int v = 0; v < 6; ++v)
        list.PushBack(v);  // blocks {0,1} {2,3} {4,5}
    // Empty the middle block: the iterator moves to the next block's first.
    auto it = list.Find(2);
    it = list.EraseOrdered(it);
    EXPECT_EQ(*it, 3);
    it = list.EraseOrdered(it);
    EXPECT_EQ(*it, 4);
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 4, 5}));
    // Empty the first block: the next block becomes the first.
    list.Erase(list.Begin());
    it = list.Erase(list.Begin());
    EXPECT_EQ(*it, 4);
    EXPECT_EQ(Values(list), (std::vector<int>{4, 5}));
    // Erasing the last element of the last block gives the end iterator.
    EXPECT_TRUE(list.Erase(list.Find(5)).IsEnd());
    EXPECT_TRUE(list.Erase(list.End()).IsEnd());
}

TEST(ChunkedList, AdvanceByAcrossBlocks)
{
    ChunkedList<int, 3> list;
    for (int v = 0; v < 10; ++v)
        list.PushBack(v);
    struct Case {
        int64_t from;
        int64_t by;
        int expected;  // -1 = end
    };
    const Case cases[] = {
        {0, 10, -1},  {0, 9, 9},  {0, 4, 4}, {2, 1, 3},    {9, -9, 0},
        {9, -10, -1}, {5, -3, 2}, {0, 0, 0}, {4, 100, -1}, {0, -1, -1},
    };
    for (const Case& c : cases) {
        auto it = list.Begin().AdvanceBy(c.from).AdvanceBy(c.by);
        if (c.expected < 0)
            EXPECT_TRUE(it.IsEnd()) << c.from << " " << c.by;
        else
            EXPECT_EQ(*it, c.expected) << c.from << " " << c.by;
    }
    EXPECT_EQ(*list.End().AdvanceBy(-1), 9);
    EXPECT_EQ(*list.End().MoveBy(-4), 6);
    EXPECT_TRUE(list.End().AdvanceBy(1).IsEnd());
}

TEST(ChunkedList, FourPerBlockPointerListRefillsEarlierBlocks)
{
    int objects[6];
    ChunkedList<int*, 4> list;
    for (int i = 0; i < 5; ++i)
        list.PushBack(&objects[i]);
    list.Erase(list.Find(&objects[1]));
    int index = list.PushBack(&objects[5]);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(BlockCounts(list), (std::vector<int>{4, 1}));
    EXPECT_FALSE(list.Find(&objects[5]).IsEnd());
    EXPECT_EQ(list.Find(&objects[5]).IndexInBlock(), 3);
}

TEST(ChunkedList, ThirteenPerBlockReturnsIndexInBlock)
{
    ChunkedList<void*, 13> list;
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(list.PushBack(nullptr), i);
    EXPECT_EQ(list.PushBack(nullptr), 0);
}

TEST(ChunkedList, FindKuidComparesAllThreeFields)
{
    ChunkedList<KUID, 128> ids;
    ids.PushBack(KUID(5, 100, 0));
    ids.PushBack(KUID(5, 100, 3));
    EXPECT_EQ(ids.Find(KUID(5, 100, 3)).IndexInBlock(), 1);
    EXPECT_TRUE(ids.Find(KUID(5, 100, 4)).IsEnd());
}

TEST(ChunkedList, AssignKeepsBlockCounts)
{
    ChunkedList<int, 3> source;
    for (int v = 0; v < 7; ++v)
        source.PushBack(v);
    source.EraseOrdered(source.Find(4));  // blocks 3, 2, 1
    ChunkedList<int, 3> copy;
    copy.PushBack(99);
    copy.Assign(source);
    EXPECT_EQ(BlockCounts(copy), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(Values(copy), Values(source));
    ChunkedList<int, 3> copied(source);
    EXPECT_EQ(Values(copied), Values(source));
}

TEST(ChunkedList, InternedStringsKeepTheirReferences)
{
    Zel::PString name("chunked-list-test-name");
    ChunkedList<Zel::PString, 13> names;
    for (int i = 0; i < 14; ++i)
        names.PushBack(name);
    EXPECT_EQ(BlockCounts(names), (std::vector<int>{13, 1}));
    EXPECT_EQ(name.Node()->references.load(), 15);
    ChunkedList<Zel::PString, 13> copy;
    copy.Assign(names);
    EXPECT_EQ(name.Node()->references.load(), 29);
    names.DeleteAll();
    copy.Clear();
    EXPECT_TRUE(names.IsEmpty());
    EXPECT_EQ(name.Node()->references.load(), 1);
}

struct Counted {
    explicit Counted(int& liveCount) : live(liveCount) { ++live; }
    virtual ~Counted() { --live; }
    int& live;
};

TEST(ChunkedList, DeleteAllDeletesPointeesClearDoesNot)
{
    int live = 0;
    ChunkedList<Counted*, 13> list;
    std::vector<Counted*> kept;
    for (int i = 0; i < 20; ++i)
        list.PushBack(new Counted(live));
    list.DeleteAll();
    EXPECT_EQ(live, 0);
    EXPECT_TRUE(list.IsEmpty());

    Counted survivor(live);
    list.PushBack(&survivor);
    list.Clear();
    EXPECT_EQ(live, 1);
    list.DeleteAll();  // an empty list is left as it is
}

TEST(ChunkedList, RangeForVisitsInOrder)
{
    ChunkedList<int, 2> list;
    for (int v = 0; v < 5; ++v)
        list.PushBack(v);
    int expected = 0;
    for (int v : list)
        EXPECT_EQ(v, expected++);
    EXPECT_EQ(expected, 5);
}

}  // namespace
