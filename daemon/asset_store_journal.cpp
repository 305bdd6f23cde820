// The journal that makes every change of the store atomic: stage, record the intent, rename, clean up.
#include "daemon/asset_store_journal.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/store_connection.h"

namespace {

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty())
            joined += '\n';
        joined += line;
    }
    return joined;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool DeleteJournalRow(KadStoreConnection& connection, std::int64_t journalId)
{
    KadStatement remove(connection, "DELETE FROM op_journal WHERE op_id = ?");
    remove.BindInt64(1, journalId);
    return remove.Run();
}

// Rename source to destination (the step the intent promises), then the old
// folders to the trash. Safe to repeat: each part checks what is there.
void RollForward(const std::string& root, const KUID& id, const std::string& source, const std::string& destination,
                 const std::vector<std::string>& old, const char* kind)
{
    if (!source.empty() && KadFolderExists(source)) {
        if (KadFolderExists(destination)) {
            // Never expected (destinations are fresh names); keep both.
            KadMoveToTrash(root, id, source);
        } else {
            KadMakeFolders(KadParentFolder(destination));
            if (rename(source.c_str(), destination.c_str()) == 0) {
                KadSyncFolder(KadParentFolder(source));
                KadSyncFolder(KadParentFolder(destination));
            }
        }
    }
    KadAssetCrashPoint(kind, "renamed");
    for (const std::string& folder : old) {
        if (folder != destination)
            KadMoveToTrash(root, id, folder);
    }
}

}  // namespace

void KadAssetCrashPoint(const char* kind, const char* step)
{
#ifdef KORVEL_TEST_HOOKS
    const char* wanted = std::getenv("KAD_TEST_CRASH_AT");
    if (wanted == nullptr)
        return;
    std::string point = std::string(kind) + "." + step;
    if (point == wanted)
        _exit(86);
#else
    (void)kind;
    (void)step;
#endif
}

std::int64_t KadBeginAssetChange(KadStoreConnection& connection, const KadAssetChange& change)
{
    KadStatement insert(connection,
                        "INSERT INTO op_journal (kind, user, content, version, src, dst, old, created)"
                        " VALUES (?, ?, ?, ?, ?, '', '', ?)");
    insert.BindText(1, change.kind);
    insert.BindInt64(2, change.id.user);
    insert.BindInt64(3, change.id.content);
    insert.BindInt64(4, change.id.version);
    insert.BindText(5, change.source);
    insert.BindInt64(6, static_cast<std::int64_t>(std::time(nullptr)));
    if (!insert.Run())
        return 0;
    return sqlite3_last_insert_rowid(connection.Handle());
}

bool KadCommitAssetChange(KadAssetStore& store, KadStoreConnection& connection, std::int64_t journalId,
                          const KadAssetChange& change, const std::function<bool()>& updateRows)
{
    KadAssetCrashPoint(change.kind, "staged");
    if (!connection.Exec("BEGIN IMMEDIATE")) {
        KadAbandonAssetChange(store, connection, journalId, change);
        return false;
    }
    bool ok = true;
    if (journalId == 0) {
        journalId = KadBeginAssetChange(connection, change);
        ok = journalId != 0;
    }
    KadStatement intent(connection, "UPDATE op_journal SET src = ?, dst = ?, old = ? WHERE op_id = ?");
    intent.BindText(1, change.source);
    // "-" marks an intent that moves nothing into place (a delete); an empty
    // destination means a change that never got past staging.
    intent.BindText(2, change.destination.empty() ? std::string("-") : change.destination);
    intent.BindText(3, JoinLines(change.old));
    intent.BindInt64(4, journalId);
    ok = ok && intent.Run() && updateRows() && connection.Exec("COMMIT");
    if (!ok) {
        connection.Exec("ROLLBACK");
        KadAbandonAssetChange(store, connection, journalId, change);
        store.Refresh(connection, change.id);
        return false;
    }
    KadAssetCrashPoint(change.kind, "journaled");
    RollForward(store.UserDataRoot(), change.id, change.source, change.destination, change.old, change.kind);
    DeleteJournalRow(connection, journalId);
    store.Refresh(connection, change.id);
    return true;
}

void KadAbandonAssetChange(KadAssetStore& store, KadStoreConnection& connection, std::int64_t journalId,
                           const KadAssetChange& change)
{
    // Only a staged folder of this change goes; an edit folder given as
    // source (a commit) stays where it is.
    if (journalId != 0 && change.source.find("/.staging-") != std::string::npos)
        KadMoveToTrash(store.UserDataRoot(), change.id, change.source);
    if (journalId != 0)
        DeleteJournalRow(connection, journalId);
}

bool KadRecoverAssetChanges(const std::string& userDataRoot, KadStoreConnection& connection)
{
    struct Row {
        std::int64_t journalId;
        std::string kind;
        KUID id;
        std::string source, destination, old;
    };
    std::vector<Row> rows;
    {
        KadStatement query(connection, "SELECT op_id, kind, user, content, version, src, dst, old FROM op_journal ORDER BY op_id");
        if (!query.IsValid())
            return false;
        while (query.Step()) {
            rows.push_back(Row{query.ColumnInt64(0), query.ColumnText(1),
                               KUID(static_cast<std::int32_t>(query.ColumnInt64(2)),
                                    static_cast<std::int32_t>(query.ColumnInt64(3)),
                                    static_cast<std::int32_t>(query.ColumnInt64(4))),
                               query.ColumnText(5), query.ColumnText(6), query.ColumnText(7)});
        }
    }
    for (const Row& row : rows) {
        if (row.destination.empty()) {
            // Staging only: the change never became an intent; roll back.
            if (row.source.find("/.staging-") != std::string::npos)
                KadMoveToTrash(userDataRoot, row.id, row.source);
        } else {
            RollForward(userDataRoot, row.id, row.source, row.destination, SplitLines(row.old), "recover");
        }
        if (!DeleteJournalRow(connection, row.journalId))
            return false;
    }
    return true;
}
