// Setting up the asset store when the daemon starts.
#pragma once

struct KADDaemonConfig;
struct KADDaemonPaths;
class KADStoreConnection;

// Finishes or rolls back what a crash interrupted, then loads the mirror.
// Call after the index is migrated and before anything is served.
bool KADStartAssetStore(const KADDaemonPaths& paths, const KADDaemonConfig& config, KADStoreConnection& connection);
