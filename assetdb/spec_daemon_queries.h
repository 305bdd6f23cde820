// What specs ask the daemon (GetAssetInfo, GetAssetConfigPath and ResolveAssetID), behind one seam so the registry can be exercised without a daemon.
#pragma once

#include "kuid/kuid.h"
#include "zel/path.h"
#include "zel/pstring.h"
#include "zel/string.h"

struct SpecDaemonQueries {
    KUID (*resolveAssetID)(const KUID& id) = nullptr;
    void (*getAssetConfigPath)(const KUID& id, bool ignoredFlag, Zel::PString& name, Zel::File::Path& folder) = nullptr;
    Zel::String (*getAssetName)(const KUID& id) = nullptr;
};

// Replaces the queries (tests); null restores the daemon client's requests.
void SetSpecDaemonQueries(const SpecDaemonQueries* queries);

// ResolveAssetID; the id itself when the request fails.
KUID SpecDaemonResolveAssetID(const KUID& id);
// GetAssetConfigPath: the store name and the asset's folder. A trailing
// "config.txt"/"config.chump" component, should one arrive, is dropped.
void SpecDaemonGetAssetConfigPath(const KUID& id, bool ignoredFlag, Zel::PString& name, Zel::File::Path& folder);
// GetAssetInfo (name field); empty on failure.
Zel::String SpecDaemonAssetName(const KUID& id);
