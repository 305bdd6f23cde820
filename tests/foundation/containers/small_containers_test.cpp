// Tests of the step arrays, the intrusive list node, safe pointers and counted pointers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/containers/list_node.h"
#include "foundation/containers/reference_count_mp.h"
#include "foundation/containers/safe_pointer.h"
#include "foundation/containers/step_array.h"

namespace {

TEST(StepArray, CapacityGrowsToTheNextStep)
{
    struct Case {
        int32_t reserve;
        int32_t simple;
        int32_t scalar;
    };
    const Case cases[] = {{0, 0, 0}, {1, 10, 128}, {10, 10, 128}, {11, 20, 128}, {129, 130, 256}};
    for (const Case& c : cases) {
        SimpleArray<> simple;
        ScalarArray<> scalar;
        EXPECT_TRUE(simple.Reserve(c.reserve));
        EXPECT_TRUE(scalar.Reserve(c.reserve));
        EXPECT_EQ(simple.Capacity(), c.simple) << c.reserve;
        EXPECT_EQ(scalar.Capacity(), c.scalar) << c.reserve;
    }
}

TEST(StepArray, PushBackKeepsValuesAcrossGrowth)
{
    SimpleArray<> array;
    for (int32_t i = 0; i < 25; ++i)
        ASSERT_TRUE(array.PushBack(i * 3));
    EXPECT_EQ(array.Count(), 25);
    EXPECT_EQ(array.Capacity(), 30);
    for (int32_t i = 0; i < 25; ++i)
        EXPECT_EQ(array[i], i * 3);
    SimpleArray<> copy = array;
    EXPECT_EQ(copy.Count(), 25);
    EXPECT_EQ(copy[24], 72);
    EXPECT_FALSE(array.Reserve(INT32_MAX));
    EXPECT_EQ(array.Count(), 25);
}

TEST(CharBuffers, GrowInTheirStepsAndStayTerminated)
{
    CharBuffer small;
    CharArray large;
    EXPECT_STREQ(small.Text(), "");
    for (int i = 0; i < 128; ++i) {
        small.AppendChar('a');
        large.AppendChar('a');
    }
    // 128 bytes and the terminator need a second step.
    EXPECT_EQ(small.Capacity(), 256);
    EXPECT_EQ(large.Capacity(), 4096);
    EXPECT_EQ(small.Length(), 128);
    EXPECT_EQ(std::string(small.Text()), std::string(128, 'a'));
    small.Clear();
    small.Append("xyz");
    EXPECT_STREQ(small.Text(), "xyz");
    EXPECT_FALSE(small.Append("x", -1));
}

struct Item : ListNode {
    explicit Item(int v) : value(v) {}
    int value;
};

std::vector<int> Walk(const ListNodeList& list)
{
    std::vector<int> values;
    for (ListNode* n = list.Head(); n != nullptr; n = n->Next())
        values.push_back(static_cast<Item*>(n)->value);
    return values;
}

TEST(ListNode, UnlinkFixesNeighboursHeadAndTail)
{
    ListNodeList list;
    Item a(1), b(2), c(3);
    list.PushBack(a);
    list.PushBack(b);
    list.PushBack(c);
    b.Unlink();
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 3}));
    EXPECT_EQ(b.Owner(), nullptr);
    EXPECT_EQ(b.Next(), nullptr);
    EXPECT_EQ(b.Previous(), nullptr);
    a.Unlink();
    EXPECT_EQ(list.Head(), &c);
    c.Unlink();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Tail(), nullptr);
    c.Unlink();  // not in a list: nothing
    list.PushFront(a);
    list.PushFront(b);
    EXPECT_EQ(Walk(list), (std::vector<int>{2, 1}));
}

TEST(ListNode, DeadNodesAndListsLeaveNothingDangling)
{
    ListNodeList list;
    Item a(1);
    {
        Item b(2);
        list.PushBack(a);
        list.PushBack(b);
    }
    EXPECT_EQ(Walk(list), (std::vector<int>{1}));
    {
        ListNodeList other;
        other.PushBack(a);  // moves it out of the first list
        EXPECT_TRUE(list.IsEmpty());
    }
    EXPECT_EQ(a.Owner(), nullptr);
}

struct Target : SafePointerTarget<Target> {
    int value = 5;
};

TEST(SafePointer, NulledWhenTheTargetGoes)
{
    SafePointer<Target> first;
    SafePointer<Target> second;
    {
        Target target;
        first = &target;
        second = first;
        SafePointer<Target> third(&target);
        EXPECT_EQ(second->value, 5);
    }
    EXPECT_EQ(first.Get(), nullptr);
    EXPECT_EQ(second.Get(), nullptr);
}

TEST(SafePointer, DetachAllLeavesEachPointerAlone)
{
    Target target;
    SafePointer<Target> a(&target), b(&target), c(&target);
    b = nullptr;
    EXPECT_TRUE(target.HasSafePointers());
    target.DetachAll();
    EXPECT_FALSE(target.HasSafePointers());
    EXPECT_FALSE(a);
    EXPECT_FALSE(c);
    a = &target;
    EXPECT_TRUE(target.HasSafePointers());
}

struct Shared : ReferenceCountMP {
    explicit Shared(bool& flag) : deleted(flag) {}
    ~Shared() override { deleted = true; }
    bool& deleted;
};

TEST(ReferenceCountMP, LastReleaseDeletes)
{
    bool deleted = false;
    Shared* object = new Shared(deleted);
    object->AddRef();
    EXPECT_FALSE(object->Release());
    EXPECT_FALSE(deleted);
    {
        auto owner = ReferenceCountMPPtr<Shared>::Adopt(object);
        auto copy = owner;
        EXPECT_EQ(object->ReferenceCount(), 2);
        auto shared = ReferenceCountMPPtr<Shared>::Share(object);
        EXPECT_EQ(object->ReferenceCount(), 3);
    }
    EXPECT_TRUE(deleted);
}

}  // namespace
