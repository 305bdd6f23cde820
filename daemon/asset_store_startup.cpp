// Setting up the asset store when the daemon starts.
#include "daemon/asset_store_startup.h"

#include "daemon/asset_store.h"
#include "daemon/daemon_paths.h"

bool KADStartAssetStore(const KADDaemonPaths& paths, KADStoreConnection& connection)
{
    return KADAssetStore::Start(paths.userDataRoot, paths.databasePath, connection);
}
