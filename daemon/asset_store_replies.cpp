// Reply pieces shared by the asset requests: the info record, folders, handles and result lines.
#include "daemon/asset_store_replies.h"

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/request_context.h"
#include "daemon/store_connection.h"

namespace {

// A run of bools, one byte each on the wire, the first the lowest bit.
void WriteBits(TBuffer& reply, std::uint32_t bits, int count)
{
    for (int bit = 0; bit < count; ++bit)
        reply.WriteBool((bits >> bit) & 1u);
}

Zel::String Text(const std::string& text)
{
    return Zel::String(text.c_str());
}

}  // namespace

bool KADHasNewerInstalledVersion(const KADAssetStore& store, const KUID& id)
{
    return store.HighestVersion(id.user, id.content, true) > id.version;
}

void KADWriteAssetInfo(TBuffer& reply, const KADAssetStore& store, const KUID& asked, const KADAssetRecord* record)
{
    if (record == nullptr) {
        KADAssetRecord unknown;
        unknown.id = asked;
        reply.WriteKUID(asked);
        reply.WriteString(Text(""));
        reply.WriteString(Text(""));
        reply.WriteString(Text(""));
        WriteBits(reply, 1u, 8);
        WriteBits(reply, 0u, 8);
        WriteBits(reply, 0u, 2);
        reply.WriteInt32(0);
        reply.WritePString(Zel::PString());
        reply.WriteString(Text(""));
        reply.WriteInt32(-1);
        reply.WritePString(Zel::PString());
        reply.WriteString(Text(""));
        WriteBits(reply, 0u, 3);
        reply.WriteInt32(255);
        reply.WriteFloat(0.0f);
        reply.WriteInt64(0);
        reply.WriteInt64(0);
        reply.WriteKUID(NullKUID);
        reply.WriteBool(false);
        return;
    }
    const KADAssetRecord& r = *record;
    std::uint32_t status0 = 1u;
    status0 |= r.Has(AssetModified) ? 1u << 2 : 0u;
    status0 |= r.Has(AssetInstalled) ? 1u << 3 : 0u;
    status0 |= r.Has(AssetBuiltin) ? 1u << 4 : 0u;
    status0 |= r.Has(AssetServiceItem) ? 1u << 5 : 0u;
    status0 |= r.Has(AssetFromService) ? 1u << 6 : 0u;
    status0 |= r.Has(AssetArchived) ? 1u << 7 : 0u;
    std::uint32_t status1 = 0u;
    status1 |= r.Has(AssetOpenForEdit) ? 1u : 0u;
    status1 |= r.IsFaulty() ? 1u << 1 : 0u;
    status1 |= r.Has(AssetMissingDependencies) ? 1u << 3 : 0u;
    bool obsolete = KADHasNewerInstalledVersion(store, r.id);
    bool upToDate = store.HighestVersion(r.id.user, r.id.content, false) <= r.id.version;
    std::string storeName;
    std::string folder;
    KADReadableFolder(store, r, storeName, folder);

    reply.WriteKUID(r.id);
    reply.WriteString(Text(r.name));
    reply.WriteString(Text(r.region));
    reply.WriteString(Text(KADCategoryWithTags(r)));
    WriteBits(reply, status0, 8);
    WriteBits(reply, status1, 8);
    WriteBits(reply, (r.hasScript ? 1u : 0u) | (r.Has(AssetWarnings) ? 2u : 0u), 2);
    reply.WriteInt32(r.authorId);
    reply.WritePString(Zel::PString(r.authorName.c_str()));
    reply.WriteString(Text(r.era));
    reply.WriteInt32(r.downloadSize);
    reply.WritePString(Zel::PString(storeName.c_str()));
    reply.WriteString(Text(r.category));
    WriteBits(reply, (obsolete ? 1u : 0u) | (upToDate ? 2u : 0u) | (r.Has(AssetInstalled) ? 4u : 0u), 3);
    reply.WriteInt32(r.rating);
    reply.WriteFloat(r.build);
    reply.WriteInt64(r.installedTime);
    reply.WriteInt64(r.modifiedTime);
    reply.WriteKUID(NullKUID);
    reply.WriteBool(true);
}

bool KADReadableFolder(const KADAssetStore& store, const KADAssetRecord& record, std::string& storeName,
                       std::string& folder)
{
    folder = KADEditFolder(store.UserDataRoot(), record);
    if (!folder.empty()) {
        storeName = "editing";
        return true;
    }
    folder = KADCommittedFolder(store.UserDataRoot(), record);
    storeName = folder.empty() ? std::string() : record.store;
    return !folder.empty();
}

void KADWriteFolderReply(TBuffer& reply, const std::string& storeName, const std::string& folder)
{
    reply.WritePString(Zel::PString(storeName.c_str()));
    reply.WriteString(Text(folder));
}

void KADSendAssetLine(KADRequestContext& context, int kind, const KUID& id, const std::string& text)
{
    ResultsLog lines;
    lines.AddAssetMessage(static_cast<ResultsLog::MessageKind>(kind), id, text.c_str());
    context.SendResultLines(lines);
}

void KADSendChangeLines(KADRequestContext& context, const KUID& id, const KADChangeResult& result, const char* failed)
{
    constexpr int LineWarning = 2;
    constexpr int LineError = 3;
    if (!result.done)
        KADSendAssetLine(context, LineError, id, failed + (result.error.empty() ? "Unknown error." : result.error));
    else if (!result.warning.empty())
        KADSendAssetLine(context, LineWarning, id, result.warning);
}

std::string KADAssetText(const KUID& id)
{
    return std::string(id.ToTagString().c_str());
}

bool KADCanChangeStore(KADRequestContext& context)
{
    return context.store != nullptr && context.store->IsOpen() && KADAssetStore::Instance() != nullptr;
}
