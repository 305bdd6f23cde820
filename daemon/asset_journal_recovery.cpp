// Finishing or undoing at start the changes the journal holds: a crash at any step leaves no half asset.
#include <cerrno>

#include "daemon/asset_folders.h"
#include "daemon/asset_journal_rows.h"
#include "daemon/asset_store_journal.h"
#include "daemon/folder_moves.h"
#include "daemon/store_connection.h"

namespace {

struct JournalRow {
    std::int64_t journalId = 0;
    std::string kind;
    KUID id;
    std::string source, destination, old;
};

// A source that is not beside its destination: rows written before sources
// were brought beside their destination first. From another file system
// it is copied beside it, put in place, and only then leaves.
bool MoveIntoPlaceAcross(const std::string& root, const KUID& id, const std::string& source,
                         const std::string& destination)
{
    std::string reason;
    if (!KADMakeFolders(KADParentFolder(destination)))
        return false;
    if (KADRenameFolder(source, destination, reason))
        return true;
    if (errno != EXDEV)
        return false;
    std::string staged = KADParentFolder(destination) + "/.staging-" + KADNewOperationTag();
    if (!KADCopyTree(source, staged, &reason) || !KADRenameFolder(staged, destination, reason)) {
        KADMoveToTrash(root, id, staged);
        return false;
    }
    return KADMoveToTrash(root, id, source);
}

// True when nothing of the row is left to do.
bool RollForward(const std::string& root, const JournalRow& row)
{
    if (!row.source.empty() && row.destination != KADJournalNoDestination && KADFolderExists(row.source)) {
        if (KADFolderExists(row.destination)) {
            // Never expected (destinations are fresh names); keep both.
            if (!KADMoveToTrash(root, row.id, row.source))
                return false;
        } else if (!MoveIntoPlaceAcross(root, row.id, row.source, row.destination)) {
            // The old folders stay until the new one is in place.
            return false;
        }
    }
    std::string warning;
    return KADTrashAll(root, row.id, KADJournalLinesOf(row.old), warning);
}

bool RollBack(const std::string& root, const JournalRow& row)
{
    bool undone = KADUndoSetAside(root, row.id, KADJournalPlanOf(row.old));
    if (KADIsStagingFolder(row.source))
        undone = KADMoveToTrash(root, row.id, row.source) && undone;
    return undone;
}

}  // namespace

bool KADRecoverAssetChanges(const std::string& userDataRoot, KADStoreConnection& connection)
{
    std::vector<JournalRow> rows;
    {
        KADStatement query(connection,
                           "SELECT op_id, kind, user, content, version, src, dst, old FROM op_journal ORDER BY op_id");
        if (!query.IsValid())
            return false;
        while (query.Step()) {
            rows.push_back(JournalRow{query.ColumnInt64(0), query.ColumnText(1),
                                      KUID(static_cast<std::int32_t>(query.ColumnInt64(2)),
                                           static_cast<std::int32_t>(query.ColumnInt64(3)),
                                           static_cast<std::int32_t>(query.ColumnInt64(4))),
                                      query.ColumnText(5), query.ColumnText(6), query.ColumnText(7)});
        }
        if (!query.Done())
            return false;
    }
    for (const JournalRow& row : rows) {
        bool finished = row.destination.empty() ? RollBack(userDataRoot, row) : RollForward(userDataRoot, row);
        KADRemoveEmptyAssetFolders(userDataRoot, row.id);
        // A row whose folders cannot move now stays for the next start; the
        // store serves meanwhile.
        if (finished && !KADJournalDelete(connection, row.journalId))
            return false;
    }
    return true;
}
