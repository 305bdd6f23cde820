// Script instances of classes: creation with layout and initializers, the
// release of member references, destruction, and the checked reference store.
#include <cstring>
#include <new>

#include "script/common/library_image_format.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_thread.h"
#include "script/vm/script_instance.h"

namespace GSRuntime {

namespace {

// Member slots allocated behind the header: the layout's size and three more.
uint64_t AllocatedSlots(const GSClass* cls)
{
    return uint64_t(cls->InstanceSize()) + 3;
}

// Runs one class initializer on the machine's main thread, bracketed so
// that a run already in progress on it is left as it was.
bool RunInitializer(const GSFunction& initializer, Slot* receiver)
{
    GSThread* thread = GSMachine::Get()->MainThread();
    if (thread == nullptr)
        return false;
    GSThreadState saved;
    thread->SaveState(&saved);
    GSScriptInstance::AddReference(receiver);
    thread->Stack().PushReference(receiver);
    bool ok = false;
    if (thread->Stack().PushFrame(const_cast<GSFunction*>(&initializer), 0)) {
        thread->SetResumeOffset(0);
        ok = thread->Run(0.0f) == ER_Done;
    } else {
        GSScriptInstance::Release(receiver);
    }
    thread->RestoreState(saved);
    return ok;
}

}  // namespace

bool GSClass::CreateScriptInstance(GSObject* object, GSContext* context)
{
    if (object == nullptr)
        return false;
    if (object->GetScriptClass() != nullptr)
        return false;
    const uint64_t slots = AllocatedSlots(this);
    void* block = GSHeap::Context().TryAlloc(sizeof(GSScriptInstance) + slots * sizeof(Slot));
    if (block == nullptr)
        return false;
    std::memset(block, 0, sizeof(GSScriptInstance) + slots * sizeof(Slot));
    GSScriptInstance* header = static_cast<GSScriptInstance*>(block);
    try {
        header->Start(context, object, this);
    } catch (const std::bad_alloc&) {
        GSHeap::Context().Free(block);
        return false;
    }
    Slot* members = header->Members();
    object->BindInstance(members, context);
    for (const GSImage::LayoutEntry& entry : Layout()) {
        if (entry.kind == GSImage::kLayoutValue)
            members[entry.word] = Slot::FromWord(entry.value);
        else
            members[entry.word] = Slot::FromPointer(Methods() + entry.value);
    }
    // Bases from the last to the first, then the class itself.
    bool ok = true;
    for (size_t i = Bases().size(); ok && i-- > 0;) {
        const GSBaseEntry& base = Bases()[i];
        if (base.cls != nullptr && base.cls->Initializer().codeLength > 0)
            ok = RunInitializer(base.cls->Initializer(), members + base.blockOffset);
    }
    if (ok && Initializer().codeLength > 0)
        ok = RunInitializer(Initializer(), members);
    if (ok)
        return true;
    // The initializer may have handed `me` to someone: what it stored is
    // released, and an instance still referenced lives on without owner.
    ReleaseMemberReferences(header);
    object->ForgetInstance();
    header->owner = nullptr;
    if (header->references > 1) {
        GSScriptInstance::Release(header);
        return false;
    }
    header->Finish();
    GSHeap::Context().Free(header);
    return false;
}

bool GSClass::ReleaseMemberReferences(GSScriptInstance* header)
{
    if (header == nullptr || header->cls != this)
        return false;
    Slot* members = header->Members();
    const uint64_t allocated = AllocatedSlots(this);
    auto releaseSlots = [&](const GSImage::WordView& slots, int64_t offset) {
        for (uint32_t i = 0; i < slots.size(); ++i) {
            // A base from another library is only as consistent as that
            // library: a slot outside this instance is skipped.
            const int64_t word = offset + slots[i];
            if (word < 0 || uint64_t(word) >= allocated)
                continue;
            Slot* handle = members[word].AsHandle();
            members[word] = Slot::FromInt(0);
            GSScriptInstance::Release(handle);
        }
    };
    for (size_t i = Bases().size(); i-- > 0;) {
        const GSBaseEntry& base = Bases()[i];
        if (base.cls != nullptr)
            releaseSlots(base.cls->ReferenceSlots(), base.blockOffset);
    }
    releaseSlots(ReferenceSlots(), 0);
    return true;
}

bool GSClass::DestroyInstance(GSScriptInstance* header)
{
    if (!ReleaseMemberReferences(header))
        return false;
    header->Finish();
    GSHeap::Context().Free(header);
    return true;
}

bool GSScriptInstance::StoreReference(Slot* target, uint32_t word, Slot* handle)
{
    GSScriptInstance* holder = FromHandle(target);
    if (handle != nullptr && !ReferenceAllowed(holder->Context(), handle)) {
        Release(handle);
        handle = nullptr;
    }
    Slot* old = target[word].AsHandle();
    target[word] = Slot::FromPointer(handle);
    Release(old);
    return handle != nullptr;
}

}  // namespace GSRuntime
