// Committing an asset's edit copy: the next committed revision, after its texture sources are converted.
#include "daemon/asset_commit.h"

#include <ctime>
#include <mutex>

#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_replies.h"
#include "daemon/asset_store_rows.h"
#include "daemon/commit_texture_conversion.h"
#include "daemon/request_context.h"
#include "daemon/store_connection.h"
#include "soup/soup_handle.h"

namespace {

// Commit flag: the caller verified the asset's signature, so the result is
// not "locally modified".
constexpr std::int32_t CommitSignatureVerified = 4;
// Commit flag: commit the textures as they are, without converting them.
constexpr std::int32_t CommitSkipTextureConversion = 8;

constexpr int LineError = 3;

// The edit config must name the asset. One that names no asset at all is
// refused like one that names another: text that reads as no config (or
// one whose "kuid" the user removed) would otherwise be committed with the
// id put in, and the asset would lose its kind, category and name.
bool CheckEditConfig(KADRequestContext& context, const std::string& editFolder, const KUID& id, SoupHandle& config)
{
    std::string error;
    if (!KADLoadFolderConfig(editFolder, config, error)) {
        KADSendAssetLine(context, LineError, id, "Unable to commit asset: " + error);
        return false;
    }
    KUID named = config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
    if (named == id)
        return true;
    if (named.IsNull()) {
        KADSendAssetLine(context, LineError, id,
                         "Unable to commit asset: its config cannot be read or names no asset id (\"kuid\").");
        return false;
    }
    KADSendAssetLine(context, LineError, id,
                     "Unable to commit asset: its config names another asset id " + KADAssetText(named) + ".");
    return false;
}

}  // namespace

bool KADCommitEditCopy(KADRequestContext& context, const KUID& id, std::int32_t flags, bool& replaced)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    bool committed = false;
    replaced = false;
    // Texture sources are converted by a command host first, outside the
    // change lock: a conversion may take minutes. A failed one fails the
    // commit and the asset stays open for edit.
    bool texturesConverted = true;
    std::int32_t convertedGeneration = -1;
    KADAssetRecord edited;
    if (KADCanChangeStore(context) && (flags & CommitSkipTextureConversion) == 0 && store.Find(id, edited) &&
        edited.Has(AssetOpenForEdit)) {
        std::string editFolder = KADEditFolder(store.UserDataRoot(), edited);
        if (KADHasTextureSources(editFolder)) {
            texturesConverted = KADConvertEditTextures(context, edited.id, store.UserDataRoot(), editFolder);
            convertedGeneration = edited.editGeneration;
        }
    }
    if (KADCanChangeStore(context) && texturesConverted) {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KADAssetRecord record;
        SoupHandle config;
        const std::string& root = store.UserDataRoot();
        if (!store.Find(id, record) || !record.Has(AssetOpenForEdit)) {
            KADSendAssetLine(context, LineError, id, "Unable to commit asset: it is not open for edit.");
        } else if (convertedGeneration >= 0 && record.editGeneration != convertedGeneration) {
            KADSendAssetLine(context, LineError, id,
                             "Unable to commit asset: its edit copy changed while its textures were converted.");
        } else if (CheckEditConfig(context, KADEditFolder(root, record), record.id, config)) {
            KADStoreConnection& connection = *context.store;
            KADAssetRecord updated = record;
            updated.revision = record.revision + 1;
            while (KADFolderExists(KADRevisionFolder(root, record.id, updated.revision)))
                updated.revision += 1;
            KADAssetChange change;
            change.kind = "commit";
            change.id = record.id;
            change.source = KADEditGenerationFolder(root, record.id, record.editGeneration);
            change.destination = KADRevisionFolder(root, record.id, updated.revision);
            replaced = record.Has(AssetInstalled) && record.revision > 0;
            if (replaced)
                change.old.push_back(KADRevisionFolder(root, record.id, record.revision));
            updated.flags |= AssetInstalled;
            // The committed edit copy's config was just read; an unreadable
            // earlier revision no longer makes the asset faulty.
            updated.flags &= ~(AssetOpenForEdit | AssetEditOnly | AssetModified | AssetUnreadable);
            if ((flags & CommitSignatureVerified) == 0)
                updated.flags |= AssetModified;
            KADDeriveAssetMetadata(config, updated);
            std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
            updated.modifiedTime = now;
            if (updated.installedTime == 0)
                updated.installedTime = now;
            KADChangeResult result =
                store.CommitChange(connection, 0, change, [&] { return KADSaveAssetRow(connection, updated); });
            KADSendChangeLines(context, record.id, result, "Unable to commit asset: ");
            committed = result.done;
            if (!committed)
                replaced = false;
        }
    }
    return committed;
}
