// delete: removes an asset from the asset database.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"
#include "kuid/kuid.h"

int CommandDelete(ResultsLog& log, const KUID& id)
{
    // The daemon's line says why it refused (a built-in asset, a full disk);
    // a known asset is never called unknown.
    KADFailureReport failure(log);
    if (KADClient::DeleteAsset(id, true, &log))
        return 0;
    failure.ExplainRefusal(id, "Unable to delete the asset.");
    return -1;
}
