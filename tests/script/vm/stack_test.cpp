// GSStack: frames placed by their function's frame words, the fit test and
// its report, removal with the release of reference locals, and the dump.
#include <gtest/gtest.h>

#include "script/vm/gs_function.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "vm_test_support.h"

namespace {

using GSRuntime::GSFunction;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSStack;
using GSRuntime::GSString;
using GSRuntime::Slot;
using vm_test::LogCapture;

class Stack : public vm_test::MachineTest {};

// Words as the image stores them, for reference locals and line pairs.
struct Words {
    explicit Words(std::initializer_list<uint32_t> values)
    {
        for (uint32_t value : values) {
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    std::vector<uint8_t> bytes;
};

// A function of `arguments` words (the receiver included), `locals` locals
// and an operand depth of `depth`, as the compiler writes its frame words.
GSFunction Function(const char* name, int32_t arguments, int32_t locals, int32_t depth,
                    const Words* references = nullptr, const Words* lines = nullptr)
{
    GSFunction function;
    function.signature = name;
    function.argumentWords = arguments;
    function.argumentBase = 1 - arguments;
    function.frameOffset = locals + 1;
    function.stackAdvance = locals + 4;
    function.stackNeed = depth + locals + 4;
    if (references != nullptr)
        function.referenceLocals = GSImage::WordView(references->bytes.data(), uint32_t(references->bytes.size() / 4));
    if (lines != nullptr)
        function.lines = GSImage::LineView(lines->bytes.data(), uint32_t(lines->bytes.size() / 8));
    return function;
}

TEST_F(Stack, AFrameIsPlacedByItsFrameWords)
{
    GSStack stack;
    GSFunction function = Function("$int@T::f(int)", 2, 3, 2);
    stack.PushInt(0);   // receiver
    stack.PushInt(41);  // argument
    ASSERT_TRUE(stack.PushFrame(&function, 17));
    GSRuntime::GSStackFrame* frame = stack.CurrentFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Function(), &function);
    EXPECT_EQ(frame->ReturnOffset(), 17);
    EXPECT_EQ(frame->Previous(), nullptr);
    EXPECT_EQ(stack.IndexOf(frame->Locals()), 0);
    EXPECT_EQ(frame->GetIntParam(1), 41);
    // Locals at 2..4, the record at 5..8, the top on the record's last slot.
    EXPECT_EQ(stack.IndexOf(reinterpret_cast<Slot*>(frame)), 5);
    EXPECT_EQ(stack.TopIndex(), 8);
    stack.PushInt(99);
    ASSERT_TRUE(stack.ReturnValue(false));
    EXPECT_EQ(stack.TopIndex(), 0);
    EXPECT_EQ(stack.At(0).AsInt(), 99);
    EXPECT_EQ(stack.ReturnOffset(), 17);
    EXPECT_EQ(stack.CurrentFrame(), nullptr);
}

TEST_F(Stack, AFrameThatDoesNotFitIsReportedWithEveryFrame)
{
    GSStack stack;
    GSFunction outer = Function("$void@T::outer()", 1, 0, 1);
    stack.PushInt(0);
    ASSERT_TRUE(stack.PushFrame(&outer, 0));
    LogCapture log;
    stack.PushInt(0);
    const int32_t top = stack.TopIndex();
    // The room above the top counts as capacity minus the top's index.
    const int32_t room = GSStack::kCapacity - top;
    GSFunction fits = Function("$void@T::fits()", 1, room - 4, 0);
    GSFunction tooBig = Function("$void@T::tooBig()", 1, room - 3, 0);
    EXPECT_FALSE(stack.PushFrame(&tooBig, 5));
    EXPECT_EQ(log.Taken(), (std::vector<std::string>{"GSStack overflow...", "function $void@T::outer()"}));
    EXPECT_EQ(stack.TopIndex(), top);
    EXPECT_EQ(stack.CurrentFrame()->Function(), &outer);
    stack.SetTopIndex(top - 1);
    stack.PushInt(0);
    EXPECT_TRUE(stack.PushFrame(&fits, 5));
    stack.Unwind();
    EXPECT_EQ(stack.TopIndex(), -1);
}

TEST_F(Stack, ReturningChecksTheFramesShape)
{
    GSStack stack;
    GSFunction function = Function("$int@T::f()", 1, 0, 2);
    stack.PushInt(0);
    ASSERT_TRUE(stack.PushFrame(&function, 0));
    LogCapture log;
    // A native that pushed nothing returns 0 when asked to.
    EXPECT_TRUE(stack.ReturnValue(true));
    EXPECT_EQ(stack.At(0).AsInt(), 0);
    stack.SetTopIndex(-1);
    stack.PushInt(0);
    ASSERT_TRUE(stack.PushFrame(&function, 0));
    stack.PushInt(1);
    stack.PushInt(2);
    EXPECT_FALSE(stack.ReturnValue(true));
    EXPECT_EQ(log.Taken(), std::vector<std::string>{"GSStack::ReturnValue> diff=5"});
    EXPECT_FALSE(stack.PopFrame());
    EXPECT_NE(stack.CurrentFrame(), nullptr);
    stack.Unwind();
    EXPECT_FALSE(stack.PopFrame());
    EXPECT_FALSE(stack.ReturnValue(true));
}

TEST_F(Stack, RemovingAFrameReleasesEachReferenceLocalOnce)
{
    GSStack stack;
    const Words references{1, 2};
    GSFunction function = Function("$void@T::f(string)", 2, 1, 0, &references);
    GSString* text = new GSString(nullptr, "shared");
    Slot* handle = text->GetScriptInstance();
    GSScriptInstance::AddReference(handle);
    GSScriptInstance::AddReference(handle);
    GSScriptInstance::AddReference(handle);
    stack.Push(Slot::FromPointer(handle));  // receiver
    stack.Push(Slot::FromPointer(handle));  // argument
    ASSERT_TRUE(stack.PushFrame(&function, 0));
    stack.CurrentFrame()->Local(2) = Slot::FromPointer(handle);
    EXPECT_EQ(GSScriptInstance::FromHandle(handle)->references, 4);
    ASSERT_TRUE(stack.PopFrame());
    EXPECT_EQ(GSScriptInstance::FromHandle(handle)->references, 1);
    EXPECT_EQ(stack.TopIndex(), -1);
    GSScriptInstance::Release(handle);
}

TEST_F(Stack, TheDumpGivesEachOlderFrameItsLine)
{
    GSStack stack;
    const Words lines{0, 10, 8, 11, 20, 14};
    GSFunction a = Function("$void@T::a()", 1, 0, 1, nullptr, &lines);
    GSFunction b = Function("$void@T::b()", 1, 0, 1, nullptr, &lines);
    GSFunction c = Function("$void@T::c()", 1, 0, 1, nullptr, &lines);
    stack.PushInt(0);
    ASSERT_TRUE(stack.PushFrame(&a, 0));
    stack.PushInt(0);
    ASSERT_TRUE(stack.PushFrame(&b, 9));
    stack.PushInt(0);
    ASSERT_TRUE(stack.PushFrame(&c, 25));
    LogCapture log;
    stack.Dump();
    EXPECT_EQ(log.Taken(), (std::vector<std::string>{"function $void@T::c(), line -1", "function $void@T::b(), line 14",
                                                     "function $void@T::a(), line 11"}));
    stack.Unwind();
    EXPECT_EQ(a.LineOf(0), 10);
    EXPECT_EQ(a.LineOf(7), 10);
    EXPECT_EQ(a.LineOf(8), 11);
    EXPECT_EQ(a.LineOf(1000), 14);
    EXPECT_EQ(Function("$void@T::none()", 1, 0, 0).LineOf(3), -1);
}

}  // namespace
