// createcdp: exports local assets from the daemon into a new content archive file.
#include <cstdio>

#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "soup/archive_builder.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"

// The first failing id stops the command before anything is written, so a
// half archive never replaces an existing file.
int CommandCreateCDP(ResultsLog& log, const char* outputPath, int idCount, char** idTexts)
{
    ArchiveBuilder builder;
    for (int i = 0; i < idCount; ++i) {
        KUID id = KUID::Parse(idTexts[i], false);
        if (id.IsNull()) {
            log.AddMessage(ResultsLog::MessageKind::Error, "Invalid AssetID.");
            return -1;
        }
        KADAssetInfo info;
        KADClient::GetAssetInfo(id, -1, info);
        if ((info.statusByte0 & KADAssetInfo::StatusInstalled) == 0) {
            log.AddAssetMessage(ResultsLog::MessageKind::Error, id, "Asset is not local.");
            return -1;
        }
        SoupHandle entry = KADClient::ExportAssetChunk(id, 3, &log);
        Zel::PString error = builder.Add(entry);
        if (!error.IsEmpty()) {
            log.AddAssetMessage(ResultsLog::MessageKind::Error, id, error.c_str());
            return -1;
        }
    }
    Zel::PString error = WriteArchiveFile(builder.Finish(), outputPath);
    if (error.IsEmpty())
        return 0;
    std::fprintf(stderr, "%s\n", error.c_str());
    return -1;
}
