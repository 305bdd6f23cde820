// Installing a batch of assets: one flush of all staged files and one index transaction for the intents.
#include <cerrno>
#include <ctime>
#include <optional>
#include <set>

#include "daemon/asset_folders.h"
#include "daemon/asset_install.h"
#include "daemon/asset_journal_rows.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_rows.h"
#include "daemon/folder_moves.h"
#include "daemon/store_connection.h"
#include "daemon/store_test_points.h"

namespace {

// Names the crash points: "install.<step>".
constexpr const char* Kind = "install";

// Journal rows of installs done whose renames no flush has covered yet:
// the next batch's flush covers them, and its intent transaction deletes
// them. Until then (or the next start) a crash redoes what a lost rename
// undid. Guarded by the store's change lock.
std::vector<std::int64_t> unflushedRows;

std::string IndexError(KADStoreConnection& connection)
{
    return std::string("The asset database index cannot record the change: ") + connection.LastError() + ".";
}

// One asset of the batch on its way in.
struct Entry {
    const KADInstallRequest* request = nullptr;
    KADInstallOutcome* outcome = nullptr;
    std::optional<KADAssetRecord> previous;
    KADAssetRecord updated;
    std::string staged;       // .staging-<tag> beside the destination
    std::string destination;  // r<revision>
    std::vector<std::string> old;
    std::vector<KADSetAside> plan;
    std::vector<std::string> leaving;  // set aside, to the trash at the end
    std::int64_t journalId = 0;
    bool live = false;    // nothing has stopped it yet
    bool placed = false;  // renamed into place
};

// Every step runs over all live entries before the next begins, so a batch
// costs one transaction recording the staging folders, one flush of the
// files and one intent transaction, whatever its size. The journal rows keep the single-change
// meaning (asset_journal_rows.h): a crash at any step is rolled back or
// forward per asset at the next start.
class Batch {
public:
    Batch(KADAssetStore& store, KADStoreConnection& connection, std::vector<Entry>& entries)
        : store(store), connection(connection), root(store.UserDataRoot()), entries(entries)
    {}

    void Run()
    {
        for (Entry& entry : entries)
            Prepare(entry);
        if (!RecordStaging())
            return;
        for (Entry* entry : Live())
            Stage(*entry);
        if (!FlushStaged())
            return;
        // The flush covered the renames of the batches before.
        flushedRows.swap(unflushedRows);
        KADAssetCrashPoint(Kind, "synced");
        SetOldAside();
        KADAssetCrashPoint(Kind, "parked");
        if (!RecordIntent()) {
            unflushedRows.insert(unflushedRows.end(), flushedRows.begin(), flushedRows.end());
            return;
        }
        KADAssetCrashPoint(Kind, "journaled");
        for (Entry* entry : Live())
            MoveIntoPlace(*entry);
        Publish();
    }

private:
    std::vector<Entry*> Live()
    {
        std::vector<Entry*> live;
        for (Entry& entry : entries)
            if (entry.live)
                live.push_back(&entry);
        return live;
    }

    void Prepare(Entry& entry)
    {
        const KADInstallRequest& request = *entry.request;
        KADAssetRecord existing;
        bool known = store.Find(request.id, existing);
        if (known && existing.Has(AssetBuiltin)) {
            entry.outcome->error = "A built-in asset cannot be replaced.";
            return;
        }
        if (known)
            entry.previous = existing;
        KADAssetRecord& updated = entry.updated;
        updated = known ? existing : KADAssetRecord();
        updated.id = request.id;
        updated.leaf = KADAssetLeafName(request.config, request.id);
        updated.revision = (known ? existing.revision : 0) + 1;
        while (KADFolderExists(KADRevisionFolder(root, request.id, updated.revision)))
            updated.revision += 1;
        entry.staged = KADStagingFolder(root, "local", request.id, KADNewOperationTag());
        entry.destination = KADRevisionFolder(root, request.id, updated.revision);
        if (known && existing.Has(AssetInstalled) && existing.revision > 0) {
            entry.old.push_back(KADRevisionFolder(root, request.id, existing.revision));
            entry.outcome->replaced = true;
        }
        if (known && existing.Has(AssetOpenForEdit)) {
            entry.old.push_back(KADEditGenerationFolder(root, request.id, existing.editGeneration));
            entry.outcome->warnings.push_back("The open edit copy of the asset was moved to the trash.");
        }
        updated.flags |= AssetInstalled | request.setFlags;
        // The new revision's config was just read: whatever the repair could
        // not read is no longer the asset's folder.
        updated.flags &= ~(AssetOpenForEdit | AssetEditOnly | AssetUnreadable | request.clearFlags);
        KADDeriveAssetMetadata(request.config, updated);
        std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
        updated.installedTime = now;
        updated.modifiedTime = now;
        entry.live = true;
    }

    void Fail(Entry& entry, const std::string& error)
    {
        entry.live = false;
        entry.outcome->error = error;
        entry.outcome->replaced = false;
        entry.outcome->warnings.clear();
    }

    // Nothing recorded (or the record taken back): every folder back in its
    // place, the staged one to the trash, the journal row gone.
    void GiveUp(Entry& entry, const std::string& error)
    {
        Fail(entry, error);
        const KUID& id = entry.request->id;
        bool undone = KADUndoSetAside(root, id, entry.plan);
        undone = KADMoveToTrash(root, id, entry.staged) && undone;
        if (undone && entry.journalId != 0)
            KADJournalDelete(connection, entry.journalId);
        KADRemoveEmptyAssetFolders(root, id);
    }

    void GiveUpAll(const std::string& error)
    {
        for (Entry* entry : Live())
            GiveUp(*entry, error);
    }

    // One index transaction applying the step to each entry; rolled back
    // whole when any step fails. The error then says why.
    template <class Step>
    bool InOneTransaction(const std::vector<Entry*>& some, Step step, std::string& error)
    {
        bool ok = connection.Exec("BEGIN IMMEDIATE");
        for (std::size_t i = 0; ok && i < some.size(); ++i)
            ok = step(*some[i]);
        if (ok && connection.Exec("COMMIT"))
            return true;
        error = IndexError(connection);
        connection.Exec("ROLLBACK");
        return false;
    }

    // Before any folder is made, so that a crash while staging leaves rows
    // that the next start rolls back.
    bool RecordStaging()
    {
        std::vector<Entry*> live = Live();
        if (live.empty())
            return false;
        std::string error;
        auto insert = [&](Entry& entry) {
            entry.journalId = KADJournalInsert(connection, Kind, entry.request->id, entry.staged, std::string());
            return entry.journalId != 0;
        };
        if (InOneTransaction(live, insert, error))
            return true;
        for (Entry* entry : live) {
            entry->journalId = 0;
            Fail(*entry, "The index cannot record the installation.");
        }
        return false;
    }

    void Stage(Entry& entry)
    {
        std::string leafFolder = entry.staged + "/" + entry.updated.leaf;
        std::string error;
        if (!KADMakeFolders(leafFolder) || !entry.request->fill(leafFolder, error)) {
            GiveUp(entry, error.empty() ? "Unable to write content files to disk" : error);
            return;
        }
        // With more assets to come: a crash between the assets of a batch.
        KADAssetCrashPoint(Kind, "staged");
    }

    // One flush for the files and folders of every staged asset.
    bool FlushStaged()
    {
        if (Live().empty())
            return false;
        if (KADSyncFileSystem(root + "/local"))
            return true;
        GiveUpAll(KADSystemError("Unable to write content files to disk", errno));
        return false;
    }

    // The folders that leave are set aside, each step recorded before it
    // is taken, so that a folder that cannot move stops its asset while
    // nothing of it is recorded yet.
    void SetOldAside()
    {
        std::vector<Entry*> moving;
        for (Entry* entry : Live()) {
            std::string tag = KADNewOperationTag();
            for (const std::string& folder : entry->old) {
                if (folder != entry->destination && KADFolderExists(folder))
                    entry->plan.push_back(KADSetAside{KADSetAsideName(folder, tag), folder});
            }
            if (!entry->plan.empty())
                moving.push_back(entry);
        }
        if (moving.empty())
            return;
        std::string error;
        auto record = [&](Entry& entry) {
            return KADJournalUpdate(connection, entry.journalId, entry.staged, std::string(),
                                    KADJournalPlanText(entry.plan));
        };
        if (!InOneTransaction(moving, record, error)) {
            for (Entry* entry : moving) {
                entry->plan.clear();
                GiveUp(*entry, error);
            }
            return;
        }
        for (Entry* entry : moving) {
            for (const KADSetAside& step : entry->plan) {
                std::string reason;
                if (!KADRenameFolder(step.place, step.folder, reason)) {
                    GiveUp(*entry, KADSystemError("The folder " + step.place + " cannot be moved", errno));
                    break;
                }
                entry->leaving.push_back(step.folder);
            }
        }
    }

    // From the commit on, every asset of the batch is installed whatever
    // happens: the next start finishes what a crash interrupts.
    bool RecordIntent()
    {
        std::vector<Entry*> live = Live();
        if (live.empty())
            return false;
        std::string error;
        auto record = [&](Entry& entry) {
            return KADJournalUpdate(connection, entry.journalId, entry.staged, entry.destination,
                                    KADJournalLines(entry.leaving)) &&
                   KADSaveAssetRow(connection, entry.updated);
        };
        auto recordAll = [&](Entry& entry) {
            if (&entry != live.front())
                return record(entry);
            for (std::int64_t journalId : flushedRows) {
                if (!KADJournalDelete(connection, journalId))
                    return false;
            }
            return record(entry);
        };
        if (InOneTransaction(live, recordAll, error))
            return true;
        GiveUpAll(error);
        return false;
    }

    void MoveIntoPlace(Entry& entry)
    {
        std::string reason;
        int code = EIO;
        if (!KADAssetFaultPoint(Kind, "rename")) {
            if (KADRenameFolder(entry.staged, entry.destination, reason, KADFlush::Later)) {
                entry.placed = true;
                // With more assets to come: a crash between the renames.
                KADAssetCrashPoint(Kind, "renamed");
                return;
            }
            code = errno;
        }
        TakeBack(entry, KADSystemError("The new folder cannot be put in place at " + entry.destination, code));
    }

    // Recorded, but the new folder could not be put in place: the row goes
    // back as it was and the journal row back to its first phase, in one
    // transaction, then the folders go back. Should that transaction fail,
    // the intent stays and the next start finishes the change.
    void TakeBack(Entry& entry, const std::string& error)
    {
        const KUID& id = entry.request->id;
        bool restored = connection.Exec("BEGIN IMMEDIATE");
        if (restored) {
            restored =
                (entry.previous ? KADSaveAssetRow(connection, *entry.previous) : KADDeleteAssetRow(connection, id)) &&
                KADJournalUpdate(connection, entry.journalId, entry.staged, std::string(),
                                 KADJournalPlanText(entry.plan)) &&
                connection.Exec("COMMIT");
            if (!restored)
                connection.Exec("ROLLBACK");
        }
        if (restored) {
            GiveUp(entry, error);
        } else {
            Fail(entry, error + " The asset database daemon completes the change at its next start.");
        }
    }

    // The renames are not flushed here: the intent is durable, so a rename
    // a crash loses is redone at the next start, and the journal row stays
    // until a later flush covers the rename (the next batch's).
    void Publish()
    {
        std::vector<Entry*> placed;
        for (Entry* entry : Live())
            if (entry->placed)
                placed.push_back(entry);
        if (placed.empty())
            return;
        KADAssetCrashPoint(Kind, "published");
        for (Entry* entry : placed) {
            entry->outcome->installed = true;
            std::string warning;
            bool trashed = KADTrashAll(root, entry->request->id, entry->leaving, warning);
            if (!warning.empty())
                entry->outcome->warnings.push_back(warning);
            if (trashed)
                unflushedRows.push_back(entry->journalId);
            KADRemoveEmptyAssetFolders(root, entry->request->id);
        }
    }

    KADAssetStore& store;
    KADStoreConnection& connection;
    std::string root;
    std::vector<Entry>& entries;
    std::vector<std::int64_t> flushedRows;  // of earlier batches, deleted with this batch's intent
};

}  // namespace

std::vector<KADInstallOutcome> KADInstallAssets(KADAssetStore& store, KADStoreConnection& connection,
                                                const std::vector<const KADInstallRequest*>& requests)
{
    std::vector<KADInstallOutcome> outcomes(requests.size());
    std::lock_guard<std::mutex> hold(store.ChangeLock());
    std::size_t first = 0;
    while (first < requests.size()) {
        // A batch holds each asset once: the next install of it replaces
        // what this batch put in place.
        std::vector<Entry> entries;
        std::set<KUID> ids;
        std::size_t end = first;
        for (; end < requests.size() && ids.insert(requests[end]->id).second; ++end) {
            Entry entry;
            entry.request = requests[end];
            entry.outcome = &outcomes[end];
            entries.push_back(std::move(entry));
        }
        Batch(store, connection, entries).Run();
        // Done, put back or left for the next start: the index says which.
        for (const Entry& entry : entries)
            store.Refresh(connection, entry.request->id);
        first = end;
    }
    return outcomes;
}
