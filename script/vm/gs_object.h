// GSObject: the native side of a script object, paired with one script
// instance of a script class.
#pragma once

#include "script/vm/object_reference.h"

namespace GSRuntime {

class GSClass;
class GSContext;
struct GSScriptInstance;

class GSObject : public GSObjectReference {
public:
    GSObject();
    // With an instance still referenced by scripts the instance lives on
    // without owner; otherwise it is destroyed with the object.
    ~GSObject() override;

    Slot* GetScriptInstance() const override { return handle_; }
    // With a class: makes the instance in the context (false when one is
    // already attached or creation fails). Without: detaches the instance,
    // releasing the object's count, and gives false.
    virtual bool AttachScriptInstance(GSClass* cls, GSContext* context);

    GSClass* GetScriptClass() const;
    GSContext* GetContext() const { return context_; }
    // The instance header, or null.
    GSScriptInstance* Instance() const;

    // Instance creation binds the object to its new instance.
    void BindInstance(Slot* handle, GSContext* context);
    // Clears the owner word of the instance, releases the object's count and
    // forgets the instance.
    void DetachInstance();
    // Forgets the instance without touching it (pool teardown).
    void ForgetInstance();

protected:
    explicit GSObject(Kind kind);

private:
    Slot* handle_ = nullptr;
    GSContext* context_ = nullptr;
};

// The native owner of the instance behind a handle, as a GSObject; null for
// a null handle, an ownerless instance or an array or string.
GSObject* ObjectOfHandle(const Slot* handle);

}  // namespace GSRuntime
