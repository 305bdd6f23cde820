// The natives of "KorvelScriptBase": the clock, the log, asset searches, library look-ups and system calls of the script context.
#include <cstdint>

#include "assetdb/category_codes.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"
#include "foundation/base/process_values.h"
#include "foundation/containers/chunked_list.h"
#include "foundation/streams/t_stream.h"
#include "script/vm/gs_array.h"
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "script/vm/script_log.h"
#include "scripthost/gso_asset.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/gso_library.h"
#include "scripthost/gso_soup.h"
#include "scripthost/korvel_script_context.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"

namespace {

using GSRuntime::GSStack;

// A native bound to the calling object's context, refused when that context
// is not a KorvelScriptContext.
class BaseNative final : public GSRuntime::GSNativeFunction {
public:
    using Handler = bool (*)(KorvelScriptContext& context, GSStack& stack);

    BaseNative(const char* signature, Handler handler)
        : GSNativeFunction("KorvelScriptBase", signature), handler_(handler)
    {}
    bool Call(GSRuntime::GSObject* object, GSStack& stack) override
    {
        KorvelScriptContext* context = GSRuntime::ContextAs<KorvelScriptContext>(object);
        if (context == nullptr)
            return false;
        handler_(*context, stack);
        return true;
    }

private:
    Handler handler_;
};

void AddFlag(KADFilterElementGroup& filter, int32_t key)
{
    filter.AddElement(new KADFilterElementBool(key));
}

void AddNegatedFlag(KADFilterElementGroup& filter, int32_t key)
{
    filter.AddNegatedGroup(new KADFilterElementBool(key));
}

// The ids that pass the filter. A category text too long for the wire would
// arrive empty, and an empty category matches every asset: such a text
// finds nothing instead.
void Search(const KADFilterElementGroup& filter, const Zel::PString& category, ChunkedList<KUID, 128>& found)
{
    if (category.Length() + 1 >= TStream::StringLimit)
        return;
    KADClient::SearchAssets(&filter, found);
}

// A new array of objects, filled densely (ids whose object cannot be made
// are skipped), pushed with its one reference.
template <class Make>
void PushObjectArray(KorvelScriptContext& context, GSStack& stack, const ChunkedList<KUID, 128>& ids,
                     GSRuntime::GSClass* elementClass, Make make)
{
    auto* array = new GSRuntime::GSArray(&context, 1);
    int32_t n = 0;
    for (const KUID& id : ids) {
        GSRuntime::GSObject* object = make(id);
        if (object != nullptr && array->SetObjectElement(n, object->GetScriptInstance(), false, elementClass))
            ++n;
    }
    stack.Push(GSRuntime::Slot::FromPointer(array->GetScriptInstance()));
}

void PushAssetArray(KorvelScriptContext& context, GSStack& stack, const ChunkedList<KUID, 128>& ids,
                    bool updated = false)
{
    PushObjectArray(context, stack, ids, GSOAsset::ScriptClass(), [&](const KUID& id) -> GSRuntime::GSObject* {
        return GSOAsset::FindOrCreate(&context, updated ? KADClient::GetUpdatedAssetID(id) : id);
    });
}

bool GetSeconds(KorvelScriptContext&, GSStack& stack)
{
    stack.PushFloat(ApplicationClock.load());
    return true;
}

// The library object of the id in this context, made and started on first
// use; the object stays the context's (the script gets a reference).
bool GetLibrary(KorvelScriptContext& context, GSStack& stack)
{
    GSOKUID* id = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &id))
        return true;
    GSOLibrary* library = context.GetScriptLibrary(id->Id());
    if (library == nullptr || library->GetScriptInstance() == nullptr)
        stack.PushInt(0);
    else
        stack.PushObject(library, GSOLibrary::ScriptClass());
    return true;
}

bool FindAsset(KorvelScriptContext& context, GSStack& stack)
{
    GSOKUID* id = nullptr;
    if (GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &id))
        PushMadeObject(stack, GSOAsset::FindOrCreate(&context, id->Id()), GSOAsset::ScriptClass());
    return true;
}

// GetAssetList(kind) and GetAssetList(kind, codes): installed, enabled,
// current assets of the kind's category; the one-argument form leaves out
// faulty ones.
bool AssetList(KorvelScriptContext& context, GSStack& stack, bool withCodes)
{
    Zel::PString kind;
    Zel::PString codes;
    if (!GetNativePStringParam(stack, 1, false, kind) || (withCodes && !GetNativePStringParam(stack, 2, false, codes)))
        return true;
    kind = kind.ToLower();
    Zel::AnsiString category(LookupCategoryForKind(kind, Zel::PString("")).c_str());
    if (withCodes) {
        const Zel::AnsiString base = category;
        AppendHashTags(category, base.c_str(), codes.ToUpper().c_str());
    }
    ChunkedList<KUID, 128> found;
    if (!category.IsEmpty()) {
        KADFilterElementGroup filter;
        AddFlag(filter, FilterBoolLocal);
        AddFlag(filter, FilterBoolLocallyAvailable);
        AddFlag(filter, FilterBoolLocallyEnabled);
        AddFlag(filter, FilterBoolListingPrivilege);
        AddNegatedFlag(filter, FilterBoolObsolete);
        if (!withCodes)
            AddNegatedFlag(filter, FilterBoolFaulty);
        const Zel::PString value(category.c_str());
        filter.AddElement(new KADFilterElementString(FilterStringCategoryList, value));
        Search(filter, value, found);
    }
    if (found.begin() == found.end())
        GSRuntime::GSLog("World.GetAssetList> warning: found zero assets of type '%s'", kind.c_str());
    PushAssetArray(context, stack, found);
    return true;
}

bool GetAssetListOfKind(KorvelScriptContext& context, GSStack& stack)
{
    return AssetList(context, stack, false);
}

bool GetAssetListOfKindAndCodes(KorvelScriptContext& context, GSStack& stack)
{
    return AssetList(context, stack, true);
}

bool SearchAssets(KorvelScriptContext& context, GSStack& stack)
{
    Zel::PString text;
    if (!GetNativePStringParam(stack, 1, false, text))
        return true;
    const bool localOnly = stack.CurrentFrame()->GetIntParam(2) != 0;
    const Zel::PString category = text.ToUpper();
    KADFilterElementGroup filter;
    if (localOnly) {
        AddFlag(filter, FilterBoolLocal);
        AddFlag(filter, FilterBoolLocallyAvailable);
        AddFlag(filter, FilterBoolLocallyEnabled);
    }
    AddFlag(filter, FilterBoolListingPrivilege);
    AddNegatedFlag(filter, FilterBoolObsolete);
    filter.AddElement(new KADFilterElementString(FilterStringCategoryList, category));
    ChunkedList<KUID, 128> found;
    Search(filter, category, found);
    PushObjectArray(context, stack, found, GSOKUID::ScriptClass(),
                    [&](const KUID& id) -> GSRuntime::GSObject* { return GSOKUID::FindOrCreate(id, &context); });
    return true;
}

bool FindUpdatedAssets(KorvelScriptContext& context, GSStack& stack)
{
    KADFilterElementGroup filter;
    AddFlag(filter, FilterBoolLocal);
    AddNegatedFlag(filter, FilterBoolObsolete);
    AddNegatedFlag(filter, FilterBoolUpToDate);
    ChunkedList<KUID, 128> found;
    KADClient::SearchAssets(&filter, found);
    PushAssetArray(context, stack, found, true);
    return true;
}

bool KorvelSystemCall(KorvelScriptContext& context, GSStack& stack)
{
    Zel::PString name;
    GSOSoup* soup = nullptr;
    if (!GetNativePStringParam(stack, 1, false, name) ||
        !GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 2, &soup))
        return true;
    const SoupHandle result = context.SystemCall(name, soup->Soup());
    PushMadeObject(stack, GSOSoup::MakeLocked(&context, result), GSOSoup::ScriptClass());
    return true;
}

bool OpenURL(KorvelScriptContext& context, GSStack& stack)
{
    Zel::PString address;
    if (GetNativePStringParam(stack, 1, false, address))
        stack.PushInt(context.OpenURL(address) ? 1 : 0);
    return true;
}

bool Log(KorvelScriptContext&, GSStack& stack)
{
    Zel::PString text;
    GetNativePStringParam(stack, 1, true, text);
    GSRuntime::GSLog("%s", text.c_str());
    return true;
}

}  // namespace

void RegisterKorvelScriptBaseNatives()
{
    static constexpr struct {
        const char* signature;
        BaseNative::Handler handler;
    } Rows[] = {
        {"$float@KorvelScriptBase::GetSeconds()", GetSeconds},
        {"$Library@KorvelScriptBase::GetLibrary(KUID)", GetLibrary},
        {"$Asset@KorvelScriptBase::FindAsset(KUID)", FindAsset},
        {"$Asset[]@KorvelScriptBase::GetAssetList(string)", GetAssetListOfKind},
        {"$Asset[]@KorvelScriptBase::GetAssetList(string,string)", GetAssetListOfKindAndCodes},
        {"$KUID[]@KorvelScriptBase::SearchAssets(string,bool)", SearchAssets},
        {"$Asset[]@KorvelScriptBase::FindUpdatedAssets()", FindUpdatedAssets},
        {"$Soup@KorvelScriptBase::KorvelSystemCall(string,Soup)", KorvelSystemCall},
        {"$bool@KorvelScriptBase::OpenURL(string)", OpenURL},
        {"$void@KorvelScriptBase::Log(string)", Log},
    };
    for (const auto& row : Rows)
        GSMachine::Get()->RegisterNative(new BaseNative(row.signature, row.handler));
}
