// CallScriptMethod: the method found through the instance's method table,
// its frame pushed on the main thread and run to completion.
#include "script/vm/call_script_method.h"

#include <vector>

#include "script/vm/gs_class.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_thread.h"
#include "script/vm/native_function.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_instance.h"

namespace GSRuntime {

namespace {

// Strings, objects, arrays and null hold counted references.
bool IsReferenceType(uint32_t type)
{
    return type == 4 || type == 5 || (type >= 7 && type <= 11) || type == 13;
}

bool IsReferenceLocal(const GSFunction& function, uint32_t local)
{
    for (uint32_t i = 0; i < function.referenceLocals.size(); ++i) {
        if (function.referenceLocals[i] == local)
            return true;
    }
    return false;
}

// The method-table entry that the instance gives for `found`'s slot: the
// implementing function and the implementing class's offset.
const GSMethodEntry* InstanceMethod(GSScriptInstance* instance, GSClass* found, int32_t slot)
{
    Slot* block = found->FindInstanceData(instance);
    if (block == nullptr || slot < 0)
        return nullptr;
    const GSMethodEntry* view = block[1].AsPointer<const GSMethodEntry>();
    GSClass* instanceClass = instance->cls;
    const GSMethodEntry* first = instanceClass->Methods();
    const GSMethodEntry* end = first + instanceClass->MethodCount();
    // A view from another library is only as consistent as that library.
    if (view < first || view > end || slot >= end - view)
        return nullptr;
    return view + slot;
}

// A native has no code to run: its binding is called on the frame just
// pushed, as the native-call instruction does, and the frame removed.
bool CallNative(GSThread* thread, GSFunction* function)
{
    GSStack& stack = thread->Stack();
    GSObject* object = ObjectOfHandle(stack.CurrentFrame()->Local(0).AsHandle());
    bool ok = false;
    if (function->native != nullptr) {
        GSRunScope scope(thread, stack.GetContext());
        thread->SetState(kThreadRunnable);
        ok = function->native->Call(object, stack) && thread->State() == kThreadRunnable;
    }
    if (ok)
        ok = function->ReturnsValue() ? stack.ReturnValue(true) : stack.PopFrame();
    if (!ok)
        stack.Unwind();
    return ok;
}

}  // namespace

bool CallScriptMethod(GSClass* cls, GSScriptInstance* instance, std::string_view signature, std::span<const Slot> args,
                      Slot* result)
{
    if (cls == nullptr || cls->InstanceSize() == 0 || instance == nullptr || instance->cls == nullptr)
        return false;
    int32_t offset = 0;
    int32_t slot = -1;
    int32_t index = -1;
    GSClass* found = cls->FindFunctionInHierarchy(signature, &offset, &slot, &index);
    if (found == nullptr || slot < 0)
        return false;
    const GSMethodEntry* entry = InstanceMethod(instance, found, slot);
    GSFunction* function = entry != nullptr ? entry->Function() : nullptr;
    if (function == nullptr || function->IsThread())
        return false;
    if (function->argumentWords < 1 || args.size() != static_cast<size_t>(function->argumentWords - 1))
        return false;
    GSThread* thread = GSMachine::Get()->MainThread();
    if (thread == nullptr)
        return false;

    Slot* receiver = instance->Members() + entry->blockOffset;
    std::vector<Slot*> counted;
    counted.push_back(receiver);
    for (uint32_t i = 0; i < args.size(); ++i) {
        if (IsReferenceLocal(*function, i + 1) && !args[i].IsZero())
            counted.push_back(args[i].AsHandle());
    }
    GSThreadState saved;
    thread->SaveState(&saved);
    for (Slot* handle : counted)
        GSScriptInstance::AddReference(handle);
    thread->Stack().PushReference(receiver);
    for (const Slot& argument : args)
        thread->Stack().Push(argument);
    if (!thread->Stack().PushFrame(function, 0)) {
        for (Slot* handle : counted)
            GSScriptInstance::Release(handle);
        thread->RestoreState(saved);
        return false;
    }
    thread->SetResumeOffset(0);
    const bool done = function->IsNative() ? CallNative(thread, function) : thread->Run(0.0f) == ER_Done;
    if (!done) {
        thread->RestoreState(saved);
        return false;
    }
    if (function->ReturnsValue()) {
        const Slot value = thread->Stack().Pop();
        if (result != nullptr)
            *result = value;
        else if (IsReferenceType(function->returnType))
            GSScriptInstance::Release(value.AsHandle());
    }
    thread->RestoreState(saved);
    return true;
}

}  // namespace GSRuntime
