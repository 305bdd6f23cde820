// Opening, editing, committing, reverting and deleting assets: OpenAsset, CloseAssetHandle, GetAssetFolder, RevertAsset, CommitAsset, OpenAssetForEdit and DeleteAsset.
#include <ctime>

#include "foundation/streams/t_buffer.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_edit.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_replies.h"
#include "daemon/asset_store_rows.h"
#include "daemon/kuid_range.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/store_connection.h"
#include "daemon/write_failure.h"
#include "soup/soup_handle.h"

namespace {

// Commit flag: the caller verified the asset's signature, so the result is
// not "locally modified".
constexpr std::int32_t CommitSignatureVerified = 4;

constexpr int LineWarning = 2;
constexpr int LineError = 3;

void WriteNoHandle(TBuffer& reply)
{
    reply.WriteInt32(-1);
    reply.WriteInt32(-1);
}

// A handle of this connection for the asset, as its two words.
void WriteNewHandle(KadRequestContext& context, KadAssetStore& store, const KUID& id, bool writable)
{
    std::int32_t slot = -1;
    std::int32_t nonce = -1;
    store.OpenHandle(context.connection, id, writable, slot, nonce);
    context.reply.WriteInt32(slot);
    context.reply.WriteInt32(nonce);
}

// Reads a handle of this connection; false for (-1, -1), an unknown or a
// foreign one.
bool ReadHandle(KadRequestContext& context, KadAssetStore& store, KadAssetHandleEntry& entry,
                std::int32_t& slot, std::int32_t& nonce)
{
    slot = context.request.ReadInt32(-1);
    nonce = context.request.ReadInt32(-1);
    return !context.request.HasError() && store.LookupHandle(context.connection, slot, nonce, entry);
}

// The error line of a change that was not made, or the warning of one that
// left a replaced folder for the next start to move to the trash.
void SendChangeLines(KadRequestContext& context, const KUID& id, const KadChangeResult& result, const char* failed)
{
    if (!result.done)
        KadSendAssetLine(context, LineError, id, failed + (result.error.empty() ? "Unknown error." : result.error));
    else if (!result.warning.empty())
        KadSendAssetLine(context, LineWarning, id, result.warning);
}

}  // namespace

// Payload: KUID; byte writable. Reply: handle; PStr store; Str folder.
void KadHandleOpenAsset(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    bool writable = context.request.ReadBool(false);
    KadAssetRecord record;
    std::string storeName;
    std::string folder;
    bool opened = false;
    if (KadCanChangeStore(context) && !context.request.HasError()) {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        if (store.Find(id, record)) {
            if (writable && KadEnsureEditCopy(store, *context.store, record)) {
                storeName = "editing";
                folder = KadEditFolder(store.UserDataRoot(), record);
                opened = true;
            } else if (writable && !record.Has(AssetBuiltin) && record.Has(AssetInstalled)) {
                // A known asset whose edit copy could not be made: the
                // client would otherwise call it unknown.
                const char* why = KadStoreDiskIsFull(store) ? "the disk is full." : "its edit copy could not be written.";
                KadSendAssetLine(context, LineError, id, std::string("Unable to open the asset for editing: ") + why);
            } else if (!writable) {
                opened = KadReadableFolder(store, record, storeName, folder);
            }
        }
    }
    if (!opened) {
        WriteNoHandle(context.reply);
        KadWriteFolderReply(context.reply, std::string(), std::string());
        return;
    }
    WriteNewHandle(context, store, id, writable);
    KadWriteFolderReply(context.reply, storeName, folder);
}

void KadHandleCloseAssetHandle(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    std::int32_t slot = context.request.ReadInt32(-1);
    std::int32_t nonce = context.request.ReadInt32(-1);
    store.CloseHandle(context.connection, slot, nonce);
}

// Payload: handle. Reply: PStr store; Str folder, recomputed from the row;
// empty when the asset is gone.
void KadHandleGetAssetFolder(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KadAssetHandleEntry entry;
    std::int32_t slot = 0;
    std::int32_t nonce = 0;
    KadAssetRecord record;
    std::string storeName;
    std::string folder;
    if (ReadHandle(context, store, entry, slot, nonce) && store.Find(entry.id, record)) {
        if (entry.writable && record.Has(AssetOpenForEdit)) {
            storeName = "editing";
            folder = KadEditFolder(store.UserDataRoot(), record);
        } else {
            KadReadableFolder(store, record, storeName, folder);
        }
    }
    KadWriteFolderReply(context.reply, storeName, folder);
}

// Payload: handle. Reply: bool. The edit copy goes to the trash; an asset
// that was never committed goes with it.
void KadHandleRevertAsset(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KadAssetHandleEntry entry;
    std::int32_t slot = 0;
    std::int32_t nonce = 0;
    bool reverted = false;
    if (KadCanChangeStore(context) && ReadHandle(context, store, entry, slot, nonce)) {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KadAssetRecord record;
        if (store.Find(entry.id, record) && record.Has(AssetOpenForEdit)) {
            KadStoreConnection& connection = *context.store;
            KadAssetChange change;
            change.kind = "revert";
            change.id = record.id;
            change.old.push_back(KadEditGenerationFolder(store.UserDataRoot(), record.id, record.editGeneration));
            bool dropRow = record.Has(AssetEditOnly) || !record.Has(AssetInstalled);
            KadAssetRecord updated = record;
            updated.flags &= ~(AssetOpenForEdit | AssetEditOnly);
            KadChangeResult result = KadCommitAssetChange(store, connection, 0, change, [&] {
                return dropRow ? KadDeleteAssetRow(connection, record.id) : KadSaveAssetRow(connection, updated);
            });
            SendChangeLines(context, record.id, result, "Unable to revert asset: ");
            reverted = result.done;
        }
    }
    context.reply.WriteBool(reverted);
}

namespace {

// The edit config must name the asset. One that names no asset at all is
// refused like one that names another: text that reads as no config (or
// one whose "kuid" the user removed) would otherwise be committed with the
// id put in, and the asset would lose its kind, category and name.
bool CheckEditConfig(KadRequestContext& context, const std::string& editFolder, const KUID& id, SoupHandle& config)
{
    std::string error;
    if (!KadLoadFolderConfig(editFolder, config, error)) {
        KadSendAssetLine(context, LineError, id, "Unable to commit asset: " + error);
        return false;
    }
    KUID named = config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
    if (named == id)
        return true;
    if (named.IsNull()) {
        KadSendAssetLine(context, LineError, id,
                         "Unable to commit asset: its config cannot be read or names no asset id (\"kuid\").");
        return false;
    }
    KadSendAssetLine(context, LineError, id,
                     "Unable to commit asset: its config names another asset id " + KadAssetText(named) + ".");
    return false;
}

}  // namespace

// Payload: handle; int32 flags. Reply: bool committed; bool replaced an
// earlier revision. The edit folder becomes the next committed revision.
void KadHandleCommitAsset(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KadAssetHandleEntry entry;
    std::int32_t slot = 0;
    std::int32_t nonce = 0;
    bool handleOk = ReadHandle(context, store, entry, slot, nonce);
    std::int32_t flags = context.request.ReadInt32(0);
    bool committed = false;
    bool replaced = false;
    if (KadCanChangeStore(context) && handleOk) {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KadAssetRecord record;
        SoupHandle config;
        const std::string& root = store.UserDataRoot();
        if (!store.Find(entry.id, record) || !record.Has(AssetOpenForEdit)) {
            KadSendAssetLine(context, LineError, entry.id, "Unable to commit asset: it is not open for edit.");
        } else if (CheckEditConfig(context, KadEditFolder(root, record), record.id, config)) {
            KadStoreConnection& connection = *context.store;
            KadAssetRecord updated = record;
            updated.revision = record.revision + 1;
            while (KadFolderExists(KadRevisionFolder(root, record.id, updated.revision)))
                updated.revision += 1;
            KadAssetChange change;
            change.kind = "commit";
            change.id = record.id;
            change.source = KadEditGenerationFolder(root, record.id, record.editGeneration);
            change.destination = KadRevisionFolder(root, record.id, updated.revision);
            replaced = record.Has(AssetInstalled) && record.revision > 0;
            if (replaced)
                change.old.push_back(KadRevisionFolder(root, record.id, record.revision));
            updated.flags |= AssetInstalled;
            // The committed edit copy's config was just read; an unreadable
            // earlier revision no longer makes the asset faulty.
            updated.flags &= ~(AssetOpenForEdit | AssetEditOnly | AssetModified | AssetUnreadable);
            if ((flags & CommitSignatureVerified) == 0)
                updated.flags |= AssetModified;
            KadDeriveAssetMetadata(config, updated);
            std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
            updated.modifiedTime = now;
            if (updated.installedTime == 0)
                updated.installedTime = now;
            KadChangeResult result = KadCommitAssetChange(store, connection, 0, change,
                                                          [&] { return KadSaveAssetRow(connection, updated); });
            SendChangeLines(context, record.id, result, "Unable to commit asset: ");
            committed = result.done;
            if (!committed)
                replaced = false;
        }
    }
    context.reply.WriteBool(committed);
    context.reply.WriteBool(replaced);
}

// Payload: KUID; byte flag (bit 0: allocate an id for a null one); Str
// display name. Reply: handle; KUID; PStr store; Str folder.
void KadHandleOpenAssetForEdit(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    std::uint8_t flag = context.request.ReadUInt8(0);
    std::string displayName = context.request.ReadString().c_str();
    KadAssetRecord record;
    bool opened = false;
    if (KadCanChangeStore(context) && !context.request.HasError()) {
        if (id.IsNull() && (flag & 1) != 0)
            id = KadAllocateKUID(store, *context.store);
        if (!id.IsNull() && id.IsValid()) {
            std::lock_guard<std::mutex> hold(store.ChangeLock());
            if (store.Find(id, record))
                opened = KadEnsureEditCopy(store, *context.store, record);
            else
                opened = KadCreateEditOnlyAsset(store, *context.store, id, displayName, record);
        }
    }
    if (!opened) {
        WriteNoHandle(context.reply);
        context.reply.WriteKUID(NullKUID);
        KadWriteFolderReply(context.reply, std::string(), std::string());
        return;
    }
    WriteNewHandle(context, store, id, true);
    context.reply.WriteKUID(id);
    KadWriteFolderReply(context.reply, "editing", KadEditFolder(store.UserDataRoot(), record));
}

// Payload: KUID; byte flag. Reply: bool. The row goes in one transaction;
// the committed and edit folders move to the trash (never deleted outright).
void KadHandleDeleteAsset(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    context.request.ReadUInt8(0);
    bool deleted = false;
    if (!KadCanChangeStore(context)) {
        KadSendAssetLine(context, LineError, id, "Unable to delete asset: the asset database index is not open.");
    } else if (context.request.HasError() || id.IsNull()) {
        KadSendAssetLine(context, LineError, id, "Unable to delete asset: no asset id was given.");
    } else {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KadAssetRecord record;
        if (!store.Find(id, record)) {
            KadSendAssetLine(context, LineError, id, "Unknown AssetID.");
        } else if (record.Has(AssetBuiltin)) {
            KadSendAssetLine(context, LineError, id, "Unable to delete a built-in asset.");
        } else {
            KadStoreConnection& connection = *context.store;
            const std::string& root = store.UserDataRoot();
            KadAssetChange change;
            change.kind = "delete";
            change.id = id;
            if (record.revision > 0)
                change.old.push_back(KadRevisionFolder(root, id, record.revision));
            if (record.editGeneration > 0)
                change.old.push_back(KadEditGenerationFolder(root, id, record.editGeneration));
            KadChangeResult result = KadCommitAssetChange(store, connection, 0, change,
                                                          [&] { return KadDeleteAssetRow(connection, id); });
            SendChangeLines(context, id, result, "Unable to delete asset: ");
            deleted = result.done;
        }
    }
    context.reply.WriteBool(deleted);
}
