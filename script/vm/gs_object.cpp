// GSObject: attaching, detaching and destroying a native object's script
// instance.
#include "script/vm/gs_object.h"

#include "script/vm/gs_class.h"
#include "script/vm/script_instance.h"

namespace GSRuntime {

GSObject* ObjectOfHandle(const Slot* handle)
{
    if (handle == nullptr)
        return nullptr;
    GSObjectReference* owner = GSScriptInstance::FromHandle(handle)->owner;
    if (owner == nullptr)
        return nullptr;
    const GSObjectReference::Kind kind = owner->GetKind();
    if (kind != GSObjectReference::KindObject && kind != GSObjectReference::KindGameObject)
        return nullptr;
    return static_cast<GSObject*>(owner);
}

GSObject::GSObject() : GSObjectReference(KindObject) {}

GSObject::GSObject(Kind kind) : GSObjectReference(kind) {}

GSObject::~GSObject()
{
    GSScriptInstance* header = Instance();
    if (header == nullptr)
        return;
    if (header->references <= 1 && header->cls != nullptr) {
        if (header->references == 1)
            header->references = 0;
        handle_ = nullptr;
        context_ = nullptr;
        header->owner = nullptr;
        header->cls->DestroyInstance(header);
        return;
    }
    // Scripts still hold the instance: it lives on without owner.
    DetachInstance();
}

GSScriptInstance* GSObject::Instance() const
{
    return handle_ != nullptr ? GSScriptInstance::FromHandle(handle_) : nullptr;
}

GSClass* GSObject::GetScriptClass() const
{
    GSScriptInstance* header = Instance();
    return header != nullptr ? header->cls : nullptr;
}

bool GSObject::AttachScriptInstance(GSClass* cls, GSContext* context)
{
    if (cls == nullptr) {
        DetachInstance();
        return false;
    }
    if (handle_ != nullptr)
        return false;
    return cls->CreateScriptInstance(this, context);
}

void GSObject::BindInstance(Slot* handle, GSContext* context)
{
    handle_ = handle;
    context_ = context;
}

void GSObject::ForgetInstance()
{
    handle_ = nullptr;
    context_ = nullptr;
}

void GSObject::DetachInstance()
{
    GSScriptInstance* header = Instance();
    handle_ = nullptr;
    context_ = nullptr;
    if (header == nullptr)
        return;
    header->owner = nullptr;
    GSScriptInstance::Release(header);
}

}  // namespace GSRuntime
