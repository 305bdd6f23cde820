// The asset store: the in-memory mirror of the asset rows, the store's folders and the lock that orders its changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "daemon/asset_record.h"
#include "daemon/asset_store_table.h"
#include "daemon/trash_purge.h"
#include "kuid/kuid.h"

class KADConnection;
class KADStoreConnection;
struct KADRequestContext;
struct KADDaemonConfig;
struct KADAssetChange;
struct KADChangeResult;
struct KADSearchColumns;

// What an open handle stands for.
struct KADAssetHandleEntry {
    KUID id;
    bool writable = false;
    std::weak_ptr<KADConnection> owner;
};

class KADAssetStore {
public:
    // The process-wide store, set up on first use from the worker's index
    // connection (the index lies in the database folder below the user-data
    // root); an interrupted change is finished before the first answer.
    static KADAssetStore& Get(KADRequestContext& context);
    // Sets up the store explicitly at daemon start (same work as Get's first call).
    static bool Start(const std::string& userDataRoot, const std::string& databasePath, const KADDaemonConfig& config,
                      KADStoreConnection& connection);

    // The started store; null before Start or the first Get.
    static KADAssetStore* Instance();

    const std::string& UserDataRoot() const { return userDataRoot; }
    const std::string& DatabasePath() const { return databasePath; }
    // The configured user id for new ids; -1 when kaddaemon.cfg gives none.
    std::int32_t LocalUserId() const { return localUserId; }
    // Days a trash entry is kept before a repair purges it.
    std::int32_t TrashRetentionDays() const { return trashRetentionDays; }

    // Every change of the store (rows and folders) runs under this lock, so
    // two requests never change one asset at once.
    std::mutex& ChangeLock() { return changeLock; }

    // Mirror reads. Find copies the row; false when the store has none.
    bool Find(const KUID& id, KADAssetRecord& record) const;
    // Calls visit for every row in id order under the read lock.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        std::shared_lock<std::shared_mutex> hold(mirrorLock);
        mirror.ForEach(visit);
    }
    std::size_t Count() const;
    // The search mirror of the rows as they are now: rebuilt after a
    // change by the first search, then shared by the searches until the
    // next change.
    std::shared_ptr<const KADSearchColumns> SearchColumns() const;
    // The highest version of (user, content) among rows, -1 when none.
    std::int32_t HighestVersion(std::int32_t user, std::int32_t content, bool installedOnly) const;

    // Reloads one row from the index into the mirror (drops it when the
    // index has none); called after every committed change.
    void Refresh(KADStoreConnection& connection, const KUID& id);
    // Runs a change through the journal, then brings the mirror in line
    // with the index whatever became of it. The caller holds ChangeLock.
    KADChangeResult CommitChange(KADStoreConnection& connection, std::int64_t journalId, const KADAssetChange& change,
                                 const std::function<bool()>& updateRows);
    // Gives up a change begun in the journal before anything was recorded.
    void AbandonChange(KADStoreConnection& connection, std::int64_t journalId, const KADAssetChange& change);
    // The same for a row the caller has just committed as given, without
    // reading it back (the repair writes many rows at once).
    void PutInMirror(const KADAssetRecord& record);
    void DropFromMirror(const KUID& id);

    // Handles: (slot, nonce); (-1, -1) never names one.
    void OpenHandle(const std::shared_ptr<KADConnection>& owner, const KUID& id, bool writable, std::int32_t& slot,
                    std::int32_t& nonce);
    bool LookupHandle(const std::shared_ptr<KADConnection>& owner, std::int32_t slot, std::int32_t nonce,
                      KADAssetHandleEntry& entry);
    void CloseHandle(const std::shared_ptr<KADConnection>& owner, std::int32_t slot, std::int32_t nonce);
    // Every handle of a connection that has ended.
    void ReleaseHandlesOf(const KADConnection& owner);
    std::size_t HandleCount();

private:
    bool Load(KADStoreConnection& connection);
    void DropHandlesOfClosedConnections();

    std::string userDataRoot;
    std::string databasePath;
    std::int32_t localUserId = -1;
    std::int32_t trashRetentionDays = KADDefaultTrashRetentionDays;
    std::mutex changeLock;
    mutable std::shared_mutex mirrorLock;
    KADAssetTable mirror;
    std::uint64_t mirrorGeneration = 0;  // counts the changes of the mirror
    mutable std::mutex columnsLock;      // taken before mirrorLock
    mutable std::shared_ptr<const KADSearchColumns> columns;
    mutable std::uint64_t columnsGeneration = 0;
    std::mutex handleLock;
    std::map<std::int32_t, std::pair<std::int32_t, KADAssetHandleEntry>> handles;
    std::int32_t nextSlot = 1;
    std::uint32_t nonceState = 0x9e3779b9u;
};
