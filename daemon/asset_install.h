// Installing assets as new committed revisions: from a folder (39) or archive entries (40), one batch at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "daemon/asset_store.h"
#include "soup/soup_handle.h"

class KADStoreConnection;
struct KADRequestContext;

struct KADInstallRequest {
    KUID id;
    SoupHandle config;           // the config the new revision holds
    std::uint32_t setFlags = 0;  // besides "installed"
    std::uint32_t clearFlags = 0;
    // Writes the asset's files into the (fresh) folder without flushing
    // them (KADFlush::Later): the batch flushes every file of all its
    // assets at once. False with a reason.
    std::function<bool(const std::string& leafFolder, std::string& error)> fill;
};

// What became of one install of a batch.
struct KADInstallOutcome {
    bool installed = false;
    bool replaced = false;  // an installed revision was replaced
    std::string error;      // why it was not installed (a sentence)
    // Lines for the user about an installed asset, in order (an open edit
    // copy moved to the trash, a replaced folder left for the next start).
    std::vector<std::string> warnings;
};

// Installs the requests as one batch (several, where one asset comes more
// than once: the later install then replaces the earlier). Each asset is
// staged beside its destination; all files are flushed at once; one index
// transaction records every intent and row; then each folder is renamed
// into place and replaced folders go to the trash. An outcome says
// installed only once the asset survives a crash: its files are flushed
// and its intent recorded, so the next start redoes a rename a crash lost
// (the journal row stays until a later batch's flush covers the rename).
// Outcomes are in the order of the requests.
std::vector<KADInstallOutcome> KADInstallAssets(KADAssetStore& store, KADStoreConnection& connection,
                                                const std::vector<const KADInstallRequest*>& requests);

// One install (39): joins the requests of other connections that arrive
// meanwhile in one batch, sends its warning lines and returns once it is
// durable. False with a reason when nothing was installed; nothing then
// changed.
bool KADInstallAsset(KADAssetStore& store, KADStoreConnection& connection, KADRequestContext& context,
                     const KADInstallRequest& request, bool& replaced, std::string& error);
