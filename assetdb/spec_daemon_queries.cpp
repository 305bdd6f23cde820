// The daemon requests of the asset-spec registry, through the client unless a test put its own in their place.
#include "assetdb/spec_daemon_queries.h"

#include <atomic>
#include <string>

#include "assetdb/kad_client.h"
#include "zel/ascii.h"

namespace {

std::atomic<const SpecDaemonQueries*> replacement{nullptr};

bool IsConfigFileName(const std::string& name)
{
    std::string lower = Zel::AsciiLowerCopy(name);
    return lower == "config.txt" || lower == "config.chump";
}

}  // namespace

void SetSpecDaemonQueries(const SpecDaemonQueries* queries)
{
    replacement.store(queries);
}

KUID SpecDaemonResolveAssetID(const KUID& id)
{
    const SpecDaemonQueries* queries = replacement.load();
    if (queries != nullptr && queries->resolveAssetID != nullptr)
        return queries->resolveAssetID(id);
    return KADClient::ResolveAssetID(id);
}

void SpecDaemonGetAssetConfigPath(const KUID& id, bool ignoredFlag, Zel::PString& name, Zel::File::Path& folder)
{
    name = Zel::PString();
    folder.Clear();
    const SpecDaemonQueries* queries = replacement.load();
    if (queries != nullptr && queries->getAssetConfigPath != nullptr)
        queries->getAssetConfigPath(id, ignoredFlag, name, folder);
    else
        KADClient::GetAssetConfigPath(id, ignoredFlag, name, folder);
    // The request's text once named the config file itself; a folder is what
    // the asset spec needs.
    if (!folder.IsEmpty() && IsConfigFileName(folder.GetFileName()))
        folder.DelName(true);
    folder.DelSlash();
}

Zel::String SpecDaemonAssetName(const KUID& id)
{
    const SpecDaemonQueries* queries = replacement.load();
    if (queries != nullptr && queries->getAssetName != nullptr)
        return queries->getAssetName(id);
    return KADClient::GetAssetName(id);
}
