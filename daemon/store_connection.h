// One SQLite connection to the daemon's index, with prepared statements.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class KADStatement;

// Each worker thread holds a connection of its own; a connection is never
// shared between threads.
class KADStoreConnection {
public:
    KADStoreConnection() = default;
    ~KADStoreConnection();
    KADStoreConnection(const KADStoreConnection&) = delete;
    KADStoreConnection& operator=(const KADStoreConnection&) = delete;

    // Opens (creating) the index in WAL mode with full synchronisation, so a
    // committed change survives a crash and readers never block the writer.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return db != nullptr; }

    bool Exec(const char* sql);
    // Folds the write-ahead log back into the database at an orderly close.
    void Checkpoint();
    const char* LastError() const;
    sqlite3* Handle() const { return db; }

private:
    sqlite3* db = nullptr;
};

// A prepared statement; values bind by 1-based index as SQLite counts them.
class KADStatement {
public:
    KADStatement(KADStoreConnection& connection, const char* sql);
    ~KADStatement();
    KADStatement(const KADStatement&) = delete;
    KADStatement& operator=(const KADStatement&) = delete;

    bool IsValid() const { return statement != nullptr; }
    void BindText(int index, std::string_view text);
    void BindBlob(int index, const void* data, std::size_t size);
    void BindInt64(int index, std::int64_t value);
    // True while a row is available; false at the end or on an error.
    bool Step();
    // After Step gave false: true when the rows ran out, false when the
    // step failed (a reader must not take what it got for all there is).
    bool Done() const;
    // True when the statement ran to its end without an error.
    bool Run();
    std::string ColumnText(int column) const;
    std::vector<std::uint8_t> ColumnBlob(int column) const;
    std::int64_t ColumnInt64(int column) const;

private:
    sqlite3_stmt* statement = nullptr;
    int lastResult = 0;
};
