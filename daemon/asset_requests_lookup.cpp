// Asset look-ups: config, info record, folder, id resolution, description, dependency lists.
#include <algorithm>
#include <set>

#include "results/results_log.h"
#include "daemon/asset_folders.h"
#include "daemon/command_host_manager.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_replies.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/validation_verdicts.h"
#include "soup/binary_soup.h"

// Payload: KUID. Reply: the config as a binary soup; "no soup" for an
// unknown asset or one without a readable config.
void KADHandleGetAssetConfig(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    KADAssetRecord record;
    std::string storeName;
    std::string folder;
    SoupHandle config;
    std::string error;
    if (store.Find(id, record) && KADReadableFolder(store, record, storeName, folder))
        KADLoadFolderConfig(folder, config, error);
    WriteBinarySoup(context.reply, config);
}

// Payload: KUID; int32 mask. Every field goes out whatever the mask.
void KADHandleGetAssetInfo(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    KADAssetRecord record;
    bool found = !id.IsNull() && store.Find(id, record);
    KADWriteAssetInfo(context.reply, store, id, found ? &record : nullptr);
}

// Payload: KUID; byte flag (ignored). Reply: PStr store; Str the asset
// folder (not a file in it), as an open for reading gives it.
void KADHandleGetAssetConfigPath(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    KADAssetRecord record;
    std::string storeName;
    std::string folder;
    if (store.Find(id, record))
        KADReadableFolder(store, record, storeName, folder);
    KADWriteFolderReply(context.reply, storeName, folder);
}

// The exact id when the store has it; else the highest installed version
// of the same asset that is at least the one asked for; else unchanged.
void KADHandleResolveAssetID(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    KADAssetRecord record;
    if (id.IsNull() || store.Find(id, record)) {
        context.reply.WriteKUID(id);
        return;
    }
    std::int32_t highest = store.HighestVersion(id.user, id.content, true);
    context.reply.WriteKUID(highest >= id.version ? KUID(id.user, id.content, highest) : id);
}

// The highest version of the asset the store knows, or the asked id.
void KADHandleGetUpdatedAssetID(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    std::int32_t highest = id.IsNull() ? -1 : store.HighestVersion(id.user, id.content, false);
    context.reply.WriteKUID(highest > id.version ? KUID(id.user, id.content, highest) : id);
}

void KADHandleGetAssetDescription(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    KADAssetRecord record;
    store.Find(id, record);
    context.reply.WriteString(Zel::String(record.description.c_str()));
}

namespace {

void WriteIdList(TBuffer& reply, const std::vector<KUID>& ids)
{
    reply.WriteUInt32(static_cast<std::uint32_t>(ids.size()));
    for (const KUID& id : ids)
        reply.WriteKUID(id);
}

// An asset installed but not yet committed has no stored dependency list:
// its edit copy's config says what it needs (chbparse asks before it commits).
std::vector<KUID> DependenciesOf(const KADAssetStore& store, const KADAssetRecord& record)
{
    std::string folder = KADEditFolder(store.UserDataRoot(), record);
    if (folder.empty())
        return record.dependencies;
    SoupHandle config;
    std::string error;
    if (!KADLoadFolderConfig(folder, config, error))
        return record.dependencies;
    KADAssetRecord derived = record;
    KADDeriveAssetMetadata(config, derived);
    return derived.dependencies;
}

}  // namespace

// Payload: uint32 n; n KUIDs. Reply: the union of their dependencies, in
// order, each once. The count is checked against the bytes present.
void KADHandleGetDependencies(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    std::uint32_t count = context.request.ReadUInt32(0);
    std::int64_t available = (context.request.DataLength() - context.request.Tell()) / 8;
    if (count > available)
        count = static_cast<std::uint32_t>(std::max<std::int64_t>(available, 0));
    std::vector<KUID> result;
    std::set<KUID> seen;
    for (std::uint32_t i = 0; i < count; ++i) {
        KADAssetRecord record;
        if (!store.Find(context.request.ReadKUID(), record))
            continue;
        for (const KUID& dependency : DependenciesOf(store, record)) {
            if (seen.insert(dependency).second)
                result.push_back(dependency);
        }
    }
    WriteIdList(context.reply, result);
}

void KADHandleGetObsoletedAssets(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KADAssetRecord record;
    store.Find(context.request.ReadKUID(), record);
    WriteIdList(context.reply, record.obsoletes);
}

// Payload: PStr store; Str folder. Reply: bool. Validation runs in a
// command host (question 0); its lines reach the requester before the reply,
// each naming the folder's asset unless it names one of its own. Without an
// answer the requester gets one error line and false, never a pass nobody
// checked. A validator that can judge leaves its verdict in the asset's row
// (the F letter of status); a verdict the index refuses is an error line.
void KADHandleValidateAssetFolder(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    Zel::PString storeName = context.request.ReadPString();
    std::string folder = context.request.ReadString().c_str();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    KUID owner = NullKUID;
    store.ForEach([&](const KADAssetRecord& row) {
        std::string rowStore;
        std::string readable;
        if (owner.IsNull() && KADReadableFolder(store, row, rowStore, readable) && readable == folder)
            owner = row.id;
    });
    ResultsLog lines;
    std::int32_t valid = 0;
    std::string error;
    if (!KADValidateThroughHost(std::string(storeName.View()), folder, lines, valid, error)) {
        KADSendAssetLine(context, 3, owner, error);
        context.reply.WriteBool(false);
        return;
    }
    KADSendLinesAboutAsset(context, lines, owner);
    if (!owner.IsNull() && KADValidatorCanJudge() && KADCanChangeStore(context)) {
        ResultsLog refused;
        KADRecordValidationVerdicts(store, *context.store, {KADVerdictOf(owner, folder, lines, valid)}, refused);
        // A verdict the index refused leaves the old flags in place: the
        // requester must hear that, or status shows a stale F letter.
        KADSendLinesAboutAsset(context, refused, owner);
    }
    context.reply.WriteBool(valid != 0);
}
