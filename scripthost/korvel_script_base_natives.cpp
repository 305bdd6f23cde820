// The base natives of "KorvelScriptBase" that the native classes need first: FindAsset.
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_asset.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"

namespace {

bool FindAsset(GSRuntime::GSContext* context, GSRuntime::GSStack& stack)
{
    GSOKUID* id = nullptr;
    if (GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &id))
        PushMadeObject(stack, GSOAsset::FindOrCreate(context, id->Id()), GSOAsset::ScriptClass());
    return true;
}

}  // namespace

// The others come with the full script context.
void RegisterKorvelScriptBaseNatives()
{
    GSMachine::Get()->RegisterNative(
        new GSRuntime::GSCNativeFunction("KorvelScriptBase", "$Asset@KorvelScriptBase::FindAsset(KUID)", FindAsset));
}
