// revert: drops the asset's edit copy and returns to its installed revision.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"
#include "assetdb/kad_failure_report.h"

int CommandRevert(ResultsLog& log, const KUID& id)
{
    // The daemon refuses an asset without an edit copy without a line of its
    // own; an unknown asset is told apart from one that is not open for edit.
    KADFailureReport failure(log);
    KADAssetHandleRef handle = KADClient::OpenAsset(id, false, nullptr);
    bool reverted = KADClient::RevertAsset(handle, &log);
    handle.Release();
    if (reverted)
        return 0;
    failure.ExplainRefusal(id, "Unable to revert the asset: it is not open for edit.");
    return -1;
}
