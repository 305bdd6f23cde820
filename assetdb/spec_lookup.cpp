// Loading a spec from an asset folder and looking one up by asset id, with the resolution memo.
#include "assetdb/spec_lookup.h"

#include <map>
#include <string>
#include <string_view>

#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/resource_database.h"
#include "assetdb/spec_creation.h"
#include "assetdb/spec_daemon_queries.h"
#include "soup/asset_config_file.h"
#include "zel/ascii.h"

namespace {

// Requested id -> resolved id; the null id records a failure. Guarded by the
// registry lock and forgotten at every leak report, so a long-lived command
// host sees assets installed after a failed lookup.
std::map<KUID, KUID>& Memo()
{
    static std::map<KUID, KUID>* memo = new std::map<KUID, KUID>();
    return *memo;
}

bool FindInMemo(const KUID& requested, KUID& resolved)
{
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    auto found = Memo().find(requested);
    if (found == Memo().end())
        return false;
    resolved = found->second;
    return true;
}

void Remember(const KUID& requested, const KUID& resolved)
{
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    Memo()[requested] = resolved;
}

// Lower-cased with '/' separators, for comparing a folder with a store name.
std::string FoldedPath(std::string_view text)
{
    std::string folded;
    for (char c : text)
        folded += c == '\\' ? '/' : Zel::AsciiToLower(c);
    return folded;
}

// The file's path on disk. A relative folder lies inside the named database:
// it is reached through the database's substitution (the container form,
// which also serves names such as "builtin\\pack" whose backslash would
// otherwise split the first component), with a leading copy of the name
// dropped.
bool ConfigFilePath(const char* databaseName, const Zel::File::Path& folder, const char* fileName, std::string& out)
{
    Zel::File::Path path = folder;
    path.AddPath(fileName);
    if (databaseName == nullptr || databaseName[0] == '\0' || path.IsAbsolute()) {
        out = path.Str();
        return true;
    }
    std::string rest = path.Str();
    std::string prefix = FoldedPath(databaseName) + "/";
    if (FoldedPath(rest).compare(0, prefix.size(), prefix) == 0)
        rest.erase(0, prefix.size());
    return Zel::File::Resolve(databaseName, rest.c_str(), out);
}

bool LoadConfigFile(const char* databaseName, const Zel::File::Path& folder, const char* fileName, SoupHandle& config)
{
    std::string path;
    if (!ConfigFilePath(databaseName, folder, fileName, path) || Zel::File::Exists(path.c_str()) != 0)
        return false;
    // The same limits as the daemon's: a config it refuses makes no spec here.
    SoupHandle loaded;
    std::string error;
    if (!LoadAssetConfigFile(loaded, path.c_str(), nullptr, error))
        return false;
    config = loaded;
    return true;
}

}  // namespace

void ClearSpecResolutionMemo()
{
    Zel::SingleLock hold(&PemberlynxSpecRegistry::Lock(), true);
    Memo().clear();
}

bool ReadSpecConfig(const char* databaseName, const Zel::File::Path& folder, SoupHandle& config)
{
    config.Clear();
    ResourceDatabaseRef database(databaseName);
    if (!database.IsOk())
        return false;
    return LoadConfigFile(databaseName, folder, "config.chump", config) ||
           LoadConfigFile(databaseName, folder, "config.txt", config);
}

PemberlynxSpecRef LoadSpecFromConfigFile(const KUID& assetId, const Zel::PString& databaseName,
                                         const Zel::File::Path& folder, PemberlynxSpecFilter filter)
{
    SoupHandle config;
    if (!ReadSpecConfig(databaseName.c_str(), folder, config) || config.CountTags() == 0)
        return {};

    Zel::File::Path parent = folder;
    parent.DelSlash();
    std::string assetFolderName = parent.GetFileName();
    parent.DelName(true);
    parent.DelSlash();

    PemberlynxSpecRef spec = CreateSpecForKind(assetId, databaseName, Zel::String(parent.c_str()),
                                               Zel::String(assetFolderName.c_str()), config);
    if (!spec)
        return {};
    if (filter != nullptr && !filter(spec.Get()))
        return {};
    if (!IsSpecUsable(*spec.Get()))
        return {};
    return spec;
}

PemberlynxSpecRef LookupSpecForKUID(const KUID& id, PemberlynxSpecFilter filter, bool ignoredFlag)
{
    if (id == NullKUID)
        return {};
    KUID resolved;
    if (FindInMemo(id, resolved)) {
        if (resolved == NullKUID)
            return {};
    } else {
        resolved = SpecDaemonResolveAssetID(id);
    }

    if (PemberlynxSpecRef spec = FindLoadedSpec(resolved)) {
        if (filter != nullptr && !filter(spec.Get())) {
            Remember(id, resolved);
            return {};
        }
        if (!IsSpecUsable(*spec.Get())) {
            Remember(id, NullKUID);
            return {};
        }
        return spec;
    }

    Zel::PString databaseName;
    Zel::File::Path folder;
    SpecDaemonGetAssetConfigPath(resolved, ignoredFlag, databaseName, folder);
    if (folder.IsEmpty()) {
        Remember(id, NullKUID);
        return {};
    }
    PemberlynxSpecRef spec = LoadSpecFromConfigFile(resolved, databaseName, folder, filter);
    // A failed load is not remembered: a later lookup tries again.
    if (spec)
        Remember(id, resolved);
    return spec;
}
