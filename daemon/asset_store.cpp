// The asset store: the in-memory mirror of the asset rows, the store's folders and the lock that orders its changes.
#include "daemon/asset_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "daemon/asset_folders.h"
#include "daemon/asset_store_columns.h"
#include "daemon/asset_store_journal.h"
#include "daemon/asset_store_rows.h"
#include "daemon/daemon_config.h"
#include "daemon/daemon_paths.h"
#include "daemon/daemon_connection.h"
#include "daemon/request_context.h"
#include "daemon/store_connection.h"
#include "soup/soup_handle.h"

namespace {

std::mutex instanceLock;
std::unique_ptr<KADAssetStore> instance;

// Handles beyond this many make the table drop those of closed connections.
constexpr std::size_t HandleSweepSize = 4096;

}  // namespace

bool KADAssetStore::Start(const std::string& userDataRoot, const std::string& databasePath,
                          const KADDaemonConfig& config, KADStoreConnection& connection)
{
    std::lock_guard<std::mutex> hold(instanceLock);
    if (instance != nullptr)
        return true;
    auto store = std::make_unique<KADAssetStore>();
    store->userDataRoot = userDataRoot;
    store->databasePath = databasePath;
    store->localUserId = config.localUserId;
    store->trashRetentionDays = config.trashRetentionDays;
    if (!KADRecoverAssetChanges(userDataRoot, connection) || !store->Load(connection))
        return false;
    instance = std::move(store);
    static std::once_flag listening;
    std::call_once(listening, [] {
        KADConnection::AddEndListener([](const KADConnection& owner) {
            if (KADAssetStore* store = KADAssetStore::Instance())
                store->ReleaseHandlesOf(owner);
        });
    });
    return true;
}

KADAssetStore* KADAssetStore::Instance()
{
    std::lock_guard<std::mutex> hold(instanceLock);
    return instance.get();
}

KADAssetStore& KADAssetStore::Get(KADRequestContext& context)
{
    {
        std::lock_guard<std::mutex> hold(instanceLock);
        if (instance != nullptr)
            return *instance;
    }
    // Without an index connection nothing can be known or changed: an
    // empty store that is never kept answers (its root is empty, so no
    // handler finds a folder through it).
    static KADAssetStore empty;
    if (context.store == nullptr || context.store->Handle() == nullptr)
        return empty;
    // A store that could not recover serves nothing and changes nothing; the
    // next request tries again.
    bool started = false;
    if (context.paths != nullptr && context.config != nullptr) {
        started = Start(context.paths->userDataRoot, context.paths->databasePath, *context.config, *context.store);
    } else {
        // A context made without a server: the index file lies in
        // <user data>/assets.tdx, and kaddaemon.cfg beside it.
        const char* name = sqlite3_db_filename(context.store->Handle(), "main");
        std::string databasePath = KADParentFolder(name != nullptr ? name : "");
        started = Start(KADParentFolder(databasePath), databasePath, KADLoadDaemonConfig(databasePath), *context.store);
    }
    if (!started)
        return empty;
    std::lock_guard<std::mutex> hold(instanceLock);
    return *instance;
}

bool KADAssetStore::Load(KADStoreConnection& connection)
{
    std::unique_lock<std::shared_mutex> hold(mirrorLock);
    mirror.Clear();
    ++mirrorGeneration;
    bool loaded = KADLoadAllAssetRows(connection, [this](KADAssetRecord&& record) { mirror.Append(record); });
    mirror.FinishAppends();
    return loaded;
}

bool KADAssetStore::Find(const KUID& id, KADAssetRecord& record) const
{
    std::shared_lock<std::shared_mutex> hold(mirrorLock);
    return mirror.Find(id, record);
}

std::size_t KADAssetStore::Count() const
{
    std::shared_lock<std::shared_mutex> hold(mirrorLock);
    return mirror.Count();
}

std::shared_ptr<const KADSearchColumns> KADAssetStore::SearchColumns() const
{
    std::lock_guard<std::mutex> rebuild(columnsLock);
    std::shared_lock<std::shared_mutex> hold(mirrorLock);
    if (columns != nullptr && columnsGeneration == mirrorGeneration)
        return columns;
    KADSearchColumnsBuilder builder(mirror.Count());
    mirror.ForEach([&builder](const KADAssetRecord& row) { builder.Add(row); });
    columns = std::make_shared<const KADSearchColumns>(builder.Take());
    columnsGeneration = mirrorGeneration;
    return columns;
}

std::int32_t KADAssetStore::HighestVersion(std::int32_t user, std::int32_t content, bool installedOnly) const
{
    std::shared_lock<std::shared_mutex> hold(mirrorLock);
    return mirror.HighestVersion(user, content, installedOnly);
}

void KADAssetStore::Refresh(KADStoreConnection& connection, const KUID& id)
{
    KADAssetRecord record;
    bool present = KADLoadAssetRow(connection, id, record);
    std::unique_lock<std::shared_mutex> hold(mirrorLock);
    ++mirrorGeneration;
    if (present)
        mirror.Put(record);
    else
        mirror.Erase(id);
}

KADChangeResult KADAssetStore::CommitChange(KADStoreConnection& connection, std::int64_t journalId,
                                            const KADAssetChange& change, const std::function<bool()>& updateRows)
{
    std::optional<KADAssetRecord> previous;
    KADAssetRecord record;
    if (Find(change.id, record))
        previous = std::move(record);
    KADChangeResult result = KADCommitAssetChange(userDataRoot, connection, journalId, change, previous, updateRows);
    // Done, put back or left for the next start: the index says which.
    Refresh(connection, change.id);
    return result;
}

void KADAssetStore::AbandonChange(KADStoreConnection& connection, std::int64_t journalId, const KADAssetChange& change)
{
    KADAbandonAssetChange(userDataRoot, connection, journalId, change);
}

void KADAssetStore::PutInMirror(const KADAssetRecord& record)
{
    std::unique_lock<std::shared_mutex> hold(mirrorLock);
    ++mirrorGeneration;
    mirror.Put(record);
}

void KADAssetStore::DropFromMirror(const KUID& id)
{
    std::unique_lock<std::shared_mutex> hold(mirrorLock);
    ++mirrorGeneration;
    mirror.Erase(id);
}

void KADAssetStore::OpenHandle(const std::shared_ptr<KADConnection>& owner, const KUID& id, bool writable,
                               std::int32_t& slot, std::int32_t& nonce)
{
    std::lock_guard<std::mutex> hold(handleLock);
    // A connection that ended while this request ran has let go of its
    // handles already; one kept now would never be released.
    if (!owner->IsOpen()) {
        slot = -1;
        nonce = -1;
        return;
    }
    if (handles.size() >= HandleSweepSize)
        DropHandlesOfClosedConnections();
    // A nonce, so a stale or guessed handle of a slot reused later names nothing.
    nonceState = nonceState * 1664525u + 1013904223u;
    nonce = static_cast<std::int32_t>(nonceState & 0x7fffffff);
    do {
        slot = nextSlot;
        nextSlot = nextSlot >= 0x7ffffffe ? 1 : nextSlot + 1;
    } while (handles.count(slot) != 0);
    handles[slot] = {nonce, KADAssetHandleEntry{id, writable, owner}};
    // An open handle keeps its connection from being closed as idle.
    owner->ItemOpened();
}

bool KADAssetStore::LookupHandle(const std::shared_ptr<KADConnection>& owner, std::int32_t slot, std::int32_t nonce,
                                 KADAssetHandleEntry& entry)
{
    std::lock_guard<std::mutex> hold(handleLock);
    auto found = handles.find(slot);
    if (found == handles.end() || found->second.first != nonce || found->second.second.owner.lock() != owner)
        return false;
    entry = found->second.second;
    return true;
}

void KADAssetStore::CloseHandle(const std::shared_ptr<KADConnection>& owner, std::int32_t slot, std::int32_t nonce)
{
    std::lock_guard<std::mutex> hold(handleLock);
    auto found = handles.find(slot);
    if (found != handles.end() && found->second.first == nonce && found->second.second.owner.lock() == owner) {
        handles.erase(found);
        owner->ItemClosed();
    }
}

void KADAssetStore::ReleaseHandlesOf(const KADConnection& owner)
{
    std::lock_guard<std::mutex> hold(handleLock);
    for (auto it = handles.begin(); it != handles.end();) {
        auto holder = it->second.second.owner.lock();
        if (holder == nullptr || holder.get() == &owner) {
            if (holder != nullptr)
                holder->ItemClosed();
            it = handles.erase(it);
        } else {
            ++it;
        }
    }
}

std::size_t KADAssetStore::HandleCount()
{
    std::lock_guard<std::mutex> hold(handleLock);
    return handles.size();
}

void KADAssetStore::DropHandlesOfClosedConnections()
{
    for (auto it = handles.begin(); it != handles.end();) {
        auto owner = it->second.second.owner.lock();
        if (owner == nullptr || !owner->IsOpen())
            it = handles.erase(it);
        else
            ++it;
    }
}
