// RunCHBDeleteAllCommand: delete every asset the daemon lists under the "local" key.
#include "assetdb/kad_command_bodies.h"

#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"

bool RunCHBDeleteAllCommand(ResultsLog& /*log*/)
{
    KADFilterElementBool local(FilterBoolLocal);
    ChunkedList<KUID, 128> assets;
    KADClient::SearchAssets(&local, assets);
    for (const KUID& id : assets)
        KADClient::DeleteAsset(id, true, nullptr);
    return true;
}
