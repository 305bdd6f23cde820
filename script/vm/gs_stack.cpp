// GSStack: frames inside the slot array, their removal with the release of
// their references, and the pushes natives use.
#include "script/vm/gs_stack.h"

#include "script/vm/gs_class.h"
#include "script/vm/gs_function.h"
#include "script/vm/gs_heap.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_string.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

GSStack::GSStack()
{
    base_ = static_cast<Slot*>(GSHeap::Context().Alloc(sizeof(Slot) * (kCapacity + kGuardSlots)));
    for (int32_t i = 0; i < kCapacity + kGuardSlots; ++i)
        base_[i] = Slot::FromInt(0);
}

GSStack::~GSStack()
{
    Unwind();
    GSHeap::Context().Free(base_);
}

bool GSStack::PushFrame(GSFunction* function, int32_t returnOffset)
{
    const int32_t used = top_;
    const int64_t localsIndex = int64_t(top_) + function->argumentBase;
    if (int64_t(function->stackNeed) > int64_t(kCapacity) - used) {
        GSLog("GSStack overflow...");
        for (GSStackFrame* frame = frame_; frame != nullptr; frame = frame->Previous())
            GSLog("function %s", frame->Function()->signature);
        return false;
    }
    // Arguments that are not on this stack: a frame that does not match its
    // caller can only come from a damaged library.
    if (localsIndex < 0)
        return false;
    for (int32_t i = top_ + 1; i < top_ + function->stackNeed; ++i)
        base_[i] = Slot::FromInt(0);
    GSStackFrame* record = reinterpret_cast<GSStackFrame*>(base_ + top_ + function->frameOffset);
    record->slots_[0] = Slot::FromPointer(function);
    record->slots_[1] = Slot::FromInt(returnOffset);
    record->slots_[2] = Slot::FromPointer(frame_);
    record->slots_[3] = Slot::FromPointer(base_ + localsIndex);
    frame_ = record;
    top_ += function->stackAdvance;
    return true;
}

void GSStack::ReleaseFrameReferences(GSStackFrame* frame)
{
    const GSFunction* function = frame->Function();
    Slot* locals = frame->Locals();
    for (uint32_t i = function->referenceLocals.size(); i-- > 0;)
        GSScriptInstance::Release(locals[function->referenceLocals[i]].AsHandle());
    GSScriptInstance::Release(locals[0].AsHandle());
}

void GSStack::Leave(GSStackFrame* frame, int32_t newTop)
{
    ReleaseFrameReferences(frame);
    top_ = newTop;
    returnOffset_ = frame->ReturnOffset();
    frame_ = frame->Previous();
}

bool GSStack::PopFrame()
{
    GSStackFrame* frame = frame_;
    if (frame == nullptr)
        return false;
    if (base_ + top_ != &frame->slots_[3])
        return false;
    Leave(frame, IndexOf(frame->Locals()) - 1);
    return true;
}

bool GSStack::ReturnValue(bool noValueMeansZero)
{
    GSStackFrame* frame = frame_;
    if (frame == nullptr)
        return false;
    Slot value = base_[top_];
    const int64_t difference = (base_ + top_) - &frame->slots_[0];
    if (noValueMeansZero && difference == 3) {
        value = Slot::FromInt(0);
    } else if (difference != 4) {
        GSLog("GSStack::ReturnValue> diff=%d", static_cast<int>(difference));
        return false;
    }
    const int32_t receiver = IndexOf(frame->Locals());
    Leave(frame, receiver);
    base_[receiver] = value;
    return true;
}

void GSStack::Unwind()
{
    while (frame_ != nullptr) {
        GSStackFrame* frame = frame_;
        frame_ = frame->Previous();
        ReleaseFrameReferences(frame);
    }
    top_ = -1;
    returnOffset_ = 0;
}

void GSStack::Dump() const
{
    int32_t line = -1;
    for (const GSStackFrame* frame = frame_; frame != nullptr; frame = frame->Previous()) {
        GSLog("function %s, line %d", frame->Function()->signature, line);
        // The next older frame continues where this one will return to.
        const GSStackFrame* older = frame->Previous();
        if (older != nullptr)
            line = older->Function()->LineOf(static_cast<uint32_t>(frame->ReturnOffset()));
    }
}

GSContext* GSStack::GetContext() const
{
    for (const GSStackFrame* frame = frame_; frame != nullptr; frame = frame->Previous()) {
        const GSObject* object = ObjectOfHandle(frame->Local(0).AsHandle());
        if (object != nullptr && object->GetContext() != nullptr)
            return object->GetContext();
    }
    return nullptr;
}

void GSStack::PushNewString(const Zel::PString& text, GSContext* context)
{
    GSString* string = new GSString(context, text);
    Push(Slot::FromPointer(string->GetScriptInstance()));
}

void GSStack::PushNewString(std::string_view text, GSContext* context)
{
    GSString* string = new GSString(context, text);
    Push(Slot::FromPointer(string->GetScriptInstance()));
}

void GSStack::PushReference(Slot* handle, GSClass* cls)
{
    if (handle != nullptr && cls != nullptr)
        handle = cls->FindInstanceData(GSScriptInstance::FromHandle(handle));
    Push(Slot::FromPointer(handle));
}

void GSStack::PushObjectNoAddRef(const GSObjectReference* object, GSClass* cls)
{
    PushReference(object != nullptr ? object->GetScriptInstance() : nullptr, cls);
}

void GSStack::PushObject(const GSObjectReference* object, GSClass* cls)
{
    PushObjectNoAddRef(object, cls);
    GSScriptInstance::AddReference(base_[top_].AsHandle());
}

}  // namespace GSRuntime
