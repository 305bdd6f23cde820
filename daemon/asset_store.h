// The asset store: the in-memory mirror of the asset rows, the store's folders and the lock that orders its changes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "kuid/kuid.h"

class KADConnection;
class KADStoreConnection;
struct KADRequestContext;

// Status bits of a row (the index keeps them as one integer).
enum KADAssetFlag : std::uint32_t {
    AssetInstalled = 1u << 0,    // "I": a committed revision folder exists
    AssetOpenForEdit = 1u << 1,  // "E": an edit copy exists
    AssetModified = 1u << 2,     // "L"
    AssetFromService = 1u << 3,  // "D"
    AssetServiceItem = 1u << 4,  // status 0 bit 5
    AssetArchived = 1u << 5,     // "A"
    AssetFaulty = 1u << 6,       // "F"
    AssetWarnings = 1u << 7,
    AssetMissingDependencies = 1u << 8,  // "M"
    AssetEditOnly = 1u << 9,             // created for edit, never committed
    AssetBuiltin = 1u << 10,
    // Set by the repair only, and cleared by it or by a change that puts a
    // readable revision in place (install, commit), so that a repair that
    // can read the folder again never clears what a validation found.
    AssetUnreadable = 1u << 11,
};

// One asset as the index keeps it.
struct KADAssetRecord {
    KUID id;
    std::uint32_t flags = 0;
    std::string store = "local";
    std::int32_t revision = 0;        // committed folder r<revision>; 0 = none
    std::string leaf;                 // the folder name below the revision folder
    std::int32_t editGeneration = 0;  // edit folder e<generation>; 0 = none
    std::string name;
    std::string kind;
    std::string category;  // category codes, no tags
    std::string region;
    std::string era;
    std::string keywords;  // user keywords, ";"-separated, without "#"
    std::string description;
    std::string authorName;
    float build = 0.0f;
    std::int32_t authorId = 0;
    std::int32_t rating = 255;
    std::int64_t installedTime = 0;
    std::int64_t modifiedTime = 0;
    std::int32_t downloadSize = -1;
    bool hasScript = false;
    std::vector<KUID> dependencies;
    std::vector<KUID> obsoletes;

    bool Has(std::uint32_t flag) const { return (flags & flag) != 0; }
    // "F": the last validation failed, or the repair found the committed
    // folder but could read none of its revisions.
    bool IsFaulty() const { return Has(AssetFaulty) || Has(AssetUnreadable); }
    bool operator==(const KADAssetRecord&) const = default;
};

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
    static bool Start(const std::string& userDataRoot, const std::string& databasePath, KADStoreConnection& connection);

    // The started store; null before Start or the first Get.
    static KADAssetStore* Instance();

    const std::string& UserDataRoot() const { return userDataRoot; }
    const std::string& DatabasePath() const { return databasePath; }
    // The configured user id for new ids; -1 when kaddaemon.cfg gives none.
    std::int32_t LocalUserId() const { return localUserId; }

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
        for (const auto& entry : mirror)
            visit(entry.second);
    }
    std::size_t Count() const;
    // The highest version of (user, content) among rows, -1 when none.
    std::int32_t HighestVersion(std::int32_t user, std::int32_t content, bool installedOnly) const;

    // Reloads one row from the index into the mirror (drops it when the
    // index has none); called after every committed change.
    void Refresh(KADStoreConnection& connection, const KUID& id);
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
    std::mutex changeLock;
    mutable std::shared_mutex mirrorLock;
    std::map<KUID, KADAssetRecord> mirror;
    std::mutex handleLock;
    std::map<std::int32_t, std::pair<std::int32_t, KADAssetHandleEntry>> handles;
    std::int32_t nextSlot = 1;
    std::uint32_t nonceState = 0x9e3779b9u;
};
