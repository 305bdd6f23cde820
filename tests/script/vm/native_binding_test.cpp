// Native bindings: what each kind calls and when it refuses, the object
// argument checks and their script exceptions, and the exception report.
#include <gtest/gtest.h>

#include "script/vm/gs_array.h"
#include "script/vm/gs_function.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/native_function.h"
#include "support/native_frame.h"
#include "vm_test_support.h"

namespace {

using namespace GSRuntime;
using vm_test::LogCapture;

class NativeBinding : public vm_test::MachineTest {};

class Lamp : public GSObject {
public:
    bool Glow(GSStack& stack)
    {
        ++glows;
        stack.PushInt(7);
        return true;
    }
    int glows = 0;
};

class WorldContext : public GSContext {
public:
    bool Count(GSStack& stack)
    {
        stack.PushInt(++counted);
        return true;
    }
    int counted = 0;
};

using KorvelTest::NativeFrame;

TEST_F(NativeBinding, EachKindCallsOnlyWhatItServes)
{
    int plainCalls = 0;
    static int* counter = nullptr;
    counter = &plainCalls;
    GSCNativeFunction plain("T", "$void@T::f()", [](GSContext*, GSStack&) {
        ++*counter;
        return true;
    });
    GSCPPNativeFunction<Lamp> member("Lamp", "$int@Lamp::Glow()", &Lamp::Glow);
    GSCPPContextNativeFunction<WorldContext> world("World", "$int@World::Count()", &WorldContext::Count);
    GSCPPContextNativeFunction<GSContext> any(
        "Router", "$void@Router::x()", static_cast<bool (GSContext::*)(GSStack&)>(&GSContext::NativeGetGameObject));
    NativeFrame frame({Slot::FromInt(0), Slot::FromInt(5)});
    GSStack& stack = frame.stack;
    EXPECT_FALSE(plain.Call(nullptr, stack));
    EXPECT_EQ(plainCalls, 0);
    GSObject object;
    EXPECT_TRUE(plain.Call(&object, stack));
    EXPECT_EQ(plainCalls, 1);

    Lamp lamp;
    EXPECT_FALSE(member.Call(&object, stack));
    EXPECT_FALSE(member.Call(nullptr, stack));
    const int32_t top = stack.TopIndex();
    EXPECT_TRUE(member.Call(&lamp, stack));
    EXPECT_EQ(lamp.glows, 1);
    EXPECT_EQ(stack.TopIndex(), top + 1);
    EXPECT_EQ(stack.Top()->AsInt(), 7);

    // Context natives need the object's context, of the class they serve.
    GSContext plainContext;
    WorldContext worldContext;
    EXPECT_FALSE(world.Call(&object, stack));
    EXPECT_FALSE(any.Call(&object, stack));
    object.BindInstance(nullptr, &plainContext);
    EXPECT_FALSE(world.Call(&object, stack));
    EXPECT_TRUE(any.Call(&object, stack));
    EXPECT_TRUE(stack.Top()->IsZero());  // no router: no game object
    object.BindInstance(nullptr, &worldContext);
    EXPECT_TRUE(world.Call(&object, stack));
    EXPECT_EQ(worldContext.counted, 1);
    object.ForgetInstance();
    EXPECT_EQ(plain.ClassName(), Zel::PString("T"));
    EXPECT_EQ(member.Signature(), Zel::PString("$int@Lamp::Glow()"));
}

TEST_F(NativeBinding, ObjectArgumentsAreCheckedWithScriptExceptions)
{
    GSArray* array = new GSArray(nullptr, 0);
    NativeFrame frame({Slot::FromInt(0), Slot::FromPointer(array->GetScriptInstance()), Slot::FromInt(0)});
    GSThread thread(nullptr, 0);
    GSRunScope scope(&thread, nullptr);
    LogCapture log;
    GSArray* asArray = nullptr;
    EXPECT_TRUE(GetNativeObjectParam(frame.stack.CurrentFrame(), 1, &asArray));
    EXPECT_EQ(asArray, array);
    EXPECT_EQ(thread.State(), kThreadRunnable);
    EXPECT_TRUE(log.Taken().empty());

    GSGameObject* gameObject = reinterpret_cast<GSGameObject*>(1);
    EXPECT_FALSE(GetNativeObjectParam(frame.stack.CurrentFrame(), 1, &gameObject));
    EXPECT_EQ(gameObject, nullptr);
    EXPECT_EQ(log.Taken(), std::vector<std::string>{"incorrect parameter type at parameter 1"});
    EXPECT_EQ(thread.State(), kThreadStopped);

    log.Clear();
    thread.SetState(kThreadRunnable);
    EXPECT_TRUE(GetNativeObjectParam(frame.stack.CurrentFrame(), 2, &gameObject, true));
    EXPECT_EQ(gameObject, nullptr);
    EXPECT_TRUE(log.Taken().empty());
    EXPECT_FALSE(GetNativeObjectParam(frame.stack.CurrentFrame(), 2, &gameObject));
    EXPECT_EQ(log.Taken(), std::vector<std::string>{"null object at parameter 2"});
    GSScriptInstance::Release(array->GetScriptInstance());
}

TEST_F(NativeBinding, ExceptionsReachTheCallbackWithTheirGameObject)
{
    struct Seen {
        std::string report;
        GSGameObject* gameObject = nullptr;
        bool nonFatal = false;
        int calls = 0;
    };
    static Seen seen;
    seen = Seen();
    SetExceptionCallback([](const char* report, GSStack*, GSGameObject* gameObject, bool nonFatal) {
        seen.report = report;
        seen.gameObject = gameObject;
        seen.nonFatal = nonFatal;
        ++seen.calls;
    });
    GSThread thread(nullptr, 0);
    LogCapture log;
    EXPECT_FALSE(thread.ReportException("just a warning", true));
    EXPECT_EQ(thread.State(), kThreadRunnable);
    EXPECT_EQ(seen.report, "just a warning");
    EXPECT_TRUE(seen.nonFatal);
    EXPECT_EQ(seen.gameObject, nullptr);
    EXPECT_FALSE(thread.ReportException("stop", false));
    EXPECT_EQ(thread.State(), kThreadStopped);
    EXPECT_EQ(seen.calls, 2);
    EXPECT_EQ(log.Taken(), (std::vector<std::string>{"just a warning", "stop"}));
    SetExceptionCallback(nullptr);
}

TEST_F(NativeBinding, NestedStateIsPutBackAsItWas)
{
    GSThread* thread = GSMachine::Get()->MainThread();
    GSStack& stack = thread->Stack();
    stack.PushInt(1);
    stack.PushInt(2);
    thread->SetResumeOffset(33);
    thread->SetState(kThreadBlocked);
    GSThreadState saved;
    thread->SaveState(&saved);
    EXPECT_EQ(stack.TopIndex(), 2);  // the separating zero slot
    EXPECT_TRUE(stack.At(2).IsZero());
    EXPECT_EQ(stack.CurrentFrame(), nullptr);
    stack.PushInt(5);
    thread->SetResumeOffset(0);
    thread->SetState(kThreadStopped);
    thread->RestoreState(saved);
    EXPECT_EQ(stack.TopIndex(), 1);
    EXPECT_EQ(thread->ResumeOffset(), 33);
    EXPECT_EQ(thread->State(), kThreadBlocked);
    thread->Reset();
    EXPECT_EQ(stack.TopIndex(), -1);
}

TEST_F(NativeBinding, ARunWithoutFrameFailsAndReportsIt)
{
    GSThread thread(nullptr, 0);
    LogCapture log;
    EXPECT_EQ(thread.Run(0.0f), ER_NoStackFrame);
    EXPECT_EQ(thread.State(), kThreadStopped);
    EXPECT_EQ(log.Taken(),
              (std::vector<std::string>{"Thread Exception: ER_NoStackFrame, line -1, file ", "Stack Dump..."}));
    // A blocked thread waiting for a message only does not run.
    thread.SetState(kThreadBlocked);
    EXPECT_EQ(thread.Run(1.0f), ER_Blocked);
    thread.SetSleepTimer(2.5f);
    EXPECT_EQ(thread.Run(1.0f), ER_Blocked);
    EXPECT_EQ(thread.Run(1.0f), ER_Blocked);
    EXPECT_EQ(thread.Run(1.0f), ER_NoStackFrame);  // woke, then found no frame
    EXPECT_EQ(thread.SleepTimer(), 0.0f);
}

}  // namespace
