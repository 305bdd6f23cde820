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
bool StageEditGeneration(KadAssetStore& store, KadStoreConnection& connection, KadAssetRecord& updated,
                         const std::function<bool(const std::string&)>& fill)
{
    const std::string& root = store.UserDataRoot();
    KadAssetChange change;
    change.kind = "edit";
    change.id = updated.id;
    change.source = KadStagingFolder(root, "editing", updated.id, KadNewOperationTag());
    updated.editGeneration += 1;
    while (KadFolderExists(KadEditGenerationFolder(root, updated.id, updated.editGeneration)))
        updated.editGeneration += 1;
    change.destination = KadEditGenerationFolder(root, updated.id, updated.editGeneration);
    std::int64_t journalId = KadBeginAssetChange(connection, change);
    if (journalId == 0)
        return false;
    if (!fill(change.source + "/" + updated.leaf) || !KadSyncFolder(change.source) ||
        !KadSyncFolder(KadParentFolder(change.source))) {
        KadAbandonAssetChange(store, connection, journalId, change);
        return false;
    }
    updated.flags |= AssetOpenForEdit;
    return KadCommitAssetChange(store, connection, journalId, change,
                                [&] { return KadSaveAssetRow(connection, updated); })
        .done;
}

}  // namespace

bool KadWriteConfigText(const std::string& path, const SoupHandle& config)
{
    std::string text;
    AppendTextSoup(config, text);
    return KadWriteFileSynced(path, text.data(), text.size());
}

bool KadEnsureEditCopy(KadAssetStore& store, KadStoreConnection& connection, KadAssetRecord& record)
{
    if (record.Has(AssetOpenForEdit))
        return true;
    std::string committed = KadCommittedFolder(store.UserDataRoot(), record);
    if (committed.empty() || record.Has(AssetBuiltin))
        return false;
    KadAssetRecord updated = record;
    if (!StageEditGeneration(store, connection, updated,
                             [&](const std::string& leafFolder) { return KadCopyTree(committed, leafFolder); }))
        return false;
    record = updated;
    return true;
}

bool KadCreateEditOnlyAsset(KadAssetStore& store, KadStoreConnection& connection, const KUID& id,
                            const std::string& displayName, KadAssetRecord& record)
{
    KadAssetRecord created;
    created.id = id;
    created.flags = AssetEditOnly;
    created.leaf = KadAssetKey(id);
    created.name = displayName;
    created.authorId = id.user;
    created.modifiedTime = static_cast<std::int64_t>(std::time(nullptr));
    SoupHandle config;
    config.SetNamedTagKUID(Zel::PString("kuid"), id);
    if (!displayName.empty())
        config.SetNamedTag(Zel::PString("username"), displayName.c_str());
    if (!StageEditGeneration(store, connection, created, [&](const std::string& leafFolder) {
            return KadMakeFolders(leafFolder) && KadWriteConfigText(leafFolder + "/config.txt", config);
        }))
        return false;
    record = created;
    return true;
}
