// The per-context pool: 1022-slot blocks whose free slots are found again
// only when the current block is exhausted, and the three-pass teardown
// that frees instances referencing each other.
#include <gtest/gtest.h>

#include "script/vm/gs_array.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_string.h"
#include "vm_test_support.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSPoolBlock;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSString;

class TrackedPool : public vm_test::MachineTest {};

GSPoolBlock* BlockOf(GSString* string)
{
    return GSScriptInstance::FromHandle(string->GetScriptInstance())->slot->block;
}

TEST_F(TrackedPool, FreedSlotsAreTakenAgainOnlyOnceTheCurrentBlockIsFull)
{
    GSRuntime::GSContext context;
    std::vector<GSString*> strings;
    for (uint32_t i = 0; i < GSPoolBlock::kSlots; ++i)
        strings.push_back(new GSString(&context, "s"));
    EXPECT_EQ(context.Pool().BlockCount(), 1u);
    strings.push_back(new GSString(&context, "the 1023rd"));
    EXPECT_EQ(context.Pool().BlockCount(), 2u);
    GSPoolBlock* first = BlockOf(strings[0]);
    GSPoolBlock* second = BlockOf(strings.back());
    EXPECT_NE(first, second);

    GSScriptInstance::Release(strings[5]->GetScriptInstance());
    strings[5] = nullptr;
    GSString* next = new GSString(&context, "next");
    EXPECT_EQ(BlockOf(next), second);
    // Fill the second block; the one after that finds the first block's slot.
    for (uint32_t i = 2; i < GSPoolBlock::kSlots; ++i)
        strings.push_back(new GSString(&context, "fill"));
    EXPECT_EQ(context.Pool().BlockCount(), 2u);
    GSString* reused = new GSString(&context, "reused");
    EXPECT_EQ(BlockOf(reused), first);
    EXPECT_EQ(context.Pool().BlockCount(), 2u);
    EXPECT_EQ(GSRuntime::GSTrackedPool::LiveSlots(), int64_t(2 * GSPoolBlock::kSlots));
    // The strings are left to the context's teardown.
}

TEST_F(TrackedPool, TeardownFreesArraysThatHoldEachOther)
{
    {
        GSRuntime::GSContext context;
        GSArray* a = new GSArray(&context, 1);
        GSArray* b = new GSArray(&context, 1);
        a->SetObjectElement(0, b->GetScriptInstance(), true, nullptr);
        b->SetObjectElement(0, a->GetScriptInstance(), true, nullptr);
        a->SetObjectElement(1, a->GetScriptInstance(), true, nullptr);
        for (int i = 0; i < 50; ++i) {
            GSString* string = new GSString(&context, std::to_string(i));
            a->SetObjectElement(2 + i, string->GetScriptInstance(), false, nullptr);
        }
        // Nothing outside holds them any more: only the cycle keeps them.
        GSScriptInstance::Release(a->GetScriptInstance());
        GSScriptInstance::Release(b->GetScriptInstance());
        EXPECT_EQ(GSRuntime::LiveScriptInstances(), 52);
    }
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), 0);
    EXPECT_EQ(GSRuntime::GSTrackedPool::LiveSlots(), 0);
}

TEST_F(TrackedPool, AnEmptyPoolTearsDownToNothing)
{
    GSRuntime::GSContext context;
    context.Pool().TearDown();
    EXPECT_EQ(context.Pool().BlockCount(), 0u);
    GSString* after = new GSString(&context, "after");
    EXPECT_EQ(context.Pool().BlockCount(), 1u);
    GSScriptInstance::Release(after->GetScriptInstance());
}

}  // namespace
