// The open resource-database table: 256 shared entries with use counts, purged when full and at shutdown.
#include "assetdb/resource_database.h"

#include <algorithm>

#include "foundation/base/install_paths.h"
#include "foundation/base/logging.h"
#include "zel/file.h"
#include "zel/sync_object.h"

namespace {

struct ResourceDatabaseEntry {
    Zel::PString name;
    KorvelResourceDatabase* database = nullptr;
    int32_t uses = 0;
};

// Static life: databases opened by job threads may be released during
// shutdown after other statics are gone, so nothing here has a destructor
// that touches the databases.
struct ResourceDatabaseTable {
    ResourceDatabaseEntry entries[ResourceDatabaseTableSize];
    int count = 0;
    Zel::CriticalSection lock;
};

ResourceDatabaseTable& Table()
{
    static ResourceDatabaseTable* table = new ResourceDatabaseTable();
    return *table;
}

bool IsUserDataStoreName(const Zel::PString& name)
{
    static const char* const names[] = {"local", "original", "trash", "editing", "cache", "settings"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* candidate) { return name == candidate; });
}

// The folder the name stands for. The six user-data stores always live under
// the user-data root, whatever base a caller passes, so later openers with
// the installation root find the same folder as start-up did.
Zel::File::Path DatabaseFolderPath(const Zel::PString& name, const Zel::File::Path& baseFolder)
{
    if (IsUserDataStoreName(name) && !GetInstallRoot().IsEmpty())
        return GetRootFolderPath(name.c_str());
    Zel::File::Path path = baseFolder;
    // AddPath turns the backslash of "builtin\\pack" into a separator.
    path.AddPath(name.c_str());
    path.ReplaceForwardSlashes();
    return path;
}

Zel::File::Path ArchivePathOf(const Zel::File::Path& folder)
{
    Zel::File::Path path(folder.Str() + ".ja");
    path.ReplaceForwardSlashes();
    return path;
}

int FindEntryLocked(const ResourceDatabaseTable& table, const Zel::PString& name)
{
    for (int i = 0; i < table.count; ++i)
        if (table.entries[i].name == name)
            return i;
    return -1;
}

int FindDatabaseLocked(const ResourceDatabaseTable& table, const KorvelResourceDatabase* database)
{
    for (int i = 0; i < table.count; ++i)
        if (table.entries[i].database == database)
            return i;
    return -1;
}

// Closes unused databases; the last live entry takes a closed one's place and
// is examined at that position next.
void PurgeLocked(ResourceDatabaseTable& table)
{
    int index = 0;
    while (index < table.count) {
        ResourceDatabaseEntry& entry = table.entries[index];
        if (entry.database == nullptr || entry.uses > 0) {
            ++index;
            continue;
        }
        delete entry.database;
        entry.database = nullptr;
        entry.name = Zel::PString();
        entry.uses = 0;
        --table.count;
        if (index != table.count) {
            std::swap(entry, table.entries[table.count]);
        }
    }
}

}  // namespace

KorvelResourceDatabase::KorvelResourceDatabase(const Zel::PString& name, const Zel::File::Path& baseFolder,
                                               bool archiveExists)
    : Zel::ResourceDatabase(name.c_str()), databaseName_(name), archive_(archiveExists)
{
    Zel::File::Path folder = DatabaseFolderPath(name, baseFolder);
    if (archiveExists) {
        target_ = ArchivePathOf(folder);
    } else {
        target_ = folder;
        target_.AddSlash();
        target_.ReplaceForwardSlashes();
    }
    Zel::File::Subst(name.c_str(), target_.c_str(), !archiveExists);
}

KorvelResourceDatabase::~KorvelResourceDatabase()
{
    Zel::File::Subst(databaseName_.c_str(), nullptr);
}

KorvelResourceDatabase* OpenResourceDatabase(const Zel::PString& name, const Zel::File::Path& baseFolder)
{
    if (name.IsEmpty())
        return nullptr;
    ResourceDatabaseTable& table = Table();
    Zel::SingleLock hold(&table.lock, true);
    int existing = FindEntryLocked(table, name);
    if (existing >= 0) {
        ++table.entries[existing].uses;
        return table.entries[existing].database;
    }
    if (table.count >= ResourceDatabaseTableSize)
        PurgeLocked(table);
    if (table.count >= ResourceDatabaseTableSize)
        return nullptr;

    Zel::File::Path archivePath = ArchivePathOf(DatabaseFolderPath(name, baseFolder));
    bool archiveExists = Zel::File::Exists(archivePath.c_str()) == 0 && !Zel::File::IsDirectory(archivePath.c_str());
    auto* database = new KorvelResourceDatabase(name, baseFolder, archiveExists);
    ResourceDatabaseEntry& entry = table.entries[table.count++];
    entry.name = name;
    entry.database = database;
    entry.uses = 1;
    return database;
}

void ReleaseResourceDatabase(KorvelResourceDatabase* database)
{
    if (database == nullptr)
        return;
    ResourceDatabaseTable& table = Table();
    Zel::SingleLock hold(&table.lock, true);
    int index = FindDatabaseLocked(table, database);
    if (index < 0)
        return;
    ResourceDatabaseEntry& entry = table.entries[index];
    // A second release of one use must not make a database look used by
    // nobody while its real holder still works with it.
    if (entry.uses <= 0) {
        LogMessage("ReleaseResourceDatabase> '%s' released more often than opened", entry.name.c_str());
        return;
    }
    --entry.uses;
}

void PurgeResourceDatabases()
{
    ResourceDatabaseTable& table = Table();
    Zel::SingleLock hold(&table.lock, true);
    PurgeLocked(table);
}

int CountOpenResourceDatabases()
{
    ResourceDatabaseTable& table = Table();
    Zel::SingleLock hold(&table.lock, true);
    return table.count;
}

int32_t GetResourceDatabaseUses(const Zel::PString& name)
{
    ResourceDatabaseTable& table = Table();
    Zel::SingleLock hold(&table.lock, true);
    int index = FindEntryLocked(table, name);
    return index < 0 ? -1 : table.entries[index].uses;
}

KorvelResourceDatabase* FindOpenResourceDatabase(const Zel::PString& name)
{
    ResourceDatabaseTable& table = Table();
    Zel::SingleLock hold(&table.lock, true);
    int index = FindEntryLocked(table, name);
    return index < 0 ? nullptr : table.entries[index].database;
}

ResourceDatabaseRef::ResourceDatabaseRef(const char* name)
{
    if (name == nullptr || name[0] == '\0') {
        ok_ = true;
        return;
    }
    database_ = OpenResourceDatabase(Zel::PString(name), GetInstallRoot());
    ok_ = database_ != nullptr;
}

ResourceDatabaseRef::~ResourceDatabaseRef()
{
    ReleaseResourceDatabase(database_);
}
