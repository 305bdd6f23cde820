// The natives the machine registers itself: "GSObject::GetGSClassName" and
// the game-object look-ups of "Router", then the Math and Str libraries.
#include "script/vm/core_natives.h"

#include "script/vm/gs_class.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "script/vm/script_instance.h"

namespace GSRuntime {

namespace {

bool GetGSClassName(GSContext* context, GSStack& stack)
{
    const Slot* receiver = stack.CurrentFrame()->GetHandleParam(0);
    const GSClass* cls = receiver != nullptr ? GSScriptInstance::FromHandle(receiver)->cls : nullptr;
    stack.PushNewString(std::string_view(cls != nullptr ? cls->Name() : "void"), context);
    return true;
}

}  // namespace

void RegisterObjectNatives(GSMachine* machine)
{
    machine->RegisterNative(new GSCNativeFunction("GSObject", "$string@GSObject::GetGSClassName()", GetGSClassName));
}

void RegisterRouterNatives(GSMachine* machine)
{
    using RouterNative = GSCPPContextNativeFunction<GSContext>;
    machine->RegisterNative(
        new RouterNative("Router", "$GameObject@Router::GetGameObject(int)", &GSContext::NativeGetGameObject));
    machine->RegisterNative(new RouterNative("Router", "$GameObject@Router::GetForeignGameObject(int)",
                                             &GSContext::NativeGetForeignGameObject));
    machine->RegisterNative(
        new RouterNative("Router", "$GameObject@Router::GetGameObject(string)", &GSContext::NativeGetGameObjectByName));
    machine->RegisterNative(new RouterNative("Router", "$void@Router::Info()", &GSContext::NativeRouterInfo));
    machine->RegisterNative(new RouterNative("Router", "$void@Router::PostMessage(int,int,string,string,float)",
                                             &GSContext::NativeRouterPostMessage));
}

}  // namespace GSRuntime

void GSMachine::RegisterCoreNatives()
{
    GSRuntime::RegisterObjectNatives(this);
    GSRuntime::RegisterRouterNatives(this);
    GSRuntime::RegisterGameObjectNatives(this);
    GSRuntime::RegisterMathNatives(this);
    GSRuntime::RegisterStrNatives(this);
}
