// Reading and writing asset rows of the index (the mirror's source).
#pragma once

#include <functional>

#include "daemon/asset_store.h"

class KadStoreConnection;

// False when the index has no row of the id.
bool KadLoadAssetRow(KadStoreConnection& connection, const KUID& id, KadAssetRecord& record);
// Every row, in no particular order; false when the index could not be
// read whole (the rows visited before the failure are not all there are).
bool KadLoadAllAssetRows(KadStoreConnection& connection, const std::function<void(KadAssetRecord&&)>& visit);
// Inserts or replaces the row with its dependency and obsolete lists. The
// caller holds a write transaction.
bool KadSaveAssetRow(KadStoreConnection& connection, const KadAssetRecord& record);
bool KadDeleteAssetRow(KadStoreConnection& connection, const KUID& id);
