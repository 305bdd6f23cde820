// New asset ids from the local user's range.
#pragma once

#include "kuid/kuid.h"

class KADAssetStore;
class KADStoreConnection;

// Why no id was given.
enum class KADKUIDFailure {
    None,
    // kaddaemon.cfg names no "kuid-user-id".
    NoUser,
    // Every content number of the user is taken.
    RangeUsedUp,
    // The counter could not be stored (a full disk, a failing index).
    WriteFailed,
};

// The next content number of the configured user that no asset of the
// store uses, as version 0; the counter is kept in the index in the same
// transaction. The null id without a configured user, when the range is
// used up or when the counter cannot be stored; `failure` then says which.
KUID KADAllocateKUID(KADAssetStore& store, KADStoreConnection& connection, KADKUIDFailure* failure = nullptr);
