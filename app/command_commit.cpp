// commit: commits the asset's edit copy as its new installed revision.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"

int CommandCommit(ResultsLog& log, const KUID& id)
{
    KADAssetHandleRef handle = KADClient::OpenAsset(id, true, nullptr);
    bool replaced = false;
    bool committed = KADClient::CommitAsset(handle, 0, &log, &replaced);
    handle.Release();
    return committed ? 0 : -1;
}
