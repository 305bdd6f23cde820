// backupkeywords: saves every asset's keyword list to a soup file.
#include <string>

#include "app/commands.h"
#include "results/results_log.h"
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

int CommandBackupKeywords(ResultsLog& log, const char* fileName)
{
    if (BackupKeywords("", fileName, "txt"))
        return 0;
    log.AddMessage(ResultsLog::MessageKind::Error,
                   (std::string("Unable to write the keyword file ") + fileName + ".").c_str());
    return -1;
}
