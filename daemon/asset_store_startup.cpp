// Setting up the asset store when the daemon starts.
#include "daemon/asset_store_startup.h"

#include "daemon/asset_store.h"
#include "daemon/daemon_config.h"
#include "daemon/daemon_paths.h"

bool KADStartAssetStore(const KADDaemonPaths& paths, const KADDaemonConfig& config, KADStoreConnection& connection)
{
    return KADAssetStore::Start(paths.userDataRoot, paths.databasePath, config, connection);
}
