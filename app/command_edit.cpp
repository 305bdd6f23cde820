// edit: opens an asset for editing and prints its folder.
#include <cstdio>

#include "app/commands.h"
#include "app/results/results_log.h"
#include "assetdb/kad_client.h"
#include "soup/kuid/kuid.h"

int CommandEdit(ResultsLog& log, const KUID& id)
{
    KADAssetHandleRef handle = KADClient::OpenAsset(id, true, &log);
    if (!handle.IsValid()) {
        log.AddAssetMessage(ResultsLog::MessageKind::Error, id, "Unknown AssetID.");
        return -1;
    }
    Zel::PString storeName;
    Zel::File::Path folder;
    handle.GetFolder(storeName, folder);
    std::printf("+ %s : %s\n", id.ToTagString().c_str(), folder.c_str());
    return 0;
}
