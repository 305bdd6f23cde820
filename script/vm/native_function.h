// Native-function bindings: the three kinds by which a script function
// declared native reaches a function of the program, and the argument checks
// natives share.
#pragma once

#include <cstdio>

#include "script/vm/gs_context.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_thread.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_instance.h"
#include "zel/pstring.h"

namespace GSRuntime {

// A binding of one (script class, signature) pair. When Call runs, the
// stack's current frame is the native's own: slot 0 the receiver, slots 1
// and up the arguments; a native with a result pushes exactly one slot.
class GSNativeFunction {
public:
    GSNativeFunction(const char* className, const char* signature) : className_(className), signature_(signature) {}
    virtual ~GSNativeFunction() = default;
    GSNativeFunction(const GSNativeFunction&) = delete;
    GSNativeFunction& operator=(const GSNativeFunction&) = delete;

    // False when the receiving object is not of the kind the binding serves.
    virtual bool Call(GSObject* object, GSStack& stack) = 0;

    const Zel::PString& ClassName() const { return className_; }
    const Zel::PString& Signature() const { return signature_; }

private:
    Zel::PString className_;
    Zel::PString signature_;
};

// A plain function given the receiving object's context.
class GSCNativeFunction final : public GSNativeFunction {
public:
    using Handler = bool (*)(GSContext* context, GSStack& stack);

    GSCNativeFunction(const char* className, const char* signature, Handler handler)
        : GSNativeFunction(className, signature), handler_(handler)
    {}
    bool Call(GSObject* object, GSStack& stack) override
    {
        if (object == nullptr)
            return false;
        handler_(object->GetContext(), stack);
        return true;
    }

private:
    Handler handler_;
};

// A member function of a native class T, called on what Resolve finds for
// the receiving object (null: the binding refuses).
template <typename T, T* (*Resolve)(GSObject*)>
class GSMemberNativeFunction final : public GSNativeFunction {
public:
    using Handler = bool (T::*)(GSStack& stack);

    GSMemberNativeFunction(const char* className, const char* signature, Handler handler)
        : GSNativeFunction(className, signature), handler_(handler)
    {}
    bool Call(GSObject* object, GSStack& stack) override
    {
        T* target = Resolve(object);
        if (target == nullptr)
            return false;
        (target->*handler_)(stack);
        return true;
    }

private:
    Handler handler_;
};

// The receiving object itself, when it is a T.
template <typename T>
T* ObjectAs(GSObject* object)
{
    return dynamic_cast<T*>(object);
}

// The receiving object's context, when it has one and it is a T.
template <typename T>
T* ContextAs(GSObject* object)
{
    return object != nullptr ? dynamic_cast<T*>(object->GetContext()) : nullptr;
}

// A member function of the receiving object's native class T.
template <typename T>
using GSCPPNativeFunction = GSMemberNativeFunction<T, ObjectAs<T>>;

// A member function of the receiving object's context, of context class T.
template <typename T>
using GSCPPContextNativeFunction = GSMemberNativeFunction<T, ContextAs<T>>;

// Argument n of the current frame as a native object of class T. A handle
// whose owner is not a T raises "incorrect parameter type at parameter %d"
// on the current thread; a null one "null object at parameter %d", unless
// null is allowed (true with a null result).
template <typename T>
bool GetNativeObjectParam(GSStackFrame* frame, int32_t n, T** result, bool nullAllowed = false)
{
    *result = nullptr;
    const Slot* handle = frame->GetHandleParam(n);
    char text[64];
    if (handle == nullptr) {
        if (nullAllowed)
            return true;
        std::snprintf(text, sizeof text, "null object at parameter %d", n);
    } else {
        *result = dynamic_cast<T*>(GSScriptInstance::FromHandle(handle)->owner);
        if (*result != nullptr)
            return true;
        std::snprintf(text, sizeof text, "incorrect parameter type at parameter %d", n);
    }
    if (GSThread* thread = CurrentThread())
        thread->ReportException(text, false);
    return false;
}

}  // namespace GSRuntime
