// commit: commits the asset's edit copy as its new installed revision.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"
#include "assetdb/kad_failure_report.h"

int CommandCommit(ResultsLog& log, const KUID& id)
{
    // The daemon refuses an unknown asset without a line of its own.
    KADFailureReport failure(log);
    KADAssetHandleRef handle = KADClient::OpenAsset(id, true, nullptr);
    bool replaced = false;
    bool committed = KADClient::CommitAsset(handle, 0, &log, &replaced);
    handle.Release();
    if (committed)
        return 0;
    failure.ExplainRefusal(id, "Unable to commit the asset.");
    return -1;
}
