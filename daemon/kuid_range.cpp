// New asset ids from the local user's range.
#include "daemon/kuid_range.h"

#include <limits>

#include "daemon/asset_store.h"
#include "daemon/store_connection.h"

namespace {

KUID Refuse(KADKUIDFailure* failure, KADKUIDFailure why)
{
    if (failure != nullptr)
        *failure = why;
    return NullKUID;
}

}  // namespace

KUID KADAllocateKUID(KADAssetStore& store, KADStoreConnection& connection, KADKUIDFailure* failure)
{
    if (failure != nullptr)
        *failure = KADKUIDFailure::None;
    std::int32_t user = store.LocalUserId();
    if (user < 0)
        return Refuse(failure, KADKUIDFailure::NoUser);
    if (!connection.Exec("BEGIN IMMEDIATE"))
        return Refuse(failure, KADKUIDFailure::WriteFailed);
    std::int64_t next = 0;
    {
        KADStatement query(connection, "SELECT next_content FROM kuid_gen WHERE user_id = ?");
        query.BindInt64(1, user);
        if (query.Step())
            next = query.ColumnInt64(0);
    }
    // Skip numbers that assets already use (installed from elsewhere).
    while (next <= std::numeric_limits<std::int32_t>::max() &&
           store.HighestVersion(user, static_cast<std::int32_t>(next), false) >= 0)
        ++next;
    if (next < 0 || next > std::numeric_limits<std::int32_t>::max()) {
        connection.Exec("ROLLBACK");
        return Refuse(failure, KADKUIDFailure::RangeUsedUp);
    }
    KADStatement save(connection, "INSERT OR REPLACE INTO kuid_gen (user_id, next_content) VALUES (?, ?)");
    save.BindInt64(1, user);
    save.BindInt64(2, next + 1);
    if (!save.Run() || !connection.Exec("COMMIT")) {
        connection.Exec("ROLLBACK");
        return Refuse(failure, KADKUIDFailure::WriteFailed);
    }
    return KUID(user, static_cast<std::int32_t>(next), 0);
}
