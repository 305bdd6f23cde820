// GSOAsset: one installed asset as a script object of class Asset, one per (script context, KUID).
#pragma once

#include <cstdint>
#include <list>

#include "assetdb/kad_asset_info.h"
#include "assetdb/pemberlynx_spec.h"
#include "kuid/kuid.h"
#include "script/vm/gs_object.h"
#include "soup/soup_handle.h"

namespace GSRuntime {
class GSClass;
class GSContext;
class GSStack;
}  // namespace GSRuntime

class GSOAsset : public GSRuntime::GSObject {
public:
    explicit GSOAsset(const KUID& kuid);
    ~GSOAsset() override;

    static GSRuntime::GSClass* ScriptClass();
    // The live object of (context, id) or a new one, with one reference for
    // the caller; null for the null id, an id the daemon resolves to none,
    // or an object that cannot be made. Ids the daemon resolves to another
    // are remembered, so each is asked once.
    static GSOAsset* FindOrCreate(GSRuntime::GSContext* context, const KUID& id);
    // Live objects and remembered redirections (tests).
    static size_t LiveCount();
    static size_t RedirectCount();

    const KUID& GetKUID() const { return kuid_; }
    // The daemon's record, asked for (all fields) on first use.
    const KADAssetInfo& GetInfo();
    // The asset's KorvelBaseSpec, looked up on first use; none without one.
    PemberlynxSpecRef GetSpec();

    bool NativeGetKUID(GSRuntime::GSStack& stack);
    bool NativeGetLocalisedName(GSRuntime::GSStack& stack);
    bool NativeGetLocalisedDescription(GSRuntime::GSStack& stack);
    bool NativeGetCreatorName(GSRuntime::GSStack& stack);
    bool NativeLookupKUIDTable(GSRuntime::GSStack& stack);
    bool NativeFindAsset(GSRuntime::GSStack& stack);
    bool NativeGetStringTable(GSRuntime::GSStack& stack);
    bool NativeGetConfigSoup(GSRuntime::GSStack& stack);
    bool NativeGetDependencyList(GSRuntime::GSStack& stack);
    bool NativeSupportsKorvelBuildVersion(GSRuntime::GSStack& stack);
    bool NativeIsLocallyModified(GSRuntime::GSStack& stack);
    bool NativeGetInfoURL(GSRuntime::GSStack& stack);
    bool NativeGetIsFavorite(GSRuntime::GSStack& stack);
    bool NativeSetIsFavorite(GSRuntime::GSStack& stack);
    bool NativeGetParent(GSRuntime::GSStack& stack);
    bool NativeGetCategoryEra(GSRuntime::GSStack& stack);
    bool NativeGetCategoryRegion(GSRuntime::GSStack& stack);

private:
    // The kuid-table entry of the name (argument 1); false (the script
    // stopped with the list of names) when there is none.
    bool KUIDTableEntry(GSRuntime::GSStack& stack, KUID& out);

    PemberlynxSpecRef spec_;
    bool specLooked_ = false;
    KUID kuid_;
    std::list<GSOAsset*>::iterator link_;
    bool infoLoaded_ = false;
    KADAssetInfo info_;
    uint64_t lastUse_ = 0;
    SoupHandle config_;
};
