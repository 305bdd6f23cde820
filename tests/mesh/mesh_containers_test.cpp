// Mesh containers: counted arrays shared and copied on write, chunked lists whose entries never move.
#include <gtest/gtest.h>

#include <string>

#include "mesh/mesh_containers.h"
#include "zel/reference_count.h"

namespace {

struct Counted : Zel::ReferenceCount {
    explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
    ~Counted() override { --*alive_; }
    int* alive_;
};

}  // namespace

TEST(MeshContainersTest, RefArraySharesReleasesAndCopiesOnWrite)
{
    int alive = 0;
    auto* a = new Counted(&alive);
    auto* b = new Counted(&alive);
    RefArrayRef<Counted> first;
    first.Allocate(2);
    EXPECT_TRUE(first.PushBack(a));
    EXPECT_TRUE(first.PushBack(b));
    EXPECT_FALSE(first.PushBack(a));  // capacity is fixed at Allocate
    a->ReleaseReference();
    b->ReleaseReference();
    RefArrayRef<Counted> second = first;
    EXPECT_EQ(first.References(), 2);
    EXPECT_FALSE(second.Release());  // still held by first
    EXPECT_EQ(alive, 2);
    second = first;
    second.MakeUnique();
    EXPECT_FALSE(second.SameBlock(first));
    EXPECT_EQ(second[0], first[0]);
    second.Set(1, nullptr);
    EXPECT_EQ(first[1], b);         // the shared block kept its element
    EXPECT_TRUE(second.Release());  // the copy goes; its elements live on in first
    EXPECT_EQ(alive, 2);
    EXPECT_TRUE(first.Release());
    EXPECT_EQ(alive, 0);
}

TEST(MeshContainersTest, ChunkedListGrowsByBlocksWithoutMovingEntries)
{
    ChunkedList<std::string, 13> list;
    std::string* firstEntry = &list.PushBack("bone0");
    for (int i = 1; i < 13; ++i)
        list.PushBack("bone" + std::to_string(i));
    EXPECT_EQ(list.BlockCount(), 1u);
    list.PushBack("bone13");
    EXPECT_EQ(list.BlockCount(), 2u);
    for (int i = 14; i < 1000; ++i)
        list.PushBack("bone" + std::to_string(i));
    EXPECT_EQ(firstEntry, &list[0]);
    EXPECT_EQ(*firstEntry, "bone0");
    EXPECT_EQ(list[999], "bone999");
    list.PopBack();
    EXPECT_EQ(list.Size(), 999u);
    list.Clear();
    EXPECT_EQ(list.BlockCount(), 0u);
}
