// backupkeywords: saves every asset's keyword list to a soup file.
#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"
#include "soup/soup_handle.h"

bool BackupKeywords(const char* baseFolder, const char* fileName, const char* format)
{
    // An empty group passes every asset the daemon knows.
    KADFilterElementGroup everything;
    ChunkedList<KUID, 128> assets;
    KADClient::SearchAssets(&everything, assets);
    SoupHandle backup;
    backup.EnsureContainer();
    for (const KUID& id : assets)
        backup.SetNamedTag(id.ToTagString(), KADClient::GetAssetKeywords(id).c_str());
    return backup.SaveToFile(Zel::PString(baseFolder), fileName, format);
}

int CommandBackupKeywords(ResultsLog& /*log*/, const char* fileName)
{
    return BackupKeywords("", fileName, "txt") ? 0 : -1;
}
