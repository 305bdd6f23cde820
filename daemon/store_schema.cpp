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
    // 2: the asset store: one row per asset, its dependency and obsolete
    // lists, id generation, authors, builds seen, and the journal of changes
    // in flight (finished at the next start when a crash interrupted them).
    "CREATE TABLE asset ("
    "  user INTEGER NOT NULL, content INTEGER NOT NULL, version INTEGER NOT NULL,"
    "  flags INTEGER NOT NULL DEFAULT 0, store TEXT NOT NULL DEFAULT 'local',"
    "  rev INTEGER NOT NULL DEFAULT 0, leaf TEXT NOT NULL DEFAULT '', edit_gen INTEGER NOT NULL DEFAULT 0,"
    "  name TEXT NOT NULL DEFAULT '', kind TEXT NOT NULL DEFAULT '', category TEXT NOT NULL DEFAULT '',"
    "  region TEXT NOT NULL DEFAULT '', era TEXT NOT NULL DEFAULT '', keywords TEXT NOT NULL DEFAULT '',"
    "  description TEXT NOT NULL DEFAULT '', author_name TEXT NOT NULL DEFAULT '',"
    "  build INTEGER NOT NULL DEFAULT 0, author_id INTEGER NOT NULL DEFAULT 0, rating INTEGER NOT NULL DEFAULT 255,"
    "  installed_ts INTEGER NOT NULL DEFAULT 0, modified_ts INTEGER NOT NULL DEFAULT 0,"
    "  download_size INTEGER NOT NULL DEFAULT -1, has_script INTEGER NOT NULL DEFAULT 0,"
    "  PRIMARY KEY (user, content, version));"
    "CREATE INDEX asset_category ON asset (category);"
    "CREATE TABLE dep (user INTEGER NOT NULL, content INTEGER NOT NULL, version INTEGER NOT NULL,"
    "  ord INTEGER NOT NULL, kind INTEGER NOT NULL,"
    "  dep_user INTEGER NOT NULL, dep_content INTEGER NOT NULL, dep_version INTEGER NOT NULL,"
    "  PRIMARY KEY (user, content, version, kind, ord));"
    "CREATE TABLE latest_hint (user INTEGER NOT NULL, content INTEGER NOT NULL, version INTEGER NOT NULL,"
    "  PRIMARY KEY (user, content));"
    "CREATE TABLE kuid_gen (user_id INTEGER PRIMARY KEY NOT NULL, next_content INTEGER NOT NULL);"
    "CREATE TABLE build (number INTEGER PRIMARY KEY NOT NULL);"
    "CREATE TABLE op_journal (op_id INTEGER PRIMARY KEY AUTOINCREMENT, kind TEXT NOT NULL,"
    "  user INTEGER NOT NULL, content INTEGER NOT NULL, version INTEGER NOT NULL,"
    "  src TEXT NOT NULL, dst TEXT NOT NULL, old TEXT NOT NULL, created INTEGER NOT NULL)",
    // 3: the online-access scripts' local data, one binary soup per asset
    // (user and content) and lower-cased name.
    "CREATE TABLE online_local (user INTEGER NOT NULL, content INTEGER NOT NULL, name TEXT NOT NULL,"
    "  soup BLOB NOT NULL, PRIMARY KEY (user, content, name))",
};

int ReadVersion(KADStoreConnection& connection)
{
    KADStatement query(connection, "SELECT value FROM meta WHERE key = 'schema_version'");
    if (!query.Step())
        return 0;
    return static_cast<int>(query.ColumnInt64(0));
}

bool ApplyStep(KADStoreConnection& connection, int version)
{
    if (!connection.Exec("BEGIN IMMEDIATE"))
        return false;
    // Another daemon start may have migrated meanwhile; the version is read
    // again inside the write transaction.
    if (ReadVersion(connection) >= version)
        return connection.Exec("COMMIT");
    KADStatement record(connection, "INSERT OR REPLACE INTO meta (key, value) VALUES ('schema_version', ?)");
    record.BindInt64(1, version);
    if (!connection.Exec(MigrationSteps[version - 1]) || !record.Run()) {
        connection.Exec("ROLLBACK");
        return false;
    }
    return connection.Exec("COMMIT");
}

}  // namespace

int KADStoreSchemaVersion()
{
    return static_cast<int>(std::size(MigrationSteps));
}

bool KADMigrateStore(KADStoreConnection& connection)
{
    if (!connection.Exec("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY NOT NULL, value)"))
        return false;
    int version = ReadVersion(connection);
    if (version > KADStoreSchemaVersion())
        return false;
    for (int next = version + 1; next <= KADStoreSchemaVersion(); ++next) {
        if (!ApplyStep(connection, next))
            return false;
    }
    return true;
}
