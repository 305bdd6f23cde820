// A stack frame for calling one native directly: the receiver and argument slots a test gives.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "script/vm/gs_function.h"
#include "script/vm/gs_stack.h"

namespace KorvelTest {

// Slot 0 is the receiver, slots 1 and up the arguments.
struct NativeFrame {
    explicit NativeFrame(const std::vector<GSRuntime::Slot>& slots)
    {
        function.signature = "$void@T::native()";
        function.argumentWords = int32_t(slots.size());
        function.argumentBase = 1 - function.argumentWords;
        function.frameOffset = 1;
        function.stackAdvance = 4;
        function.stackNeed = 6;
        for (const GSRuntime::Slot& slot : slots)
            stack.Push(slot);
        EXPECT_TRUE(stack.PushFrame(&function, 0));
    }
    ~NativeFrame() { stack.SetCurrentFrame(nullptr); }
    GSRuntime::GSFunction function;
    GSRuntime::GSStack stack;
};

}  // namespace KorvelTest
