// The change journal's rows in the index, and the folder steps their two phases stand for.
#include "daemon/asset_journal_rows.h"

#include <sqlite3.h>

#include <ctime>

#include "daemon/asset_folders.h"
#include "daemon/folder_moves.h"
#include "daemon/store_connection.h"

namespace {

std::string BaseName(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string KadJournalLines(const std::vector<std::string>& lines)
{
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty())
            joined += '\n';
        joined += line;
    }
    return joined;
}

std::vector<std::string> KadJournalLinesOf(const std::string& text)
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

std::string KadJournalPlanText(const std::vector<KadSetAside>& plan)
{
    std::vector<std::string> lines;
    for (const KadSetAside& entry : plan) {
        lines.push_back(entry.folder);
        lines.push_back(entry.place);
    }
    return KadJournalLines(lines);
}

std::vector<KadSetAside> KadJournalPlanOf(const std::string& text)
{
    std::vector<std::string> lines = KadJournalLinesOf(text);
    std::vector<KadSetAside> plan;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
        plan.push_back(KadSetAside{lines[i], lines[i + 1]});
    return plan;
}

std::int64_t KadJournalInsert(KadStoreConnection& connection, const char* kind, const KUID& id,
                              const std::string& source, const std::string& old)
{
    KadStatement insert(connection,
                        "INSERT INTO op_journal (kind, user, content, version, src, dst, old, created)"
                        " VALUES (?, ?, ?, ?, ?, '', ?, ?)");
    insert.BindText(1, kind);
    insert.BindInt64(2, id.user);
    insert.BindInt64(3, id.content);
    insert.BindInt64(4, id.version);
    insert.BindText(5, source);
    insert.BindText(6, old);
    insert.BindInt64(7, static_cast<std::int64_t>(std::time(nullptr)));
    if (!insert.Run())
        return 0;
    return sqlite3_last_insert_rowid(connection.Handle());
}

bool KadJournalUpdate(KadStoreConnection& connection, std::int64_t journalId, const std::string& source,
                      const std::string& destination, const std::string& old)
{
    KadStatement update(connection, "UPDATE op_journal SET src = ?, dst = ?, old = ? WHERE op_id = ?");
    update.BindText(1, source);
    update.BindText(2, destination);
    update.BindText(3, old);
    update.BindInt64(4, journalId);
    return update.Run() && sqlite3_changes(connection.Handle()) == 1;
}

bool KadJournalDelete(KadStoreConnection& connection, std::int64_t journalId)
{
    KadStatement remove(connection, "DELETE FROM op_journal WHERE op_id = ?");
    remove.BindInt64(1, journalId);
    return remove.Run();
}

std::string KadSetAsideName(const std::string& folder, const std::string& tag)
{
    return KadParentFolder(folder) + "/.staging-" + tag + "-" + BaseName(folder);
}

bool KadIsStagingFolder(const std::string& folder)
{
    return folder.find("/.staging-") != std::string::npos;
}

bool KadUndoSetAside(const std::string& root, const KUID& id, const std::vector<KadSetAside>& plan)
{
    bool ok = true;
    for (auto entry = plan.rbegin(); entry != plan.rend(); ++entry) {
        if (!KadFolderExists(entry->folder))
            continue;
        std::string reason;
        if (!KadFolderExists(entry->place))
            ok = KadRenameFolder(entry->folder, entry->place, reason) && ok;
        else
            ok = KadMoveToTrash(root, id, entry->folder) && ok;
    }
    return ok;
}

bool KadTrashAll(const std::string& root, const KUID& id, const std::vector<std::string>& folders,
                 std::string& warning)
{
    bool ok = true;
    for (const std::string& folder : folders) {
        std::string reason;
        if (!KadMoveToTrash(root, id, folder, &reason)) {
            warning = "A replaced folder could not be moved to the trash yet (" + reason +
                      ") The asset database daemon tries again at its next start.";
            ok = false;
        }
    }
    return ok;
}
