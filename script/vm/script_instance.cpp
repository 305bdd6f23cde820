// GSScriptInstance: counting, release, and the three teardown passes.
#include "script/vm/script_instance.h"

#include "script/vm/gs_array.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_object.h"
#include "script/vm/tracked_pool.h"

namespace GSRuntime {

namespace {

// One thread runs scripts at a time: a plain counter on the hot path.
int64_t g_liveInstances = 0;

}  // namespace

int64_t LiveScriptInstances()
{
    return g_liveInstances;
}

void GSScriptInstance::Start(GSContext* context, GSObjectReference* instanceOwner, GSClass* instanceClass)
{
    slot = nullptr;
    references = 1;
    owner = instanceOwner;
    cls = instanceClass;
    if (context != nullptr)
        context->Pool().Acquire(this);
    ++g_liveInstances;
}

void GSScriptInstance::Finish()
{
    GSTrackedPool::Release(this);
    --g_liveInstances;
}

GSContext* GSScriptInstance::Context() const
{
    if (slot == nullptr || slot->block == nullptr)
        return nullptr;
    return slot->block->pool->Context();
}

void GSScriptInstance::AddReference(const Slot* handle)
{
    if (handle != nullptr)
        ++FromHandle(handle)->references;
}

void GSScriptInstance::Release(const Slot* handle)
{
    if (handle != nullptr)
        Release(FromHandle(handle));
}

void GSScriptInstance::Release(GSScriptInstance* header)
{
    if (--header->references != 0)
        return;
    GSObjectReference* owner = header->owner;
    if (owner != nullptr && owner->GetKind() == GSObjectReference::KindGameObject) {
        GSGameObject* gameObject = static_cast<GSGameObject*>(owner);
        if (gameObject->RouterOf() != nullptr) {
            // The router deletes it when it next gets to it.
            gameObject->RequestDelete();
            return;
        }
    }
    if (owner != nullptr) {
        delete owner;
        return;
    }
    if (header->cls != nullptr)
        header->cls->DestroyInstance(header);
}

void GSScriptInstance::Pin()
{
    references += 2;
}

void GSScriptInstance::ReleaseReferences()
{
    if (owner != nullptr) {
        switch (owner->GetKind()) {
        case GSObjectReference::KindString:
            return;
        case GSObjectReference::KindArray:
            static_cast<GSArray*>(owner)->ReleaseAll();
            break;
        case GSObjectReference::KindGameObject: {
            // Its threads and handlers hold references too. The owner word
            // stays, so that pass 3 deletes the game object.
            GSGameObject* gameObject = static_cast<GSGameObject*>(owner);
            ++references;
            gameObject->ReleaseScriptResources();
            gameObject->ForgetInstance();
            --references;
            break;
        }
        default:
            break;
        }
    }
    if (cls != nullptr)
        cls->ReleaseMemberReferences(this);
}

void GSScriptInstance::Destroy()
{
    slot = nullptr;
    GSObjectReference* native = owner;
    if (native != nullptr) {
        const GSObjectReference::Kind kind = native->GetKind();
        if (kind == GSObjectReference::KindArray || kind == GSObjectReference::KindString) {
            delete native;
            return;
        }
        owner = nullptr;
        static_cast<GSObject*>(native)->ForgetInstance();
        delete native;
    }
    if (cls != nullptr)
        cls->DestroyInstance(this);
}

}  // namespace GSRuntime
