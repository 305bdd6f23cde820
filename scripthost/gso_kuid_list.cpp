// GSOKUIDList: the KUIDList natives and their lock rules.
#include "scripthost/gso_kuid_list.h"

#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"

namespace {

// Adding and removing report the Copy message: the texts scripts rely on.
constexpr const char* CopyLocked = "KUIDList.Copy> list is locked";

}  // namespace

GSRuntime::GSClass* GSOKUIDList::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::KUIDList);
}

GSOKUIDList* GSOKUIDList::MakeWritable(GSRuntime::GSContext* context)
{
    return MakeNativeObject<GSOKUIDList>(ScriptClass(), context);
}

GSOKUIDList* GSOKUIDList::MakeLocked(GSRuntime::GSContext* context, const List& kuids)
{
    return MakeNativeObject<GSOKUIDList>(ScriptClass(), context, kuids);
}

bool GSOKUIDList::Writable(const char* message) const
{
    return !locked_ || RaiseNativeError(message);
}

bool GSOKUIDList::NativeCountKUIDs(GSRuntime::GSStack& stack)
{
    stack.PushInt(static_cast<int32_t>(kuids_.TotalCount()));
    return true;
}

bool GSOKUIDList::NativeAddKUID(GSRuntime::GSStack& stack)
{
    GSOKUID* id = nullptr;
    if (Writable(CopyLocked) && GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &id) &&
        kuids_.Find(id->Id()).IsEnd()) {
        kuids_.PushBack(id->Id());
    }
    return true;
}

bool GSOKUIDList::NativeRemoveKUID(GSRuntime::GSStack& stack)
{
    GSOKUID* id = nullptr;
    if (!Writable(CopyLocked) || !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &id))
        return true;
    const List::Iterator found = kuids_.Find(id->Id());
    if (!found.IsEnd())
        kuids_.EraseOrdered(found);
    return true;
}

bool GSOKUIDList::NativeHasKUID(GSRuntime::GSStack& stack)
{
    GSOKUID* id = nullptr;
    if (GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &id))
        stack.PushInt(kuids_.Find(id->Id()).IsEnd() ? 0 : 1);
    return true;
}

bool GSOKUIDList::NativeGetIndexedKUID(GSRuntime::GSStack& stack)
{
    // Compared unsigned: a negative index is out of range too.
    const uint32_t index = static_cast<uint32_t>(stack.CurrentFrame()->GetIntParam(1));
    const KUID* id = index < static_cast<uint64_t>(kuids_.TotalCount()) ? kuids_.At(index) : nullptr;
    if (id == nullptr)
        RaiseNativeError("KUIDList.GetIndexedKUID> index out of range");
    else
        GSOKUID::PushFor(stack, *id, GetContext());
    return true;
}

bool GSOKUIDList::NativeCopy(GSRuntime::GSStack& stack)
{
    GSOKUIDList* source = nullptr;
    if (!Writable(CopyLocked) || !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &source))
        return true;
    // Emptied first: a list copied into itself ends empty.
    kuids_.Clear();
    if (source != this)
        kuids_.Assign(source->kuids_);
    return true;
}

bool GSOKUIDList::NativeClear(GSRuntime::GSStack& /*stack*/)
{
    if (Writable("KUIDList.Clear> list is locked"))
        kuids_.Clear();
    return true;
}

bool GSOKUIDList::NativeIsLocked(GSRuntime::GSStack& stack)
{
    stack.PushInt(locked_ ? 1 : 0);
    return true;
}

void RegisterKUIDListNatives()
{
    static constexpr MemberNativeRow<GSOKUIDList> Rows[] = {
        {"$int@KUIDList::CountKUIDs()", &GSOKUIDList::NativeCountKUIDs},
        {"$void@KUIDList::AddKUID(KUID)", &GSOKUIDList::NativeAddKUID},
        {"$void@KUIDList::RemoveKUID(KUID)", &GSOKUIDList::NativeRemoveKUID},
        {"$bool@KUIDList::HasKUID(KUID)", &GSOKUIDList::NativeHasKUID},
        {"$KUID@KUIDList::GetIndexedKUID(int)", &GSOKUIDList::NativeGetIndexedKUID},
        {"$void@KUIDList::Copy(KUIDList)", &GSOKUIDList::NativeCopy},
        {"$void@KUIDList::Clear()", &GSOKUIDList::NativeClear},
        {"$bool@KUIDList::IsLocked()", &GSOKUIDList::NativeIsLocked},
    };
    RegisterMemberNatives("KUIDList", Rows);
}
