// GSOAsset: the per-(context, KUID) asset objects, the redirect map, the kuid-table look-up and the Asset natives.
#include "scripthost/gso_asset.h"

#include <map>
#include <string>

#include "assetdb/author_names.h"
#include "assetdb/kad_client.h"
#include "script/vm/gs_stack.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_kuid.h"
#include "scripthost/gso_kuid_list.h"
#include "scripthost/gso_soup.h"
#include "scripthost/gso_string_table.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/native_objects.h"
#include "scripthost/native_string_params.h"
#include "soup/acs_chunk.h"

namespace {

// Head first: new objects go in front.
std::list<GSOAsset*>& LiveAssets()
{
    static std::list<GSOAsset*> live;
    return live;
}

// Ids the daemon resolved to another id (or to the null id).
std::map<KUID, KUID>& Redirects()
{
    static std::map<KUID, KUID> redirects;
    return redirects;
}

uint64_t tick = 0;

GSOAsset* FindLive(GSRuntime::GSContext* context, const KUID& id)
{
    for (GSOAsset* asset : LiveAssets()) {
        if (asset->GetContext() == context && asset->GetKUID() == id) {
            GSRuntime::GSScriptInstance::AddReference(asset->GetScriptInstance());
            return asset;
        }
    }
    return nullptr;
}

void PushAsset(GSRuntime::GSStack& stack, GSOAsset* asset)
{
    PushMadeObject(stack, asset, GSOAsset::ScriptClass());
}

}  // namespace

GSOAsset::GSOAsset(const KUID& kuid) : kuid_(kuid)
{
    LiveAssets().push_front(this);
    link_ = LiveAssets().begin();
}

GSOAsset::~GSOAsset()
{
    LiveAssets().erase(link_);
}

GSRuntime::GSClass* GSOAsset::ScriptClass()
{
    return GetNativeScriptClass(NativeScriptClass::Asset);
}

size_t GSOAsset::LiveCount()
{
    return LiveAssets().size();
}

size_t GSOAsset::RedirectCount()
{
    return Redirects().size();
}

GSOAsset* GSOAsset::FindOrCreate(GSRuntime::GSContext* context, const KUID& asked)
{
    KUID id = asked;
    if (id.IsNull())
        return nullptr;
    const auto redirect = Redirects().find(id);
    if (redirect != Redirects().end()) {
        id = redirect->second;
        if (id.IsNull())
            return nullptr;
    }
    GSOAsset* asset = FindLive(context, id);
    if (asset == nullptr) {
        const KUID resolved = KADClient::ResolveAssetID(id);
        if (resolved != id) {
            Redirects()[id] = resolved;
            if (resolved.IsNull())
                return nullptr;
            id = resolved;
        }
        asset = FindLive(context, id);
    }
    if (asset == nullptr)
        asset = MakeNativeObject<GSOAsset>(ScriptClass(), context, id);
    if (asset != nullptr)
        asset->lastUse_ = ++tick;
    return asset;
}

const KADAssetInfo& GSOAsset::GetInfo()
{
    if (!infoLoaded_) {
        info_ = KADAssetInfo();
        KADClient::GetAssetInfo(kuid_, -1, info_);
        infoLoaded_ = true;
    }
    return info_;
}

PemberlynxSpecRef GSOAsset::GetSpec()
{
    if (!specLooked_) {
        spec_ = FindBaseSpecByKUID(kuid_);
        specLooked_ = true;
    }
    return spec_;
}

bool GSOAsset::NativeGetKUID(GSRuntime::GSStack& stack)
{
    GSOKUID::PushFor(stack, kuid_, GetContext());
    return true;
}

bool GSOAsset::NativeGetLocalisedName(GSRuntime::GSStack& stack)
{
    stack.PushNewString(GetInfo().name.View(), GetContext());
    return true;
}

bool GSOAsset::NativeGetLocalisedDescription(GSRuntime::GSStack& stack)
{
    stack.PushNewString(KADClient::GetAssetDescription(kuid_).View(), GetContext());
    return true;
}

bool GSOAsset::NativeGetCreatorName(GSRuntime::GSStack& stack)
{
    Zel::PString name("");
    LookupAuthorName(GetInfo().authorId, name);
    stack.PushNewString(name, GetContext());
    return true;
}

bool GSOAsset::KUIDTableEntry(GSRuntime::GSStack& stack, KUID& out)
{
    Zel::PString name;
    if (!GetNativePStringParam(stack, 1, false, name))
        return false;
    name = name.ToLower();
    PemberlynxSpecRef spec = GetSpec();
    out = KUID();
    const SoupHandle table = spec ? spec->GetConfig().GetNamedSoup(Zel::PString("kuid-table")) : SoupHandle();
    out = table.GetNamedTagAsKUID(name, KUID());
    if (!out.IsNull())
        return true;
    std::string message =
        std::string("Asset.FindKUID> unable to find '") + name.c_str() + "' in kuid-table\nAvailable kuids are: ";
    for (int32_t i = 0; i < table.CountTags(); ++i)
        message += "\"" + std::string(table.GetIndexedTagName(i).c_str()) + "\" ";
    RaiseNativeError(message.c_str());
    return false;
}

bool GSOAsset::NativeLookupKUIDTable(GSRuntime::GSStack& stack)
{
    KUID id;
    if (KUIDTableEntry(stack, id))
        GSOKUID::PushFor(stack, id, GetContext());
    return true;
}

bool GSOAsset::NativeFindAsset(GSRuntime::GSStack& stack)
{
    KUID id;
    if (KUIDTableEntry(stack, id))
        PushAsset(stack, FindOrCreate(GetContext(), id));
    return true;
}

bool GSOAsset::NativeGetStringTable(GSRuntime::GSStack& stack)
{
    PemberlynxSpecRef spec = GetSpec();
    PushMadeObject(stack, spec ? GSOStringTable::Make(GetContext(), spec) : nullptr, GSOStringTable::ScriptClass());
    return true;
}

bool GSOAsset::NativeGetConfigSoup(GSRuntime::GSStack& stack)
{
    if (!config_.Root() || config_.Root()->GetType() == 0)
        config_ = KADClient::GetAssetConfig(kuid_);
    PushMadeObject(stack, GSOSoup::MakeLocked(GetContext(), config_), GSOSoup::ScriptClass());
    return true;
}

bool GSOAsset::NativeGetDependencyList(GSRuntime::GSStack& stack)
{
    GSOKUIDList::List dependencies;
    KADClient::GetAssetDependencies(kuid_, dependencies);
    PushMadeObject(stack, GSOKUIDList::MakeLocked(GetContext(), dependencies), GSOKUIDList::ScriptClass());
    return true;
}

bool GSOAsset::NativeSupportsKorvelBuildVersion(GSRuntime::GSStack& stack)
{
    stack.PushInt(GetInfo().IsBuildAtLeast(stack.CurrentFrame()->GetFloatParam(1)) ? 1 : 0);
    return true;
}

bool GSOAsset::NativeIsLocallyModified(GSRuntime::GSStack& stack)
{
    stack.PushInt(KADClient::IsAssetLocallyModified(kuid_) ? 1 : 0);
    return true;
}

bool GSOAsset::NativeGetInfoURL(GSRuntime::GSStack& stack)
{
    const SoupHandle config = KADClient::GetAssetConfig(kuid_);
    stack.PushNewString(config.GetNamedTag(Zel::PString("info-url")), GetContext());
    return true;
}

bool GSOAsset::NativeGetIsFavorite(GSRuntime::GSStack& stack)
{
    stack.PushInt(GetInfo().IsFavorite() ? 1 : 0);
    return true;
}

bool GSOAsset::NativeSetIsFavorite(GSRuntime::GSStack& stack)
{
    KADClient::SetAssetFavorite(kuid_, stack.CurrentFrame()->GetIntParam(1) != 0);
    // The next read asks the daemon again.
    infoLoaded_ = false;
    return true;
}

bool GSOAsset::NativeGetParent(GSRuntime::GSStack& stack)
{
    PushAsset(stack, FindOrCreate(GetContext(), GetInfo().parentAssetId));
    return true;
}

bool GSOAsset::NativeGetCategoryEra(GSRuntime::GSStack& stack)
{
    stack.PushNewString(GetInfo().eraList.View(), GetContext());
    return true;
}

bool GSOAsset::NativeGetCategoryRegion(GSRuntime::GSStack& stack)
{
    stack.PushNewString(GetInfo().regionList.View(), GetContext());
    return true;
}

// LoadImage is the Image class's to bind (see native_class_bodies.h).
void RegisterAssetNatives()
{
    static constexpr MemberNativeRow<GSOAsset> Rows[] = {
        {"$KUID@Asset::GetKUID()", &GSOAsset::NativeGetKUID},
        {"$string@Asset::GetLocalisedName()", &GSOAsset::NativeGetLocalisedName},
        {"$string@Asset::GetLocalisedDescription()", &GSOAsset::NativeGetLocalisedDescription},
        {"$string@Asset::GetCreatorName()", &GSOAsset::NativeGetCreatorName},
        {"$KUID@Asset::LookupKUIDTable(string)", &GSOAsset::NativeLookupKUIDTable},
        {"$Asset@Asset::FindAsset(string)", &GSOAsset::NativeFindAsset},
        {"$StringTable@Asset::GetStringTable()", &GSOAsset::NativeGetStringTable},
        {"$Soup@Asset::GetConfigSoup()", &GSOAsset::NativeGetConfigSoup},
        {"$KUIDList@Asset::GetDependencyList()", &GSOAsset::NativeGetDependencyList},
        {"$bool@Asset::SupportsKorvelBuildVersion(float)", &GSOAsset::NativeSupportsKorvelBuildVersion},
        {"$bool@Asset::IsLocallyModified()", &GSOAsset::NativeIsLocallyModified},
        {"$string@Asset::GetInfoURL()", &GSOAsset::NativeGetInfoURL},
        {"$bool@Asset::GetIsFavorite()", &GSOAsset::NativeGetIsFavorite},
        {"$void@Asset::SetIsFavorite(bool)", &GSOAsset::NativeSetIsFavorite},
        {"$Asset@Asset::GetParent()", &GSOAsset::NativeGetParent},
        {"$string@Asset::GetCategoryEra()", &GSOAsset::NativeGetCategoryEra},
        {"$string@Asset::GetCategoryRegion()", &GSOAsset::NativeGetCategoryRegion},
    };
    RegisterMemberNatives("Asset", Rows);
}
