// Reading and writing asset rows of the index (the mirror's source).
#pragma once

#include <functional>

#include "daemon/asset_record.h"

class KADStoreConnection;

// False when the index has no row of the id.
bool KADLoadAssetRow(KADStoreConnection& connection, const KUID& id, KADAssetRecord& record);
// Every row, in no particular order; false when the index could not be
// read whole (the rows visited before the failure are not all there are).
bool KADLoadAllAssetRows(KADStoreConnection& connection, const std::function<void(KADAssetRecord&&)>& visit);
// Inserts or replaces the row with its dependency and obsolete lists. The
// caller holds a write transaction.
bool KADSaveAssetRow(KADStoreConnection& connection, const KADAssetRecord& record);
bool KADDeleteAssetRow(KADStoreConnection& connection, const KUID& id);
