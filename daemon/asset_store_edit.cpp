// Edit copies: opening an asset for writing, and the new-asset edit folder.
#include "daemon/asset_store_edit.h"

#include <ctime>
#include <functional>

#include "daemon/asset_folders.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_rows.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"

namespace {

// Runs a change that stages a new edit generation: fill(stagedLeafFolder)
// writes the content, the row becomes `updated`.
bool StageEditGeneration(KADAssetStore& store, KADStoreConnection& connection, KADAssetRecord& updated,
                         const std::function<bool(const std::string&)>& fill)
{
    const std::string& root = store.UserDataRoot();
    KADAssetChange change;
    change.kind = "edit";
    change.id = updated.id;
    change.source = KADStagingFolder(root, "editing", updated.id, KADNewOperationTag());
    updated.editGeneration += 1;
    while (KADFolderExists(KADEditGenerationFolder(root, updated.id, updated.editGeneration)))
        updated.editGeneration += 1;
    change.destination = KADEditGenerationFolder(root, updated.id, updated.editGeneration);
    std::int64_t journalId = KADBeginAssetChange(connection, change);
    if (journalId == 0)
        return false;
    if (!fill(change.source + "/" + updated.leaf) || !KADSyncFolder(change.source) ||
        !KADSyncFolder(KADParentFolder(change.source))) {
        store.AbandonChange(connection, journalId, change);
        return false;
    }
    updated.flags |= AssetOpenForEdit;
    return store.CommitChange(connection, journalId, change, [&] { return KADSaveAssetRow(connection, updated); }).done;
}

}  // namespace

bool KADWriteConfigText(const std::string& path, const SoupHandle& config, KADFlush flush)
{
    std::string text;
    AppendTextSoup(config, text);
    return KADWriteFileSynced(path, text.data(), text.size(), flush);
}

bool KADEnsureEditCopy(KADAssetStore& store, KADStoreConnection& connection, KADAssetRecord& record)
{
    if (record.Has(AssetOpenForEdit))
        return true;
    std::string committed = KADCommittedFolder(store.UserDataRoot(), record);
    if (committed.empty() || record.Has(AssetBuiltin))
        return false;
    KADAssetRecord updated = record;
    if (!StageEditGeneration(store, connection, updated,
                             [&](const std::string& leafFolder) { return KADCopyTree(committed, leafFolder); }))
        return false;
    record = updated;
    return true;
}

bool KADCreateEditOnlyAsset(KADAssetStore& store, KADStoreConnection& connection, const KUID& id,
                            const std::string& displayName, KADAssetRecord& record)
{
    KADAssetRecord created;
    created.id = id;
    created.flags = AssetEditOnly;
    created.leaf = KADAssetKey(id);
    created.name = displayName;
    created.authorId = id.user;
    created.modifiedTime = static_cast<std::int64_t>(std::time(nullptr));
    SoupHandle config;
    config.SetNamedTagKUID(Zel::PString("kuid"), id);
    if (!displayName.empty())
        config.SetNamedTag(Zel::PString("username"), displayName.c_str());
    if (!StageEditGeneration(store, connection, created, [&](const std::string& leafFolder) {
            return KADMakeFolders(leafFolder) && KADWriteConfigText(leafFolder + "/config.txt", config);
        }))
        return false;
    record = created;
    return true;
}
