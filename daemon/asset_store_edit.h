// Edit copies: opening an asset for writing, and the new-asset edit folder.
#pragma once

#include <string>

#include "daemon/asset_store.h"

class KadStoreConnection;

// Makes sure the asset has an edit copy: an existing one stays, else the
// committed revision is copied into a fresh edit folder (never the
// committed folder itself). False when the asset has neither.
bool KadEnsureEditCopy(KadAssetStore& store, KadStoreConnection& connection, KadAssetRecord& record);
// A new asset that exists only as an edit folder seeded with a config
// holding "kuid" and "username".
bool KadCreateEditOnlyAsset(KadAssetStore& store, KadStoreConnection& connection, const KUID& id,
                            const std::string& displayName, KadAssetRecord& record);
// Writes the config as text (config.txt), flushed.
bool KadWriteConfigText(const std::string& path, const class SoupHandle& config);
