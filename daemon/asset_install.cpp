// Installing an asset as a new committed revision: from a folder (39) or an archive entry (40).
#include "daemon/asset_install.h"

#include <ctime>

#include "daemon/asset_folders.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_replies.h"
#include "daemon/asset_store_rows.h"

namespace {
constexpr int LineWarning = 2;
}

bool KADInstallAsset(KADAssetStore& store, KADStoreConnection& connection, KADRequestContext& context,
                     const KADInstallRequest& request, bool& replaced, std::string& error)
{
    replaced = false;
    std::lock_guard<std::mutex> hold(store.ChangeLock());
    const std::string& root = store.UserDataRoot();
    KADAssetRecord existing;
    bool known = store.Find(request.id, existing);
    if (known && existing.Has(AssetBuiltin)) {
        error = "A built-in asset cannot be replaced.";
        return false;
    }
    KADAssetRecord updated = known ? existing : KADAssetRecord();
    updated.id = request.id;
    updated.leaf = KADAssetLeafName(request.config, request.id);
    updated.revision = (known ? existing.revision : 0) + 1;
    while (KADFolderExists(KADRevisionFolder(root, request.id, updated.revision)))
        updated.revision += 1;

    KADAssetChange change;
    change.kind = "install";
    change.id = request.id;
    change.source = KADStagingFolder(root, "local", request.id, KADNewOperationTag());
    change.destination = KADRevisionFolder(root, request.id, updated.revision);
    std::int64_t journalId = KADBeginAssetChange(connection, change);
    if (journalId == 0) {
        error = "The index cannot record the installation.";
        return false;
    }
    std::string leafFolder = change.source + "/" + updated.leaf;
    if (!KADMakeFolders(leafFolder) || !request.fill(leafFolder, error) || !KADSyncFolder(leafFolder) ||
        !KADSyncFolder(change.source) || !KADSyncFolder(KADParentFolder(change.source))) {
        if (error.empty())
            error = "Unable to write content files to disk";
        store.AbandonChange(connection, journalId, change);
        return false;
    }
    if (known && existing.Has(AssetInstalled) && existing.revision > 0) {
        change.old.push_back(KADRevisionFolder(root, request.id, existing.revision));
        replaced = true;
    }
    if (known && existing.Has(AssetOpenForEdit)) {
        change.old.push_back(KADEditGenerationFolder(root, request.id, existing.editGeneration));
        KADSendAssetLine(context, LineWarning, request.id, "The open edit copy of the asset was moved to the trash.");
    }
    updated.flags |= AssetInstalled | request.setFlags;
    // The new revision's config was just read: whatever the repair could not
    // read is no longer the asset's folder.
    updated.flags &= ~(AssetOpenForEdit | AssetEditOnly | AssetUnreadable | request.clearFlags);
    KADDeriveAssetMetadata(request.config, updated);
    std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    updated.installedTime = now;
    updated.modifiedTime = now;
    KADChangeResult result =
        store.CommitChange(connection, journalId, change, [&] { return KADSaveAssetRow(connection, updated); });
    if (!result.done) {
        replaced = false;
        error = result.error;
        return false;
    }
    if (!result.warning.empty())
        KADSendAssetLine(context, LineWarning, request.id, result.warning);
    return true;
}
