// The seven built-in resource databases: opened after the user folders exist, released at shutdown.
#include "assetdb/resource_database_builtin.h"

#include <mutex>

#include "foundation/base/install_paths.h"
#include "assetdb/resource_database.h"

namespace {

constexpr int BuiltinCount = 7;

struct BuiltinDatabases {
    std::mutex lock;
    KorvelResourceDatabase* databases[BuiltinCount] = {};
    bool open = false;
};

BuiltinDatabases& Builtins()
{
    static BuiltinDatabases* builtins = new BuiltinDatabases();
    return *builtins;
}

}  // namespace

void OpenBuiltinResourceDatabases()
{
    Zel::File::Path installRoot = GetInstallRoot();
    if (installRoot.IsEmpty())
        return;
    BuiltinDatabases& builtins = Builtins();
    std::lock_guard<std::mutex> hold(builtins.lock);
    if (builtins.open)
        return;
    Zel::File::Path userDataRoot = GetUserDataRoot();
    static const char* const userDataNames[] = {"local", "original", "trash", "editing", "cache", "settings"};
    builtins.databases[0] = OpenResourceDatabase(Zel::PString("data"), installRoot);
    for (int i = 0; i < BuiltinCount - 1; ++i)
        builtins.databases[i + 1] = OpenResourceDatabase(Zel::PString(userDataNames[i]), userDataRoot);
    builtins.open = true;
}

void ReleaseBuiltinResourceDatabases()
{
    BuiltinDatabases& builtins = Builtins();
    std::lock_guard<std::mutex> hold(builtins.lock);
    for (KorvelResourceDatabase*& database : builtins.databases) {
        ReleaseResourceDatabase(database);
        database = nullptr;
    }
    builtins.open = false;
}
