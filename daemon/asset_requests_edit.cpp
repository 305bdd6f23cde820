// Opening, editing, committing, reverting and deleting assets: OpenAsset, CloseAssetHandle, GetAssetFolder, RevertAsset, CommitAsset, OpenAssetForEdit and DeleteAsset.
#include "foundation/streams/t_buffer.h"
#include "daemon/asset_commit.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_edit.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_replies.h"
#include "daemon/asset_store_rows.h"
#include "daemon/kuid_range.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/store_connection.h"
#include "daemon/write_failure.h"

namespace {

constexpr int LineError = 3;

void WriteNoHandle(TBuffer& reply)
{
    reply.WriteInt32(-1);
    reply.WriteInt32(-1);
}

// A handle of this connection for the asset, as its two words.
void WriteNewHandle(KADRequestContext& context, KADAssetStore& store, const KUID& id, bool writable)
{
    std::int32_t slot = -1;
    std::int32_t nonce = -1;
    store.OpenHandle(context.connection, id, writable, slot, nonce);
    context.reply.WriteInt32(slot);
    context.reply.WriteInt32(nonce);
}

// Reads a handle of this connection; false for (-1, -1), an unknown or a
// foreign one.
bool ReadHandle(KADRequestContext& context, KADAssetStore& store, KADAssetHandleEntry& entry, std::int32_t& slot,
                std::int32_t& nonce)
{
    slot = context.request.ReadInt32(-1);
    nonce = context.request.ReadInt32(-1);
    return !context.request.HasError() && store.LookupHandle(context.connection, slot, nonce, entry);
}

}  // namespace

// Payload: KUID; byte writable. Reply: handle; PStr store; Str folder.
void KADHandleOpenAsset(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    bool writable = context.request.ReadBool(false);
    KADAssetRecord record;
    std::string storeName;
    std::string folder;
    bool opened = false;
    if (KADCanChangeStore(context) && !context.request.HasError()) {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        if (store.Find(id, record)) {
            if (writable && KADEnsureEditCopy(store, *context.store, record)) {
                storeName = "editing";
                folder = KADEditFolder(store.UserDataRoot(), record);
                opened = true;
            } else if (writable && !record.Has(AssetBuiltin) && record.Has(AssetInstalled)) {
                // A known asset whose edit copy could not be made: the
                // client would otherwise call it unknown.
                const char* why =
                    KADStoreDiskIsFull(store) ? "the disk is full." : "its edit copy could not be written.";
                KADSendAssetLine(context, LineError, id, std::string("Unable to open the asset for editing: ") + why);
            } else if (!writable) {
                opened = KADReadableFolder(store, record, storeName, folder);
            }
        }
    }
    if (!opened) {
        WriteNoHandle(context.reply);
        KADWriteFolderReply(context.reply, std::string(), std::string());
        return;
    }
    WriteNewHandle(context, store, id, writable);
    KADWriteFolderReply(context.reply, storeName, folder);
}

void KADHandleCloseAssetHandle(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    std::int32_t slot = context.request.ReadInt32(-1);
    std::int32_t nonce = context.request.ReadInt32(-1);
    store.CloseHandle(context.connection, slot, nonce);
}

// Payload: handle. Reply: PStr store; Str folder, recomputed from the row;
// empty when the asset is gone.
void KADHandleGetAssetFolder(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KADAssetHandleEntry entry;
    std::int32_t slot = 0;
    std::int32_t nonce = 0;
    KADAssetRecord record;
    std::string storeName;
    std::string folder;
    if (ReadHandle(context, store, entry, slot, nonce) && store.Find(entry.id, record)) {
        if (entry.writable && record.Has(AssetOpenForEdit)) {
            storeName = "editing";
            folder = KADEditFolder(store.UserDataRoot(), record);
        } else {
            KADReadableFolder(store, record, storeName, folder);
        }
    }
    KADWriteFolderReply(context.reply, storeName, folder);
}

// Payload: handle. Reply: bool. The edit copy goes to the trash; an asset
// that was never committed goes with it.
void KADHandleRevertAsset(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KADAssetHandleEntry entry;
    std::int32_t slot = 0;
    std::int32_t nonce = 0;
    bool reverted = false;
    if (KADCanChangeStore(context) && ReadHandle(context, store, entry, slot, nonce)) {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KADAssetRecord record;
        if (store.Find(entry.id, record) && record.Has(AssetOpenForEdit)) {
            KADStoreConnection& connection = *context.store;
            KADAssetChange change;
            change.kind = "revert";
            change.id = record.id;
            change.old.push_back(KADEditGenerationFolder(store.UserDataRoot(), record.id, record.editGeneration));
            bool dropRow = record.Has(AssetEditOnly) || !record.Has(AssetInstalled);
            KADAssetRecord updated = record;
            updated.flags &= ~(AssetOpenForEdit | AssetEditOnly);
            KADChangeResult result = store.CommitChange(connection, 0, change, [&] {
                return dropRow ? KADDeleteAssetRow(connection, record.id) : KADSaveAssetRow(connection, updated);
            });
            KADSendChangeLines(context, record.id, result, "Unable to revert asset: ");
            reverted = result.done;
        }
    }
    context.reply.WriteBool(reverted);
}

// Payload: handle; int32 flags. Reply: bool committed; bool replaced an
// earlier revision. The edit folder becomes the next committed revision.
void KADHandleCommitAsset(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KADAssetHandleEntry entry;
    std::int32_t slot = 0;
    std::int32_t nonce = 0;
    bool handleOk = ReadHandle(context, store, entry, slot, nonce);
    std::int32_t flags = context.request.ReadInt32(0);
    bool replaced = false;
    bool committed = handleOk && KADCommitEditCopy(context, entry.id, flags, replaced);
    context.reply.WriteBool(committed);
    context.reply.WriteBool(replaced);
}

// Payload: KUID; byte flag (bit 0: allocate an id for a null one); Str
// display name. Reply: handle; KUID; PStr store; Str folder.
void KADHandleOpenAssetForEdit(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    std::uint8_t flag = context.request.ReadUInt8(0);
    std::string displayName = context.request.ReadString().c_str();
    KADAssetRecord record;
    bool opened = false;
    if (KADCanChangeStore(context) && !context.request.HasError()) {
        if (id.IsNull() && (flag & 1) != 0)
            id = KADAllocateKUID(store, *context.store);
        if (!id.IsNull() && id.IsValid()) {
            std::lock_guard<std::mutex> hold(store.ChangeLock());
            if (store.Find(id, record))
                opened = KADEnsureEditCopy(store, *context.store, record);
            else
                opened = KADCreateEditOnlyAsset(store, *context.store, id, displayName, record);
        }
    }
    if (!opened) {
        WriteNoHandle(context.reply);
        context.reply.WriteKUID(NullKUID);
        KADWriteFolderReply(context.reply, std::string(), std::string());
        return;
    }
    WriteNewHandle(context, store, id, true);
    context.reply.WriteKUID(id);
    KADWriteFolderReply(context.reply, "editing", KADEditFolder(store.UserDataRoot(), record));
}

// Payload: KUID; byte flag. Reply: bool. The row goes in one transaction;
// the committed and edit folders move to the trash (never deleted outright).
void KADHandleDeleteAsset(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    context.request.ReadUInt8(0);
    bool deleted = false;
    if (!KADCanChangeStore(context)) {
        KADSendAssetLine(context, LineError, id, "Unable to delete asset: the asset database index is not open.");
    } else if (context.request.HasError() || id.IsNull()) {
        KADSendAssetLine(context, LineError, id, "Unable to delete asset: no asset id was given.");
    } else {
        std::lock_guard<std::mutex> hold(store.ChangeLock());
        KADAssetRecord record;
        if (!store.Find(id, record)) {
            KADSendAssetLine(context, LineError, id, "Unknown AssetID.");
        } else if (record.Has(AssetBuiltin)) {
            KADSendAssetLine(context, LineError, id, "Unable to delete a built-in asset.");
        } else {
            KADStoreConnection& connection = *context.store;
            const std::string& root = store.UserDataRoot();
            KADAssetChange change;
            change.kind = "delete";
            change.id = id;
            if (record.revision > 0)
                change.old.push_back(KADRevisionFolder(root, id, record.revision));
            if (record.editGeneration > 0)
                change.old.push_back(KADEditGenerationFolder(root, id, record.editGeneration));
            KADChangeResult result =
                store.CommitChange(connection, 0, change, [&] { return KADDeleteAssetRow(connection, id); });
            KADSendChangeLines(context, id, result, "Unable to delete asset: ");
            deleted = result.done;
        }
    }
    context.reply.WriteBool(deleted);
}
