// New asset ids from the local user's range.
#pragma once

#include "soup/kuid/kuid.h"

class KadAssetStore;
class KadStoreConnection;

// The next content number of the configured user that no asset of the
// store uses, as version 0; the counter is kept in the index in the same
// transaction. The null id without a configured user or when the range is
// used up.
KUID KadAllocateKUID(KadAssetStore& store, KadStoreConnection& connection);
