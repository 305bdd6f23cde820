// Installing an asset as a new committed revision: from a folder (39) or an archive entry (40).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "daemon/asset_store.h"
#include "soup/soup_handle.h"

class KADStoreConnection;
struct KADRequestContext;

struct KADInstallRequest {
    KUID id;
    SoupHandle config;           // the config the new revision holds
    std::uint32_t setFlags = 0;  // besides "installed"
    std::uint32_t clearFlags = 0;
    // Writes the asset's files into the (fresh) folder; false with a reason.
    std::function<bool(const std::string& leafFolder, std::string& error)> fill;
};

// Stages the files beside their destination, then in one step records the
// intent and the row, renames into place and moves the replaced revision
// (and an open edit copy, with a warning line) to the trash. False with a
// reason when nothing was installed; nothing then changed.
bool KADInstallAsset(KADAssetStore& store, KADStoreConnection& connection, KADRequestContext& context,
                     const KADInstallRequest& request, bool& replaced, std::string& error);
