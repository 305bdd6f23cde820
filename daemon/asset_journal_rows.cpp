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

std::string KADJournalLines(const std::vector<std::string>& lines)
{
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty())
            joined += '\n';
        joined += line;
    }
    return joined;
}

std::vector<std::string> KADJournalLinesOf(const std::string& text)
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

std::string KADJournalPlanText(const std::vector<KADSetAside>& plan)
{
    std::vector<std::string> lines;
    for (const KADSetAside& entry : plan) {
        lines.push_back(entry.folder);
        lines.push_back(entry.place);
    }
    return KADJournalLines(lines);
}

std::vector<KADSetAside> KADJournalPlanOf(const std::string& text)
{
    std::vector<std::string> lines = KADJournalLinesOf(text);
    std::vector<KADSetAside> plan;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
        plan.push_back(KADSetAside{lines[i], lines[i + 1]});
    return plan;
}

std::int64_t KADJournalInsert(KADStoreConnection& connection, const char* kind, const KUID& id,
                              const std::string& source, const std::string& old)
{
    KADStatement insert(connection, "INSERT INTO op_journal (kind, user, content, version, src, dst, old, created)"
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

bool KADJournalUpdate(KADStoreConnection& connection, std::int64_t journalId, const std::string& source,
                      const std::string& destination, const std::string& old)
{
    KADStatement update(connection, "UPDATE op_journal SET src = ?, dst = ?, old = ? WHERE op_id = ?");
    update.BindText(1, source);
    update.BindText(2, destination);
    update.BindText(3, old);
    update.BindInt64(4, journalId);
    return update.Run() && sqlite3_changes(connection.Handle()) == 1;
}

bool KADJournalDelete(KADStoreConnection& connection, std::int64_t journalId)
{
    KADStatement remove(connection, "DELETE FROM op_journal WHERE op_id = ?");
    remove.BindInt64(1, journalId);
    return remove.Run();
}

std::string KADSetAsideName(const std::string& folder, const std::string& tag)
{
    return KADParentFolder(folder) + "/.staging-" + tag + "-" + BaseName(folder);
}

bool KADIsStagingFolder(const std::string& folder)
{
    return folder.find("/.staging-") != std::string::npos;
}

bool KADUndoSetAside(const std::string& root, const KUID& id, const std::vector<KADSetAside>& plan)
{
    bool ok = true;
    for (auto entry = plan.rbegin(); entry != plan.rend(); ++entry) {
        if (!KADFolderExists(entry->folder))
            continue;
        std::string reason;
        if (!KADFolderExists(entry->place))
            ok = KADRenameFolder(entry->folder, entry->place, reason) && ok;
        else
            ok = KADMoveToTrash(root, id, entry->folder) && ok;
    }
    return ok;
}

bool KADTrashAll(const std::string& root, const KUID& id, const std::vector<std::string>& folders, std::string& warning)
{
    bool ok = true;
    for (const std::string& folder : folders) {
        std::string reason;
        if (!KADMoveToTrash(root, id, folder, &reason)) {
            warning = "A replaced folder could not be moved to the trash yet (" + reason +
                      ") The asset database daemon tries again at its next start.";
            ok = false;
        }
    }
    return ok;
}
