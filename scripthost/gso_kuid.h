// GSOKUID: an asset id as a script object of class KUID, one per (id, script context).
#pragma once

#include "kuid/kuid.h"
#include "script/vm/gs_object.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOKUID : public GSRuntime::GSObject, public KUID {
public:
    // The KUID object factory: the registered object of (id, context) with
    // one more reference on its script instance, else a new one (its one
    // reference the caller's). Null when the object cannot be made.
    static GSOKUID* FindOrCreate(const KUID& id, GSRuntime::GSContext* context);
    // Pushes the factory's object (null when there is none), handing the
    // factory's reference to the stack.
    static void PushFor(GSRuntime::GSStack& stack, const KUID& id, GSRuntime::GSContext* context);
    static GSRuntime::GSClass* ScriptClass();
    // Objects in the registry (tests prove teardown empties it).
    static size_t RegistryCount();

    explicit GSOKUID(const KUID& id);
    ~GSOKUID() override;

    const KUID& Id() const { return *this; }

    bool NativeGetName(GSRuntime::GSStack& stack);
    bool NativeGetHTMLString(GSRuntime::GSStack& stack);
    bool NativeGetBaseString(GSRuntime::GSStack& stack);
    bool NativeGetBaseKUID(GSRuntime::GSStack& stack);

private:
    bool registered_ = false;
    const GSRuntime::GSContext* registeredContext_ = nullptr;
};
