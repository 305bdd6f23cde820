// delete: removes an asset from the asset database.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "soup/kuid/kuid.h"

int CommandDelete(ResultsLog& /*log*/, const KUID& id)
{
    // No progress sink: the daemon's own lines about the delete are not shown.
    return KADClient::DeleteAsset(id, true, nullptr) ? 0 : -1;
}
