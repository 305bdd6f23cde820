// The journal that makes every change of the store atomic: stage, set aside, record the intent, move into place, clean up.
#include "daemon/asset_store_journal.h"

#include <cerrno>

#include "daemon/asset_folders.h"
#include "daemon/asset_journal_rows.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_rows.h"
#include "daemon/folder_moves.h"
#include "daemon/store_connection.h"

namespace {

std::string IndexError(KadStoreConnection& connection)
{
    return std::string("The asset database index cannot record the change: ") + connection.LastError() + ".";
}

// A change on its way: what was planned, and how far setting aside went.
class PendingChange {
public:
    PendingChange(KadAssetStore& store, KadStoreConnection& connection, const KadAssetChange& change)
        : store(store), connection(connection), change(change), root(store.UserDataRoot()),
          tag(KadNewOperationTag()), staged(change.source)
    {
    }

    KadChangeResult Run(std::int64_t begunId, const std::function<bool()>& updateRows)
    {
        journalId = begunId;
        KadAssetCrashPoint(change.kind, "staged");
        Plan();
        if (!RecordPlan() || !BringSourceBeside() || !SetOldAside()) {
            GiveUp();
            return Failed();
        }
        KadAssetCrashPoint(change.kind, "parked");
        if (!RecordIntent(updateRows)) {
            GiveUp();
            return Failed();
        }
        KadAssetCrashPoint(change.kind, "journaled");
        if (!MoveIntoPlace()) {
            TakeBack();
            return Failed();
        }
        KadAssetCrashPoint(change.kind, "renamed");
        KadChangeResult result;
        result.done = true;
        if (KadTrashAll(root, change.id, leaving, result.warning))
            KadJournalDelete(connection, journalId);
        KadRemoveEmptyAssetFolders(root, change.id);
        store.Refresh(connection, change.id);
        return result;
    }

private:
    bool HasDestination() const { return !change.destination.empty(); }

    void Plan()
    {
        if (!change.source.empty() && KadParentFolder(change.source) != KadParentFolder(change.destination)) {
            staged = KadParentFolder(change.destination) + "/.staging-" + tag;
            // Both entries share the source's place: undone last first, the
            // source set aside comes back before the copy is looked at.
            plan.push_back(KadSetAside{staged, change.source});
            plan.push_back(KadSetAside{KadSetAsideName(change.source, tag), change.source});
        }
        for (const std::string& folder : change.old) {
            if (folder != change.destination && KadFolderExists(folder))
                plan.push_back(KadSetAside{KadSetAsideName(folder, tag), folder});
        }
    }

    // Before any folder moves, so that a crash puts back whatever moved.
    bool RecordPlan()
    {
        if (plan.empty() && journalId != 0)
            return true;
        if (journalId == 0) {
            journalId = KadJournalInsert(connection, change.kind, change.id, staged, KadJournalPlanText(plan));
            if (journalId == 0)
                error = IndexError(connection);
            return journalId != 0;
        }
        if (KadJournalUpdate(connection, journalId, staged, std::string(), KadJournalPlanText(plan)))
            return true;
        error = IndexError(connection);
        return false;
    }

    bool BringSourceBeside()
    {
        if (staged == change.source)
            return true;
        std::string parent = KadParentFolder(staged);
        if (!KadMakeFolders(parent)) {
            error = KadSystemError("Unable to create " + parent, errno);
            return false;
        }
        std::string reason;
        if (KadRenameFolder(change.source, staged, reason))
            return true;
        if (errno != EXDEV) {
            error = KadSystemError("The folder " + change.source + " cannot be moved to " + parent, errno);
            return false;
        }
        // Another file system: a flushed copy, then the source set aside
        // like any folder that leaves (it goes to the trash in the end).
        if (!KadCopyTree(change.source, staged, &reason) || !KadSyncFolder(parent)) {
            error = KadSystemError("The folder " + change.source + " cannot be copied to " + parent, errno);
            return false;
        }
        KadAssetCrashPoint(change.kind, "copied");
        std::string aside = KadSetAsideName(change.source, tag);
        if (!SetAsideOne(change.source, aside))
            return false;
        leaving.push_back(aside);
        return true;
    }

    bool SetAsideOne(const std::string& place, const std::string& aside)
    {
        std::string reason;
        if (KadRenameFolder(place, aside, reason))
            return true;
        error = KadSystemError("The folder " + place + " cannot be moved", errno);
        return false;
    }

    bool SetOldAside()
    {
        std::size_t first = staged == change.source ? 0 : 2;
        for (std::size_t i = first; i < plan.size(); ++i) {
            if (!SetAsideOne(plan[i].place, plan[i].folder))
                return false;
            leaving.push_back(plan[i].folder);
        }
        return true;
    }

    bool RecordIntent(const std::function<bool()>& updateRows)
    {
        hadRow = store.Find(change.id, previous);
        if (!connection.Exec("BEGIN IMMEDIATE")) {
            error = IndexError(connection);
            return false;
        }
        std::string destination = HasDestination() ? change.destination : KadJournalNoDestination;
        bool ok = KadJournalUpdate(connection, journalId, staged, destination, KadJournalLines(leaving)) &&
                  updateRows() && connection.Exec("COMMIT");
        if (!ok) {
            error = IndexError(connection);
            connection.Exec("ROLLBACK");
        }
        return ok;
    }

    bool MoveIntoPlace()
    {
        if (!HasDestination() || staged.empty())
            return true;
        std::string reason;
        int code = EIO;
        if (!KadAssetFaultPoint(change.kind, "rename")) {
            if (KadRenameFolder(staged, change.destination, reason))
                return true;
            code = errno;
        }
        error = KadSystemError("The new folder cannot be put in place at " + change.destination, code);
        return false;
    }

    // Recorded, but the new folder could not be put in place: the row goes
    // back as it was and the journal row back to its first phase, in one
    // transaction, then the folders go back. Should that transaction fail,
    // the intent stays and the next start finishes the change.
    void TakeBack()
    {
        bool restored = connection.Exec("BEGIN IMMEDIATE");
        if (restored) {
            restored = (hadRow ? KadSaveAssetRow(connection, previous) : KadDeleteAssetRow(connection, change.id)) &&
                       KadJournalUpdate(connection, journalId, staged, std::string(), KadJournalPlanText(plan)) &&
                       connection.Exec("COMMIT");
            if (!restored)
                connection.Exec("ROLLBACK");
        }
        if (restored) {
            GiveUp();
        } else {
            error += " The asset database daemon completes the change at its next start.";
            store.Refresh(connection, change.id);
        }
    }

    // Nothing recorded (or the record taken back): every folder back in
    // its place, the staged one to the trash.
    void GiveUp()
    {
        bool undone = KadUndoSetAside(root, change.id, plan);
        if (KadIsStagingFolder(staged))
            undone = KadMoveToTrash(root, change.id, staged) && undone;
        if (undone && journalId != 0)
            KadJournalDelete(connection, journalId);
        KadRemoveEmptyAssetFolders(root, change.id);
        store.Refresh(connection, change.id);
    }

    KadChangeResult Failed() const
    {
        KadChangeResult result;
        result.error = error;
        return result;
    }

    KadAssetStore& store;
    KadStoreConnection& connection;
    const KadAssetChange& change;
    std::string root;
    std::string tag;
    std::string staged;  // the source, beside its destination
    std::vector<KadSetAside> plan;
    std::vector<std::string> leaving;  // set aside, to the trash at the end
    std::int64_t journalId = 0;
    bool hadRow = false;
    KadAssetRecord previous;
    std::string error;
};

}  // namespace

std::int64_t KadBeginAssetChange(KadStoreConnection& connection, const KadAssetChange& change)
{
    return KadJournalInsert(connection, change.kind, change.id, change.source, std::string());
}

KadChangeResult KadCommitAssetChange(KadAssetStore& store, KadStoreConnection& connection, std::int64_t journalId,
                                     const KadAssetChange& change, const std::function<bool()>& updateRows)
{
    PendingChange pending(store, connection, change);
    return pending.Run(journalId, updateRows);
}

void KadAbandonAssetChange(KadAssetStore& store, KadStoreConnection& connection, std::int64_t journalId,
                           const KadAssetChange& change)
{
    // Only a staged folder of this change goes; an edit folder given as
    // source (a commit) stays where it is.
    bool undone = !KadIsStagingFolder(change.source) || KadMoveToTrash(store.UserDataRoot(), change.id, change.source);
    if (journalId != 0 && undone)
        KadJournalDelete(connection, journalId);
    KadRemoveEmptyAssetFolders(store.UserDataRoot(), change.id);
}
