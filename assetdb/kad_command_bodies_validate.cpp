// RunValidateCommand: open read-only, find the folder, let the daemon validate it under the asset's id.
#include "assetdb/kad_command_bodies.h"

#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "soup/korvel_property.h"

bool RunValidateCommand(const KUID& id, ResultsLog& log)
{
    KADAssetHandleRef handle = KADClient::OpenAsset(id, false, &log);
    Zel::PString storeName;
    Zel::File::Path folder;
    if (!handle.IsValid() || !handle.GetFolder(storeName, folder)) {
        handle.Release();
        return false;
    }
    log.PushAsset(PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), id)));
    // The reply is not used: the daemon's lines say what validation found.
    KADClient::ValidateAssetFolder(storeName, folder, &log);
    log.PopAsset();
    handle.Release();
    return true;
}
