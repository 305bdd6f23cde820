// Search, ids, authors, keywords, favourites and content-service hints: SearchAssets, SetAssetDownloadSize, SetLatestVersion, SetAssetFavorite, SetAssetKeywords, GenerateKUID and GetAuthorName.
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_filter_element.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_rows.h"
#include "daemon/kuid_range.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/search_filter.h"
#include "daemon/store_connection.h"
#include "daemon/write_failure.h"

namespace {

// A favourite shows as local rating 5; none as 255.
constexpr std::int32_t FavouriteRating = 5;
constexpr std::int32_t NoRating = 255;

// Changes one known row in its own transaction, then the mirror.
bool UpdateRow(KADRequestContext& context, const KUID& id, const std::function<void(KADAssetRecord&)>& change)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    if (context.store == nullptr || id.IsNull())
        return false;
    KADStoreConnection& connection = *context.store;
    std::lock_guard<std::mutex> hold(store.ChangeLock());
    KADAssetRecord record;
    if (!store.Find(id, record))
        return false;
    change(record);
    if (!connection.Exec("BEGIN IMMEDIATE"))
        return false;
    if (!KADSaveAssetRow(connection, record) || !connection.Exec("COMMIT")) {
        connection.Exec("ROLLBACK");
        return false;
    }
    store.Refresh(connection, id);
    return true;
}

}  // namespace

// Payload: the filter tree, or int32 0 for none. Reply: uint32 n; n KUIDs.
// A tree that cannot be read (an unknown element type, a body cut short,
// groups nested too deep) gives the empty list.
void KADHandleSearchAssets(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    std::int64_t start = context.request.Tell();
    std::int32_t code = context.request.ReadInt32(0);
    std::vector<KUID> ids;
    if (context.request.HasError() || code == 0) {
        ids = KADSearchAssets(store, nullptr);
    } else {
        context.request.MoveTo(start);
        std::unique_ptr<KADFilterElement> filter(ReadFilterElement(context.request));
        if (filter != nullptr)
            ids = KADSearchAssets(store, filter.get());
    }
    context.reply.WriteUInt32(static_cast<std::uint32_t>(ids.size()));
    for (const KUID& id : ids)
        context.reply.WriteKUID(id);
}

// Payload: KUID; int32 size. Marks the asset as known to the content service.
void KADHandleSetAssetDownloadSize(KADRequestContext& context)
{
    KUID id = context.request.ReadKUID();
    std::int32_t size = context.request.ReadInt32(-1);
    if (context.request.HasError())
        return;
    UpdateRow(context, id, [&](KADAssetRecord& record) {
        record.downloadSize = size;
        record.flags |= AssetFromService;
    });
}

// Payload: KUID; KUID latest. Kept as a hint for update questions.
void KADHandleSetLatestVersion(KADRequestContext& context)
{
    KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    KUID latest = context.request.ReadKUID();
    if (context.store == nullptr || context.request.HasError() || id.IsNull() || latest.IsNull())
        return;
    KADStatement store(*context.store, "INSERT OR REPLACE INTO latest_hint (user, content, version) VALUES (?, ?, ?)");
    store.BindInt64(1, latest.user);
    store.BindInt64(2, latest.content);
    store.BindInt64(3, latest.version);
    store.Run();
}

// Payload: KUID; byte favourite.
void KADHandleSetAssetFavorite(KADRequestContext& context)
{
    KUID id = context.request.ReadKUID();
    bool favourite = context.request.ReadBool(false);
    if (context.request.HasError())
        return;
    UpdateRow(context, id, [&](KADAssetRecord& record) { record.rating = favourite ? FavouriteRating : NoRating; });
}

// Payload: KUID; Str keyword text. Only its "#" tokens are the user's
// keywords; the rest is the category part of the same text.
void KADHandleSetAssetKeywords(KADRequestContext& context)
{
    KUID id = context.request.ReadKUID();
    std::string text = context.request.ReadString().c_str();
    if (context.request.HasError())
        return;
    UpdateRow(context, id, [&](KADAssetRecord& record) {
        record.keywords = KADKeywordsFromText(text);
        record.modifiedTime = static_cast<std::int64_t>(std::time(nullptr));
    });
}

namespace {

// Why no new id was given, for the error line sent with the null id.
std::string KUIDFailureText(const KADAssetStore& store, KADKUIDFailure failure)
{
    std::string text = "Unable to generate a new AssetID: ";
    switch (failure) {
    case KADKUIDFailure::NoUser:
        return text + "no \"kuid-user-id\" is set in kaddaemon.cfg.";
    case KADKUIDFailure::RangeUsedUp:
        return text + "every content number of user " + std::to_string(store.LocalUserId()) + " is taken.";
    default:
        return text + (KADStoreDiskIsFull(store) ? "the disk is full." : "the asset database could not be written.");
    }
}

}  // namespace

// Reply: a new KUID of the configured user, or the null KUID with an error
// line saying why (a client that registered no log drops it).
void KADHandleGenerateKUID(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KADKUIDFailure failure = KADKUIDFailure::WriteFailed;
    KUID id = context.store != nullptr ? KADAllocateKUID(store, *context.store, &failure) : NullKUID;
    if (id.IsNull()) {
        ResultsLog lines;
        lines.AddMessage(ResultsLog::MessageKind::Error, KUIDFailureText(store, failure).c_str());
        context.SendResultLines(lines);
    }
    context.reply.WriteKUID(id);
}

// Payload: int32 user id. Reply: int32 daemon id (the user id; -1 when no
// name is known); PStr the name from the first config of that author.
void KADHandleGetAuthorName(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    std::int32_t user = context.request.ReadInt32(-1);
    std::string name;
    if (!context.request.HasError()) {
        store.ForEach([&](const KADAssetRecord& row) {
            if (name.empty() && row.authorId == user && !row.authorName.empty())
                name = row.authorName;
        });
    }
    context.reply.WriteInt32(name.empty() ? -1 : user);
    context.reply.WritePString(Zel::PString(name.c_str()));
}
