// GSOKUID: the KUID object factory and registry, the tag texts and GetBaseKUID.
#include "scripthost/gso_kuid.h"

#include <map>
#include <tuple>

#include "assetdb/kad_client.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"

namespace {

using Key = std::tuple<int32_t, int32_t, int32_t, const GSRuntime::GSContext*>;

std::map<Key, GSOKUID*>& Registry()
{
    static std::map<Key, GSOKUID*> registry;
    return registry;
}

Key KeyOf(const KUID& id, const GSRuntime::GSContext* context)
{
    return Key(id.user, id.content, id.version, context);
}

}  // namespace

GSOKUID::GSOKUID(const KUID& id) : KUID(id) {}

GSOKUID::~GSOKUID()
{
    // The context the key was made with: teardown may have unbound the instance.
    if (registered_)
        Registry().erase(KeyOf(*this, registeredContext_));
}

GSRuntime::GSClass* GSOKUID::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::KUID);
}

size_t GSOKUID::RegistryCount()
{
    return Registry().size();
}

GSOKUID* GSOKUID::FindOrCreate(const KUID& id, GSRuntime::GSContext* context)
{
    const Key key = KeyOf(id, context);
    const auto found = Registry().find(key);
    if (found != Registry().end()) {
        GSRuntime::GSScriptInstance::AddReference(found->second->GetScriptInstance());
        return found->second;
    }
    GSOKUID* object = MakeNativeObject<GSOKUID>(ScriptClass(), context, id);
    if (object == nullptr)
        return nullptr;
    // Keyed by the context the instance was made in: the one asked for.
    Registry()[key] = object;
    object->registered_ = true;
    object->registeredContext_ = context;
    return object;
}

void GSOKUID::PushFor(GSRuntime::GSStack& stack, const KUID& id, GSRuntime::GSContext* context)
{
    PushMadeObject(stack, FindOrCreate(id, context), ScriptClass());
}

bool GSOKUID::NativeGetName(GSRuntime::GSStack& stack)
{
    stack.PushNewString(KADClient::GetAssetName(*this).View(), GetContext());
    return true;
}

bool GSOKUID::NativeGetHTMLString(GSRuntime::GSStack& stack)
{
    stack.PushNewString(ToTagString(), GetContext());
    return true;
}

bool GSOKUID::NativeGetBaseString(GSRuntime::GSStack& stack)
{
    stack.PushNewString(ToTagStringNoVersion(), GetContext());
    return true;
}

bool GSOKUID::NativeGetBaseKUID(GSRuntime::GSStack& stack)
{
    KUID base(user, content, user >= 0 ? 0 : 127);
    // The top seven bits of the user id must all be equal: the id has to fit
    // the 25 bits of the packed form.
    const int32_t top = user >> 25;
    if (top != 0 && top != -1)
        base = KUID();
    PushFor(stack, base, GetContext());
    return true;
}

void RegisterKUIDNatives()
{
    static constexpr MemberNativeRow<GSOKUID> Rows[] = {
        {"$string@KUID::GetName()", &GSOKUID::NativeGetName},
        {"$string@KUID::GetHTMLString()", &GSOKUID::NativeGetHTMLString},
        {"$string@KUID::GetLogString()", &GSOKUID::NativeGetHTMLString},
        {"$string@KUID::GetBaseString()", &GSOKUID::NativeGetBaseString},
        {"$KUID@KUID::GetBaseKUID()", &GSOKUID::NativeGetBaseKUID},
    };
    RegisterMemberNatives("KUID", Rows);
}
