// edit: opens an asset for editing and prints its folder.
#include <cstdio>

#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"
#include "kuid/kuid.h"

int CommandEdit(ResultsLog& log, const KUID& id)
{
    KADFailureReport failure(log);
    KADAssetHandleRef handle = KADClient::OpenAsset(id, true, &log);
    if (!handle.IsValid()) {
        // A daemon that could not make the edit copy (a full disk) says why
        // in the log; a known asset is never called unknown.
        failure.ExplainRefusal(id, "Unable to open the asset for editing.");
        return -1;
    }
    Zel::PString storeName;
    Zel::File::Path folder;
    handle.GetFolder(storeName, folder);
    std::printf("+ %s : %s\n", id.ToTagString().c_str(), folder.c_str());
    return 0;
}
