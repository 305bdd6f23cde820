// Setting up the asset store when the daemon starts.
#include "daemon/asset_store_startup.h"

#include "daemon/asset_store.h"
#include "daemon/daemon_paths.h"

bool KadStartAssetStore(const KadDaemonPaths& paths, KadStoreConnection& connection)
{
    return KadAssetStore::Start(paths.userDataRoot, paths.databasePath, connection);
}
