// The index schema and its migrations.
#include "daemon/store_schema.h"

#include <iterator>
#include <string>

#include "daemon/store_connection.h"

namespace {

// Step n (1-based) moves the schema from version n-1 to n. Steps are never
// edited once shipped; a change is a new step at the end.
const char* const MigrationSteps[] = {
    // 1: settings groups, one binary soup per section.
    "CREATE TABLE settings ("
    "  section TEXT PRIMARY KEY NOT NULL,"
    "  soup BLOB NOT NULL"
    ")",
};

int ReadVersion(KadStoreConnection& connection)
{
    KadStatement query(connection, "SELECT value FROM meta WHERE key = 'schema_version'");
    if (!query.Step())
        return 0;
    return static_cast<int>(query.ColumnInt64(0));
}

bool ApplyStep(KadStoreConnection& connection, int version)
{
    if (!connection.Exec("BEGIN IMMEDIATE"))
        return false;
    // Another daemon start may have migrated meanwhile; the version is read
    // again inside the write transaction.
    if (ReadVersion(connection) >= version)
        return connection.Exec("COMMIT");
    KadStatement record(connection, "INSERT OR REPLACE INTO meta (key, value) VALUES ('schema_version', ?)");
    record.BindInt64(1, version);
    if (!connection.Exec(MigrationSteps[version - 1]) || !record.Run()) {
        connection.Exec("ROLLBACK");
        return false;
    }
    return connection.Exec("COMMIT");
}

}  // namespace

int KadStoreSchemaVersion()
{
    return static_cast<int>(std::size(MigrationSteps));
}

bool KadMigrateStore(KadStoreConnection& connection)
{
    if (!connection.Exec("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY NOT NULL, value)"))
        return false;
    int version = ReadVersion(connection);
    if (version > KadStoreSchemaVersion())
        return false;
    for (int next = version + 1; next <= KadStoreSchemaVersion(); ++next) {
        if (!ApplyStep(connection, next))
            return false;
    }
    return true;
}
