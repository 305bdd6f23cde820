// Edit copies: opening an asset for writing, and the new-asset edit folder.
#pragma once

#include <string>

#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"

class KADStoreConnection;

// Makes sure the asset has an edit copy: an existing one stays, else the
// committed revision is copied into a fresh edit folder (never the
// committed folder itself). False when the asset has neither.
bool KADEnsureEditCopy(KADAssetStore& store, KADStoreConnection& connection, KADAssetRecord& record);
// A new asset that exists only as an edit folder seeded with a config
// holding "kuid" and "username".
bool KADCreateEditOnlyAsset(KADAssetStore& store, KADStoreConnection& connection, const KUID& id,
                            const std::string& displayName, KADAssetRecord& record);
// Writes the config as text (config.txt), flushed (or left for the caller to flush).
bool KADWriteConfigText(const std::string& path, const class SoupHandle& config, KADFlush flush = KADFlush::EachFile);
