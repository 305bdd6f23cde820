// Resource databases: the process-wide table of open databases, each mounting an asset folder or ".ja" archive under its name.
#pragma once

#include <cstdint>

#include "zel/path.h"
#include "zel/pstring.h"
#include "zel/resource_database.h"

// An engine resource database whose name is registered as a path
// substitution for as long as it lives, so the engine's file layer reaches
// the database's files through the name (used as a container).
class KorvelResourceDatabase : public Zel::ResourceDatabase, public Zel::IListNode {
public:
    // Registers the substitution of the name: "<base>/<name>.ja" (an archive
    // target) when the archive exists, else the folder "<base>/<name>/". A
    // backslash in the name ("builtin\\pack") becomes a separator in the
    // target only; the name itself keeps its form.
    KorvelResourceDatabase(const Zel::PString& name, const Zel::File::Path& baseFolder, bool archiveExists);
    // Removes the substitution: the name no longer resolves.
    ~KorvelResourceDatabase() override;

    const Zel::PString& GetDatabaseName() const { return databaseName_; }
    // The registered target, as the engine resolves it.
    const Zel::File::Path& GetTarget() const { return target_; }
    bool IsArchive() const { return archive_; }

private:
    Zel::PString databaseName_;
    Zel::File::Path target_;
    bool archive_ = false;
};

// The table holds at most this many databases at once.
constexpr int ResourceDatabaseTableSize = 256;

// Opens (or shares) the database of the name, counting one use to be given
// back with ReleaseResourceDatabase. A null or empty name, or a full table
// whose databases are all in use, gives none.
KorvelResourceDatabase* OpenResourceDatabase(const Zel::PString& name, const Zel::File::Path& baseFolder);
// One use less; none, and a database that is not in the table, are ignored.
// The database stays open until a purge.
void ReleaseResourceDatabase(KorvelResourceDatabase* database);
// Closes every open database that has no uses.
void PurgeResourceDatabases();

// What the table holds now (tests, diagnostics).
int CountOpenResourceDatabases();
// The uses of the open database of that name; -1 when it is not open.
int32_t GetResourceDatabaseUses(const Zel::PString& name);
// The open database of that name without counting a use; none when closed.
KorvelResourceDatabase* FindOpenResourceDatabase(const Zel::PString& name);

// Holds one database for the length of a piece of work.
class ResourceDatabaseRef {
public:
    // A null or empty name opens nothing and is ok. Otherwise the database is
    // opened with the installation root as base (none when that root is not
    // set) and ok tells whether it came back.
    explicit ResourceDatabaseRef(const char* name);
    ~ResourceDatabaseRef();
    ResourceDatabaseRef(const ResourceDatabaseRef&) = delete;
    ResourceDatabaseRef& operator=(const ResourceDatabaseRef&) = delete;

    bool IsOk() const { return ok_; }
    KorvelResourceDatabase* Get() const { return database_; }

private:
    KorvelResourceDatabase* database_ = nullptr;
    bool ok_ = false;
};
