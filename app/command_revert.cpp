// revert: drops the asset's edit copy and returns to its installed revision.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"

int CommandRevert(ResultsLog& log, const KUID& id)
{
    KADAssetHandleRef handle = KADClient::OpenAsset(id, false, nullptr);
    bool reverted = KADClient::RevertAsset(handle, &log);
    handle.Release();
    return reverted ? 0 : -1;
}
