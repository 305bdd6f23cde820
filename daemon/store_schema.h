// The index schema and its migrations.
#pragma once

class KADStoreConnection;

// Brings the index up to the newest schema, one numbered step at a time in
// one transaction each, so a daemon of a later issue can add tables without
// touching earlier steps. False when a step fails (nothing of it is kept)
// or when the index is newer than this program.
bool KADMigrateStore(KADStoreConnection& connection);

// The schema version this program writes.
int KADStoreSchemaVersion();
