// One SQLite connection to the daemon's index, with prepared statements.
#include "daemon/store_connection.h"

#include <sqlite3.h>

namespace {
// Writers queue behind each other inside SQLite rather than failing at once.
constexpr int BusyTimeoutMs = 30000;
}  // namespace

KADStoreConnection::~KADStoreConnection()
{
    Close();
}

bool KADStoreConnection::Open(const std::string& path)
{
    Close();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        Close();
        return false;
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=FULL") || !Exec("PRAGMA foreign_keys=ON")) {
        Close();
        return false;
    }
    return true;
}

void KADStoreConnection::Close()
{
    if (db == nullptr)
        return;
    sqlite3_close_v2(db);
    db = nullptr;
}

bool KADStoreConnection::Exec(const char* sql)
{
    return db != nullptr && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void KADStoreConnection::Checkpoint()
{
    if (db != nullptr)
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

const char* KADStoreConnection::LastError() const
{
    return db != nullptr ? sqlite3_errmsg(db) : "not open";
}

KADStatement::KADStatement(KADStoreConnection& connection, const char* sql)
{
    if (connection.Handle() != nullptr)
        sqlite3_prepare_v2(connection.Handle(), sql, -1, &statement, nullptr);
}

KADStatement::~KADStatement()
{
    sqlite3_finalize(statement);
}

void KADStatement::BindText(int index, std::string_view text)
{
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void KADStatement::BindBlob(int index, const void* data, std::size_t size)
{
    // An empty blob is still a value, never NULL.
    static const std::uint8_t empty = 0;
    sqlite3_bind_blob64(statement, index, size != 0 ? data : &empty, size, SQLITE_TRANSIENT);
}

void KADStatement::BindInt64(int index, std::int64_t value)
{
    sqlite3_bind_int64(statement, index, value);
}

bool KADStatement::Step()
{
    if (statement == nullptr)
        return false;
    lastResult = sqlite3_step(statement);
    return lastResult == SQLITE_ROW;
}

bool KADStatement::Done() const
{
    return statement != nullptr && lastResult == SQLITE_DONE;
}

bool KADStatement::Run()
{
    while (Step()) {}
    return statement != nullptr && lastResult == SQLITE_DONE;
}

std::string KADStatement::ColumnText(int column) const
{
    const auto* text = sqlite3_column_text(statement, column);
    int size = sqlite3_column_bytes(statement, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                           : std::string();
}

std::vector<std::uint8_t> KADStatement::ColumnBlob(int column) const
{
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
    int size = sqlite3_column_bytes(statement, column);
    if (data == nullptr || size <= 0)
        return {};
    return std::vector<std::uint8_t>(data, data + size);
}

std::int64_t KADStatement::ColumnInt64(int column) const
{
    return sqlite3_column_int64(statement, column);
}
