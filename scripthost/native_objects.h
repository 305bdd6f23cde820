// Making a native script object with its script instance, and handing it to a script.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include "script/vm/gs_machine.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"

namespace GSRuntime {
class GSClass;
class GSContext;
}  // namespace GSRuntime

// A new T (from the script object heap) with an instance of the class
// attached in the context; its one reference is the caller's. Null when the
// memory cannot be had, the class is missing or the instance cannot be made.
template <class T, class... Arguments>
T* MakeNativeObject(GSRuntime::GSClass* cls, GSRuntime::GSContext* context, Arguments&&... arguments)
{
    if (cls == nullptr)
        return nullptr;
    T* object = nullptr;
    try {
        object = new T(std::forward<Arguments>(arguments)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!object->AttachScriptInstance(cls, context)) {
        delete object;
        return nullptr;
    }
    return object;
}

// Pushes the object's instance seen as the class, moving the caller's
// reference to the stack; 0 for no object.
inline void PushMadeObject(GSRuntime::GSStack& stack, const GSRuntime::GSObject* object, GSRuntime::GSClass* cls)
{
    if (object == nullptr)
        stack.PushInt(0);
    else
        stack.PushObjectNoAddRef(object, cls);
}

// One member native of a native class T: its signature and its body.
template <class T>
struct MemberNativeRow {
    const char* signature;
    typename GSRuntime::GSCPPNativeFunction<T>::Handler handler;
};

// Binds each row under the class name, on the receiving object's T.
template <class T, std::size_t N>
void RegisterMemberNatives(const char* className, const MemberNativeRow<T> (&rows)[N])
{
    for (const MemberNativeRow<T>& row : rows)
        GSMachine::Get()->RegisterNative(new GSRuntime::GSCPPNativeFunction<T>(className, row.signature, row.handler));
}
