// String arguments of natives: text, interned text, and what null and empty arguments give.
#include <gtest/gtest.h>

#include "script/vm/gs_context.h"
#include "script/vm/gs_function.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "scripthost/native_string_params.h"

namespace {

using GSRuntime::Slot;

// The frame of a native of one argument, slot 1.
struct OneArgumentFrame {
    explicit OneArgumentFrame(Slot argument)
    {
        function.signature = "$void@T::native(string)";
        function.argumentWords = 2;
        function.argumentBase = -1;
        function.frameOffset = 1;
        function.stackAdvance = 4;
        function.stackNeed = 6;
        stack.Push(Slot::FromInt(0));
        stack.Push(argument);
        EXPECT_TRUE(stack.PushFrame(&function, 0));
    }
    ~OneArgumentFrame() { stack.SetCurrentFrame(nullptr); }
    GSRuntime::GSFunction function;
    GSRuntime::GSStack stack;
};

TEST(NativeStringParams, NullAndEmptyArgumentsAreRefusedUnlessAllowed)
{
    GSRuntime::GSContext context;
    GSRuntime::GSString text(&context, "Signal");
    GSRuntime::GSString empty(&context, "");
    struct Case {
        const char* what;
        Slot argument;
        bool allowEmpty;
        bool result;
        const char* out;
    };
    const Case cases[] = {
        {"text", Slot::FromPointer(text.GetScriptInstance()), false, true, "Signal"},
        {"empty", Slot::FromPointer(empty.GetScriptInstance()), false, false, "kept"},
        {"empty allowed", Slot::FromPointer(empty.GetScriptInstance()), true, true, ""},
        {"null", Slot::FromPointer(nullptr), false, false, "kept"},
        {"null allowed", Slot::FromPointer(nullptr), true, true, ""},
    };
    for (const Case& c : cases) {
        OneArgumentFrame frame(c.argument);
        Zel::PString interned("kept");
        EXPECT_EQ(GetNativePStringParam(frame.stack, 1, c.allowEmpty, interned), c.result) << c.what;
        EXPECT_EQ(interned.View(), c.out) << c.what;
        if (c.allowEmpty)
            continue;
        Zel::String plain("kept");
        EXPECT_EQ(GetNativeStringParam(frame.stack, plain), c.result) << c.what;
        EXPECT_STREQ(plain.c_str(), c.out) << c.what;
    }
}

}  // namespace
