// Reading and writing asset rows of the index (the mirror's source).
#include "daemon/asset_store_rows.h"

#include <bit>
#include <unordered_map>

#include "daemon/store_connection.h"

namespace {

constexpr const char* RowColumns =
    "user, content, version, flags, store, rev, leaf, edit_gen, name, kind, category, region, era, keywords,"
    " description, author_name, build, author_id, rating, installed_ts, modified_ts, download_size, has_script";

// Lists kept beside the row: 0 dependencies, 1 obsoleted ids.
constexpr int DependencyList = 0;
constexpr int ObsoleteList = 1;

void ReadRow(KADStatement& query, KADAssetRecord& record)
{
    record.id = KUID(static_cast<std::int32_t>(query.ColumnInt64(0)), static_cast<std::int32_t>(query.ColumnInt64(1)),
                     static_cast<std::int32_t>(query.ColumnInt64(2)));
    record.flags = static_cast<std::uint32_t>(query.ColumnInt64(3));
    record.store = query.ColumnText(4);
    record.revision = static_cast<std::int32_t>(query.ColumnInt64(5));
    record.leaf = query.ColumnText(6);
    record.editGeneration = static_cast<std::int32_t>(query.ColumnInt64(7));
    record.name = query.ColumnText(8);
    record.kind = query.ColumnText(9);
    record.category = query.ColumnText(10);
    record.region = query.ColumnText(11);
    record.era = query.ColumnText(12);
    record.keywords = query.ColumnText(13);
    record.description = query.ColumnText(14);
    record.authorName = query.ColumnText(15);
    record.build = std::bit_cast<float>(static_cast<std::uint32_t>(query.ColumnInt64(16)));
    record.authorId = static_cast<std::int32_t>(query.ColumnInt64(17));
    record.rating = static_cast<std::int32_t>(query.ColumnInt64(18));
    record.installedTime = query.ColumnInt64(19);
    record.modifiedTime = query.ColumnInt64(20);
    record.downloadSize = static_cast<std::int32_t>(query.ColumnInt64(21));
    record.hasScript = query.ColumnInt64(22) != 0;
}

void BindId(KADStatement& statement, int first, const KUID& id)
{
    statement.BindInt64(first, id.user);
    statement.BindInt64(first + 1, id.content);
    statement.BindInt64(first + 2, id.version);
}

KUID ReadListId(KADStatement& query, int first)
{
    return KUID(static_cast<std::int32_t>(query.ColumnInt64(first)),
                static_cast<std::int32_t>(query.ColumnInt64(first + 1)),
                static_cast<std::int32_t>(query.ColumnInt64(first + 2)));
}

bool SaveList(KADStoreConnection& connection, const KUID& id, int kind, const std::vector<KUID>& list)
{
    for (std::size_t ord = 0; ord < list.size(); ++ord) {
        KADStatement insert(connection,
                            "INSERT INTO dep (user, content, version, ord, kind, dep_user, dep_content, dep_version)"
                            " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        BindId(insert, 1, id);
        insert.BindInt64(4, static_cast<std::int64_t>(ord));
        insert.BindInt64(5, kind);
        BindId(insert, 6, list[ord]);
        if (!insert.Run())
            return false;
    }
    return true;
}

}  // namespace

bool KADLoadAssetRow(KADStoreConnection& connection, const KUID& id, KADAssetRecord& record)
{
    std::string sql =
        std::string("SELECT ") + RowColumns + " FROM asset WHERE user = ? AND content = ? AND version = ?";
    KADStatement query(connection, sql.c_str());
    BindId(query, 1, id);
    if (!query.Step())
        return false;
    record = KADAssetRecord();
    ReadRow(query, record);
    KADStatement lists(connection, "SELECT kind, dep_user, dep_content, dep_version FROM dep"
                                   " WHERE user = ? AND content = ? AND version = ? ORDER BY kind, ord");
    BindId(lists, 1, id);
    while (lists.Step()) {
        KUID listed = ReadListId(lists, 1);
        (lists.ColumnInt64(0) == DependencyList ? record.dependencies : record.obsoletes).push_back(listed);
    }
    return true;
}

bool KADLoadAllAssetRows(KADStoreConnection& connection, const std::function<void(KADAssetRecord&&)>& visit)
{
    // The lists first, by asset, so the rows can go out whole in one pass.
    std::unordered_map<KUID, std::pair<std::vector<KUID>, std::vector<KUID>>> lists;
    KADStatement listQuery(connection,
                           "SELECT user, content, version, kind, dep_user, dep_content, dep_version FROM dep"
                           " ORDER BY user, content, version, kind, ord");
    while (listQuery.Step()) {
        auto& entry = lists[ReadListId(listQuery, 0)];
        (listQuery.ColumnInt64(3) == DependencyList ? entry.first : entry.second).push_back(ReadListId(listQuery, 4));
    }
    if (!listQuery.Done())
        return false;
    std::string sql = std::string("SELECT ") + RowColumns + " FROM asset";
    KADStatement query(connection, sql.c_str());
    if (!query.IsValid())
        return false;
    while (query.Step()) {
        KADAssetRecord record;
        ReadRow(query, record);
        auto found = lists.find(record.id);
        if (found != lists.end()) {
            record.dependencies = std::move(found->second.first);
            record.obsoletes = std::move(found->second.second);
        }
        visit(std::move(record));
    }
    // A read that failed part way has visited only some rows.
    return query.Done();
}

bool KADSaveAssetRow(KADStoreConnection& connection, const KADAssetRecord& record)
{
    std::string sql = std::string("INSERT OR REPLACE INTO asset (") + RowColumns +
                      ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    KADStatement store(connection, sql.c_str());
    BindId(store, 1, record.id);
    store.BindInt64(4, record.flags);
    store.BindText(5, record.store);
    store.BindInt64(6, record.revision);
    store.BindText(7, record.leaf);
    store.BindInt64(8, record.editGeneration);
    store.BindText(9, record.name);
    store.BindText(10, record.kind);
    store.BindText(11, record.category);
    store.BindText(12, record.region);
    store.BindText(13, record.era);
    store.BindText(14, record.keywords);
    store.BindText(15, record.description);
    store.BindText(16, record.authorName);
    // The float's own bits: the build version goes back on the wire exactly
    // as the config gave it.
    store.BindInt64(17, std::bit_cast<std::uint32_t>(record.build));
    store.BindInt64(18, record.authorId);
    store.BindInt64(19, record.rating);
    store.BindInt64(20, record.installedTime);
    store.BindInt64(21, record.modifiedTime);
    store.BindInt64(22, record.downloadSize);
    store.BindInt64(23, record.hasScript ? 1 : 0);
    if (!store.Run())
        return false;
    KADStatement clear(connection, "DELETE FROM dep WHERE user = ? AND content = ? AND version = ?");
    BindId(clear, 1, record.id);
    return clear.Run() && SaveList(connection, record.id, DependencyList, record.dependencies) &&
           SaveList(connection, record.id, ObsoleteList, record.obsoletes);
}

bool KADDeleteAssetRow(KADStoreConnection& connection, const KUID& id)
{
    KADStatement clear(connection, "DELETE FROM dep WHERE user = ? AND content = ? AND version = ?");
    BindId(clear, 1, id);
    KADStatement remove(connection, "DELETE FROM asset WHERE user = ? AND content = ? AND version = ?");
    BindId(remove, 1, id);
    return clear.Run() && remove.Run();
}
