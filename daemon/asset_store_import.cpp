// Taking a committed revision folder found on disk into the index (repair, rebuild).
#include "daemon/asset_store_import.h"

#include <cstdlib>
#include <ctime>

#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_rows.h"
#include "daemon/store_connection.h"

namespace {

// "r<digits>" gives the number; anything else 0.
std::int32_t RevisionOf(const std::string& folder)
{
    std::string name = folder.substr(folder.find_last_of('/') + 1);
    if (name.size() < 2 || name[0] != 'r' || name.find_first_not_of("0123456789", 1) != std::string::npos || name.size() > 10)
        return 0;
    return static_cast<std::int32_t>(std::strtol(name.c_str() + 1, nullptr, 10));
}

}  // namespace

bool KadImportRevisionFolder(KadStoreConnection& connection, const std::string& revisionFolder, KUID& id,
                             std::string& error)
{
    id = NullKUID;
    std::int32_t revision = RevisionOf(revisionFolder);
    std::vector<std::string> entries = KadFolderEntries(revisionFolder);
    if (revision <= 0 || entries.size() != 1 || !KadFolderExists(revisionFolder + "/" + entries[0])) {
        error = "Not a revision folder holding one asset folder.";
        return false;
    }
    SoupHandle config;
    if (!KadLoadFolderConfig(revisionFolder + "/" + entries[0], config, error))
        return false;
    KUID named = config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
    if (named.IsNull() || !named.IsValid()) {
        error = "The config has no valid \"kuid\".";
        return false;
    }
    KadAssetRecord record;
    if (!KadLoadAssetRow(connection, named, record)) {
        record = KadAssetRecord();
        record.id = named;
        record.installedTime = static_cast<std::int64_t>(std::time(nullptr));
        record.modifiedTime = record.installedTime;
    }
    record.revision = revision;
    record.leaf = entries[0];
    record.flags |= AssetInstalled;
    KadDeriveAssetMetadata(config, record);
    if (!connection.Exec("BEGIN IMMEDIATE"))
        return false;
    if (!KadSaveAssetRow(connection, record) || !connection.Exec("COMMIT")) {
        connection.Exec("ROLLBACK");
        error = "The index cannot record the asset.";
        return false;
    }
    if (KadAssetStore* store = KadAssetStore::Instance())
        store->Refresh(connection, named);
    id = named;
    return true;
}
