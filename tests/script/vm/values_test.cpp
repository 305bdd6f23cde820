// Script arrays and strings: element access, the range operations with their
// index rules, counted references in reference arrays, and growth.
#include <gtest/gtest.h>

#include <climits>

#include "script/vm/gs_array.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_string.h"
#include "vm_test_support.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSString;
using GSRuntime::Slot;

class Values : public vm_test::MachineTest {};

std::vector<int32_t> Ints(const GSArray& array)
{
    std::vector<int32_t> values;
    for (int32_t i = 0; i < array.Count(); ++i)
        values.push_back(array.Elements()[i].AsInt());
    return values;
}

GSArray* IntArray(std::initializer_list<int32_t> values)
{
    GSArray* array = new GSArray(nullptr, 0);
    int32_t i = 0;
    for (int32_t value : values)
        array->SetElement(i++, Slot::FromInt(value));
    return array;
}

void Drop(GSRuntime::GSObjectReference* value)
{
    GSScriptInstance::Release(value->GetScriptInstance());
}

int32_t References(GSRuntime::GSObjectReference* value)
{
    return GSScriptInstance::FromHandle(value->GetScriptInstance())->references;
}

TEST_F(Values, ArraySpliceFollowsTheIndexRules)
{
    struct Case {
        const char* what;
        int32_t first;
        int32_t last;
        std::vector<int32_t> source;  // empty: no source
        bool ok;
        std::vector<int32_t> result;
    };
    const Case cases[] = {
        {"[2, 5) without source", 2, 5, {}, true, {1, 2}},
        {"[5, 5) with one element", 5, 5, {9}, true, {1, 2, 3, 0, 0, 9}},
        {"first 5, last -1 (the end, 3)", 5, -1, {9}, false, {1, 2, 3}},
        {"the whole array", -1, -1, {7, 8}, true, {7, 8}},
        {"an insertion", 1, 1, {7, 8}, true, {1, 7, 8, 2, 3}},
        {"last below first", 2, 1, {}, false, {1, 2, 3}},
        {"everything removed", 0, 3, {}, true, {}},
    };
    for (const Case& c : cases) {
        GSArray* array = IntArray({1, 2, 3});
        GSArray* source = nullptr;
        if (!c.source.empty()) {
            source = new GSArray(nullptr, 0);
            for (size_t i = 0; i < c.source.size(); ++i)
                source->SetElement(int32_t(i), Slot::FromInt(c.source[i]));
        }
        EXPECT_EQ(array->Splice(c.first, c.last, source), c.ok) << c.what;
        EXPECT_EQ(Ints(*array), c.result) << c.what;
        Drop(array);
        if (source != nullptr)
            Drop(source);
    }
    GSArray* ints = IntArray({1});
    GSArray* refs = new GSArray(nullptr, 1);
    EXPECT_FALSE(ints->Splice(0, 1, refs));
    Drop(ints);
    Drop(refs);
}

TEST_F(Values, SplicingAnArrayIntoItselfKeepsItsElements)
{
    GSArray* array = new GSArray(nullptr, 1);
    GSString* a = new GSString(nullptr, "a");
    GSString* b = new GSString(nullptr, "b");
    array->SetObjectElement(0, a->GetScriptInstance(), false, nullptr);
    array->SetObjectElement(1, b->GetScriptInstance(), false, nullptr);
    // a[1, 2] = a: element 1 replaced by the whole array's elements.
    ASSERT_TRUE(array->Splice(1, 2, array));
    ASSERT_EQ(array->Count(), 3);
    EXPECT_EQ(array->Elements()[0].AsHandle(), a->GetScriptInstance());
    EXPECT_EQ(array->Elements()[1].AsHandle(), a->GetScriptInstance());
    EXPECT_EQ(array->Elements()[2].AsHandle(), b->GetScriptInstance());
    EXPECT_EQ(References(a), 2);
    EXPECT_EQ(References(b), 1);
    ASSERT_TRUE(array->CopyRange(array, 1, 3));
    EXPECT_EQ(array->Count(), 2);
    EXPECT_EQ(References(a), 1);
    EXPECT_EQ(References(b), 1);
    Drop(array);
}

TEST_F(Values, CopyRangeCountsEveryCopiedReference)
{
    GSArray* source = new GSArray(nullptr, 1);
    std::vector<GSString*> strings;
    for (int i = 0; i < 4; ++i) {
        strings.push_back(new GSString(nullptr, std::to_string(i)));
        source->SetObjectElement(i, strings.back()->GetScriptInstance(), false, nullptr);
    }
    GSArray* copy = new GSArray(nullptr, 1);
    EXPECT_TRUE(copy->CopyRange(source, -5, 100));
    EXPECT_EQ(copy->Count(), 4);
    for (GSString* string : strings)
        EXPECT_EQ(References(string), 2);
    EXPECT_FALSE(copy->CopyRange(source, 2, 1));
    EXPECT_EQ(copy->Count(), 4);
    Drop(source);
    for (GSString* string : strings)
        EXPECT_EQ(References(string), 1);
    EXPECT_EQ(GSString::FromHandle(copy->Elements()[3].AsHandle())->Text(), "3");
    Drop(copy);
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), 0);
}

TEST_F(Values, EnsureSizeGrowsButNeverShrinks)
{
    GSArray* array = IntArray({1, 2, 3, 4, 5});
    EXPECT_TRUE(array->EnsureSize(2));
    EXPECT_EQ(array->Count(), 5);
    EXPECT_TRUE(array->SetElement(10, Slot::FromInt(7)));
    EXPECT_EQ(Ints(*array), (std::vector<int32_t>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 7}));
    EXPECT_TRUE(array->EnsureSize(0));
    EXPECT_EQ(array->Count(), 0);
    EXPECT_EQ(array->Elements(), nullptr);
    EXPECT_FALSE(array->SetElement(-1, Slot::FromInt(1)));
    EXPECT_EQ(array->Count(), 0);
    Drop(array);
}

// One append after another must not copy the whole array each time: the
// storage grows by doubling, so 100,000 appends touch a few blocks only.
TEST_F(Values, AppendsGrowTheStorageGeometrically)
{
    GSArray* array = new GSArray(nullptr, 0);
    const int64_t blocksBefore = GSRuntime::GSHeap::Context().LiveBlocks();
    int moves = 0;
    const Slot* storage = nullptr;
    for (int32_t i = 0; i < 100000; ++i) {
        ASSERT_TRUE(array->SetElement(i, Slot::FromInt(i)));
        if (array->Elements() != storage) {
            ++moves;
            storage = array->Elements();
        }
    }
    EXPECT_LE(moves, 20);
    EXPECT_EQ(GSRuntime::GSHeap::Context().LiveBlocks(), blocksBefore + 1);
    EXPECT_EQ(array->Elements()[99999].AsInt(), 99999);
    Drop(array);
}

TEST_F(Values, SizesThatDoNotFitThirtyTwoBitsFailInsteadOfWrapping)
{
    GSArray* array = IntArray({1, 2});
    EXPECT_FALSE(array->EnsureSize(INT_MAX));
    EXPECT_FALSE(array->SetElement(INT_MAX - 1, Slot::FromInt(1)));
    EXPECT_EQ(Ints(*array), (std::vector<int32_t>{1, 2}));
    // A gap up to a start far past the end: the new count overflows 32 bits.
    GSArray* source = IntArray({1, 2, 3});
    EXPECT_FALSE(array->Splice(INT_MAX, INT_MAX, source));
    EXPECT_EQ(Ints(*array), (std::vector<int32_t>{1, 2}));
    Drop(array);
    Drop(source);
}

TEST_F(Values, ElementAccessRefusesIndexesOutsideTheArray)
{
    GSArray* refs = new GSArray(nullptr, 1);
    GSString* text = new GSString(nullptr, "x");
    EXPECT_FALSE(refs->SetObjectElement(-1, text->GetScriptInstance(), true, nullptr));
    EXPECT_EQ(refs->Count(), 0);
    EXPECT_EQ(References(text), 1);
    EXPECT_TRUE(refs->SetObjectElement(2, text->GetScriptInstance(), true, nullptr));
    EXPECT_EQ(References(text), 2);
    Slot* handle = nullptr;
    EXPECT_FALSE(refs->GetObjectElement(-1, &handle, true));
    EXPECT_FALSE(refs->GetObjectElement(3, &handle, true));
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(refs->GetObjectElement(2, &handle, true));
    EXPECT_EQ(handle, text->GetScriptInstance());
    EXPECT_EQ(References(text), 3);
    GSScriptInstance::Release(handle);
    Slot value;
    EXPECT_FALSE(refs->GetElement(3, &value));
    EXPECT_TRUE(refs->GetElement(0, &value));
    EXPECT_TRUE(value.IsZero());
    // Overwriting releases the old element.
    EXPECT_TRUE(refs->SetObjectElement(2, nullptr, false, nullptr));
    EXPECT_EQ(References(text), 1);
    Drop(refs);
    Drop(text);
}

TEST_F(Values, StringRangesFollowTheIndexRules)
{
    struct Case {
        int32_t first;
        int32_t last;
        bool ok;
        const char* result;
    };
    const Case substrings[] = {{2, 4, true, "cd"},        {2, -1, true, "cdef"}, {4, 2, false, ""},
                               {-3, 100, true, "abcdef"}, {6, 6, true, ""},      {7, -1, false, ""}};
    GSString* text = new GSString(nullptr, "abcdef");
    for (const Case& c : substrings) {
        GSString* part = new GSString(nullptr, "unchanged");
        EXPECT_EQ(text->Substring(c.first, c.last, part), c.ok) << c.first << "," << c.last;
        EXPECT_EQ(part->Text(), c.ok ? c.result : "unchanged") << c.first << "," << c.last;
        Drop(part);
    }
    GSString* xy = new GSString(nullptr, "XY");
    EXPECT_TRUE(text->Splice(1, 3, xy));
    EXPECT_EQ(text->Text(), "aXYdef");
    EXPECT_TRUE(text->Splice(1, 3, nullptr));
    EXPECT_EQ(text->Text(), "adef");
    EXPECT_FALSE(text->Splice(3, 1, xy));
    EXPECT_EQ(text->Text(), "adef");
    EXPECT_TRUE(text->Splice(0, -1, text));
    EXPECT_EQ(text->Text(), "adef");
    GSString* empty = new GSString(nullptr, "");
    EXPECT_FALSE(empty->Splice(3, 5, xy));  // the end, 0, is below 3
    EXPECT_TRUE(empty->Splice(0, 5, xy));
    EXPECT_EQ(empty->Text(), "XY");
    GSString* copy = new GSString(xy);
    EXPECT_EQ(copy->Text(), "XY");
    GSString* none = new GSString(static_cast<const GSString*>(nullptr));
    EXPECT_EQ(none->Text(), "");
    for (GSString* string : {text, xy, empty, copy, none})
        Drop(string);
}

TEST_F(Values, ValuesOfAContextAreTrackedAndOthersAreNot)
{
    GSRuntime::GSContext context;
    GSString* tracked = new GSString(&context, "in");
    GSString* loose = new GSString(nullptr, "out");
    EXPECT_EQ(GSScriptInstance::FromHandle(tracked->GetScriptInstance())->Context(), &context);
    EXPECT_EQ(GSScriptInstance::FromHandle(loose->GetScriptInstance())->Context(), nullptr);
    EXPECT_EQ(GSRuntime::GSTrackedPool::LiveSlots(), 1);
    Drop(loose);
    // The context's teardown finds the tracked one.
}

}  // namespace
