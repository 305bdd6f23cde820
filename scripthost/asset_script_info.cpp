// The script an asset names: its library path and class from the config, and the asset ids it includes.
#include "scripthost/korvel_base_spec.h"

#include "assetdb/kad_client.h"

namespace {

// Include tables only count from build 2.90 on.
constexpr int IncludeTableBuild = 289;

}  // namespace

bool GetConfigScriptInfo(const SoupHandle& config, Zel::PString& path, Zel::PString& className)
{
    if (config.IsEmpty() || config.CountTags() == 0)
        return false;
    Zel::File::Path script(config.GetNamedTag(Zel::PString("script")).c_str());
    if (script.IsEmpty())
        script = Zel::File::Path(config.GetNamedTag(Zel::PString("scriptlibrary")).c_str());
    if (!script.IsEmpty())
        script.SetExt("gs");
    Zel::PString name = config.GetNamedTag(Zel::PString("class"));
    if (name.IsEmpty())
        name = config.GetNamedTag(Zel::PString("scriptclass"));
    if (name.IsEmpty()) {
        Zel::File::Path bare = script;
        bare.SetExt(nullptr);
        name = Zel::PString(bare.c_str());
    }
    path = Zel::PString(script.c_str());
    className = name;
    return !path.IsEmpty() && !className.IsEmpty();
}

bool GetAssetScriptInfo(const KUID& id, Zel::PString& path, Zel::PString& className)
{
    return GetConfigScriptInfo(KADClient::GetAssetConfig(id), path, className);
}

void KorvelBaseSpec::ReadScriptInfo()
{
    scriptState_ &= ~ScriptInfoRead;
    Zel::PString path;
    Zel::PString className;
    // The folder under validation is judged by its own config: the daemon's
    // copy is that of the installed revision, which an edit copy may have
    // changed. Without a config of its own the asset object asks the daemon.
    const bool found = config_.CountTags() > 0 ? GetConfigScriptInfo(config_, path, className)
                                               : GetAssetScriptInfo(assetId_, path, className);
    if (!found) {
        OnNoScriptInfo();
        return;
    }
    Zel::File::Path library(path.c_str());
    library.SetExt("gsl");
    std::string text = library.Str();
    scriptState_ &= ~RootedLibrary;
    if (!text.empty() && (text[0] == '/' || text[0] == '\\')) {
        text.erase(0, 1);
        scriptState_ |= RootedLibrary;
    }
    scriptLibraryPath_ = Zel::PString(text.c_str());
    scriptClassName_ = className;
    scriptState_ |= ScriptInfoRead;
}

void KorvelBaseSpec::UseRootedScript(const char* libraryFile, const char* className)
{
    scriptLibraryPath_ = Zel::PString(libraryFile);
    scriptClassName_ = Zel::PString(className);
    scriptState_ |= RootedLibrary | ScriptInfoRead;
}

void KorvelBaseSpec::CollectScriptIncludes(KUIDSet& ids) const
{
    if (static_cast<int>(buildVersion_ * 100.0f) <= IncludeTableBuild)
        return;
    SoupHandle table = config_.GetNamedSoup(Zel::PString("script-include-table"));
    const int32_t count = table.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        Zel::PString text;
        if (!table.GetIndexedTagText(i, name, text))
            continue;
        ids.insert(KUID::Parse(text.c_str(), false));
    }
}
