// The journal that makes every change of the store atomic: stage, set aside, record the intent, move into place, clean up.
#include "daemon/asset_store_journal.h"

#include <cerrno>
#include <optional>

#include "daemon/asset_folders.h"
#include "daemon/asset_journal_rows.h"
#include "daemon/asset_store_rows.h"
#include "daemon/folder_moves.h"
#include "daemon/store_connection.h"

namespace {

std::string IndexError(KADStoreConnection& connection)
{
    return std::string("The asset database index cannot record the change: ") + connection.LastError() + ".";
}

// A change on its way: what was planned, and how far setting aside went.
class PendingChange {
public:
    PendingChange(const std::string& root, KADStoreConnection& connection, const KADAssetChange& change,
                  const std::optional<KADAssetRecord>& previous)
        : connection(connection),
          change(change),
          previous(previous),
          root(root),
          tag(KADNewOperationTag()),
          staged(change.source)
    {}

    KADChangeResult Run(std::int64_t begunId, const std::function<bool()>& updateRows)
    {
        journalId = begunId;
        KADAssetCrashPoint(change.kind, "staged");
        Plan();
        if (!RecordPlan() || !BringSourceBeside() || !SetOldAside()) {
            GiveUp();
            return Failed();
        }
        KADAssetCrashPoint(change.kind, "parked");
        if (!RecordIntent(updateRows)) {
            GiveUp();
            return Failed();
        }
        KADAssetCrashPoint(change.kind, "journaled");
        if (!MoveIntoPlace()) {
            TakeBack();
            return Failed();
        }
        KADAssetCrashPoint(change.kind, "renamed");
        KADChangeResult result;
        result.done = true;
        if (KADTrashAll(root, change.id, leaving, result.warning))
            KADJournalDelete(connection, journalId);
        KADRemoveEmptyAssetFolders(root, change.id);
        return result;
    }

private:
    bool HasDestination() const { return !change.destination.empty(); }

    void Plan()
    {
        if (!change.source.empty() && KADParentFolder(change.source) != KADParentFolder(change.destination)) {
            staged = KADParentFolder(change.destination) + "/.staging-" + tag;
            // Both entries share the source's place: undone last first, the
            // source set aside comes back before the copy is looked at.
            plan.push_back(KADSetAside{staged, change.source});
            plan.push_back(KADSetAside{KADSetAsideName(change.source, tag), change.source});
        }
        for (const std::string& folder : change.old) {
            if (folder != change.destination && KADFolderExists(folder))
                plan.push_back(KADSetAside{KADSetAsideName(folder, tag), folder});
        }
    }

    // Before any folder moves, so that a crash puts back whatever moved.
    bool RecordPlan()
    {
        if (plan.empty() && journalId != 0)
            return true;
        if (journalId == 0) {
            journalId = KADJournalInsert(connection, change.kind, change.id, staged, KADJournalPlanText(plan));
            if (journalId == 0)
                error = IndexError(connection);
            return journalId != 0;
        }
        if (KADJournalUpdate(connection, journalId, staged, std::string(), KADJournalPlanText(plan)))
            return true;
        error = IndexError(connection);
        return false;
    }

    bool BringSourceBeside()
    {
        if (staged == change.source)
            return true;
        std::string parent = KADParentFolder(staged);
        if (!KADMakeFolders(parent)) {
            error = KADSystemError("Unable to create " + parent, errno);
            return false;
        }
        std::string reason;
        if (KADRenameFolder(change.source, staged, reason))
            return true;
        if (errno != EXDEV) {
            error = KADSystemError("The folder " + change.source + " cannot be moved to " + parent, errno);
            return false;
        }
        // Another file system: a flushed copy, then the source set aside
        // like any folder that leaves (it goes to the trash in the end).
        if (!KADCopyTree(change.source, staged, &reason) || !KADSyncFolder(parent)) {
            error = KADSystemError("The folder " + change.source + " cannot be copied to " + parent, errno);
            return false;
        }
        KADAssetCrashPoint(change.kind, "copied");
        std::string aside = KADSetAsideName(change.source, tag);
        if (!SetAsideOne(change.source, aside))
            return false;
        leaving.push_back(aside);
        return true;
    }

    bool SetAsideOne(const std::string& place, const std::string& aside)
    {
        std::string reason;
        if (KADRenameFolder(place, aside, reason))
            return true;
        error = KADSystemError("The folder " + place + " cannot be moved", errno);
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
        if (!connection.Exec("BEGIN IMMEDIATE")) {
            error = IndexError(connection);
            return false;
        }
        std::string destination = HasDestination() ? change.destination : KADJournalNoDestination;
        bool ok = KADJournalUpdate(connection, journalId, staged, destination, KADJournalLines(leaving)) &&
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
        if (!KADAssetFaultPoint(change.kind, "rename")) {
            if (KADRenameFolder(staged, change.destination, reason))
                return true;
            code = errno;
        }
        error = KADSystemError("The new folder cannot be put in place at " + change.destination, code);
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
            restored = (previous ? KADSaveAssetRow(connection, *previous) : KADDeleteAssetRow(connection, change.id)) &&
                       KADJournalUpdate(connection, journalId, staged, std::string(), KADJournalPlanText(plan)) &&
                       connection.Exec("COMMIT");
            if (!restored)
                connection.Exec("ROLLBACK");
        }
        if (restored) {
            GiveUp();
        } else {
            error += " The asset database daemon completes the change at its next start.";
        }
    }

    // Nothing recorded (or the record taken back): every folder back in
    // its place, the staged one to the trash.
    void GiveUp()
    {
        bool undone = KADUndoSetAside(root, change.id, plan);
        if (KADIsStagingFolder(staged))
            undone = KADMoveToTrash(root, change.id, staged) && undone;
        if (undone && journalId != 0)
            KADJournalDelete(connection, journalId);
        KADRemoveEmptyAssetFolders(root, change.id);
    }

    KADChangeResult Failed() const
    {
        KADChangeResult result;
        result.error = error;
        return result;
    }

    KADStoreConnection& connection;
    const KADAssetChange& change;
    const std::optional<KADAssetRecord>& previous;
    std::string root;
    std::string tag;
    std::string staged;  // the source, beside its destination
    std::vector<KADSetAside> plan;
    std::vector<std::string> leaving;  // set aside, to the trash at the end
    std::int64_t journalId = 0;
    std::string error;
};

}  // namespace

std::int64_t KADBeginAssetChange(KADStoreConnection& connection, const KADAssetChange& change)
{
    return KADJournalInsert(connection, change.kind, change.id, change.source, std::string());
}

KADChangeResult KADCommitAssetChange(const std::string& userDataRoot, KADStoreConnection& connection,
                                     std::int64_t journalId, const KADAssetChange& change,
                                     const std::optional<KADAssetRecord>& previous,
                                     const std::function<bool()>& updateRows)
{
    PendingChange pending(userDataRoot, connection, change, previous);
    return pending.Run(journalId, updateRows);
}

void KADAbandonAssetChange(const std::string& userDataRoot, KADStoreConnection& connection, std::int64_t journalId,
                           const KADAssetChange& change)
{
    // Only a staged folder of this change goes; an edit folder given as
    // source (a commit) stays where it is.
    bool undone = !KADIsStagingFolder(change.source) || KADMoveToTrash(userDataRoot, change.id, change.source);
    if (journalId != 0 && undone)
        KADJournalDelete(connection, journalId);
    KADRemoveEmptyAssetFolders(userDataRoot, change.id);
}
