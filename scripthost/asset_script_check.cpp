// An asset's compiled script library and class, and the check of that class against the asset's category.
#include <cstdio>
#include <mutex>

#include "zel/file.h"

#include "assetdb/category_codes.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "foundation/base/logging.h"
#include "results/results_log.h"
#include "script/common/toolchain_lock.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "scripthost/asset_script_cache_texts.h"
#include "scripthost/korvel_base_spec.h"

namespace {

// Field mask of the info request that carries the category texts.
constexpr int32_t CategoryTextsMask = 4;

Zel::File::Path PrimarySource(const Zel::PString& libraryPath, const KorvelBaseSpec& spec)
{
    if (libraryPath.IsEmpty())
        return Zel::File::Path("");
    Zel::File::Path name(libraryPath.c_str());
    name.SetExt("gs");
    return spec.MakeFilePath(name.c_str());
}

}  // namespace

GSRuntime::GSLibrary* KorvelBaseSpec::GetScriptLibrary()
{
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    if ((scriptState_ & RootedLibrary) != 0)
        return scriptLibraryPath_.IsEmpty() ? nullptr : GSMachine::Get()->GetLibraryByName(scriptLibraryPath_.c_str());
    if (primarySourceCrc_ == 0 && primaryNameCrc_ == 0) {
        const Zel::File::Path primary = PrimarySource(scriptLibraryPath_, *this);
        ResultsLog discarded;
        CacheScripts(databaseName_, MakeFilePath(), primary.c_str(), &discarded);
        if (primarySourceCrc_ == 0 && primaryNameCrc_ == 0)
            return nullptr;
    }
    return GSMachine::Get()->GetLibrary(primarySourceCrc_, primaryNameCrc_, &libraryLoadResult_);
}

bool KorvelBaseSpec::RebuildCachedScripts(const Zel::File::Path& primary, ResultsLog* log)
{
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    for (const std::string& file : cacheFiles_) {
        // A library of this process loaded from the file would be linked
        // again in place of the rebuilt one: it has the same id.
        unsigned sourceCrc = 0;
        unsigned nameCrc = 0;
        if (std::sscanf(Zel::File::Path(file.c_str()).GetFileName().c_str(), "%8x%8x.gsl", &sourceCrc, &nameCrc) == 2)
            GSMachine::Get()->UnloadLibrary(sourceCrc, nameCrc);
        Zel::File::Unlink(file.c_str());
    }
    scriptState_ &= ~(ClassResolved | ScriptsCached);
    primarySourceCrc_ = primaryNameCrc_ = 0;
    scriptClass_ = nullptr;
    return CacheScripts(databaseName_, MakeFilePath(), primary.c_str(), log);
}

GSRuntime::GSClass* KorvelBaseSpec::GetGSClass()
{
    if ((scriptState_ & ClassResolved) != 0)
        return scriptClass_;
    ReadScriptInfo();
    if (!scriptLibraryPath_.IsEmpty()) {
        GSRuntime::GSLibrary* library = GetScriptLibrary();
        if (library != nullptr) {
            scriptClass_ = GSRuntime::GSLibrary::FindClass(library, scriptClassName_.View());
            if (scriptClass_ == nullptr)
                LogMessage("KorvelBaseSpec::GetGSClass> Could not load Korvel class %s from library %s for %s",
                           scriptClassName_.c_str(), scriptLibraryPath_.c_str(), GetDescription().c_str());
        } else {
            LogMessage("KorvelBaseSpec::GetGSClass> Could not load Korvel library %s for '%s'",
                       scriptLibraryPath_.c_str(), GetDescription().c_str());
        }
    }
    scriptState_ |= ClassResolved;
    return scriptClass_;
}

bool KorvelBaseSpec::CompileAndCheckScripts(ResultsLog* log)
{
    scriptState_ &= ~(ClassResolved | ScriptsCached);
    ReadScriptInfo();
    if (scriptLibraryPath_.IsEmpty() || (scriptState_ & RootedLibrary) != 0)
        return true;
    const Zel::File::Path primary = PrimarySource(scriptLibraryPath_, *this);
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    ForgetCachedScriptTexts();
    if (!CacheScripts(databaseName_, MakeFilePath(), primary.c_str(), log))
        return false;
    libraryLoadResult_ = 0;
    GSRuntime::GSClass* cls = GetGSClass();
    // A cache file names its dependencies by the checksums of their texts;
    // once those change (a new release of the API libraries, an included
    // asset edited) the file can no longer be linked, though its own source
    // is unchanged. It is compiled again, once. In a process that loaded
    // the earlier texts' libraries it would still link, to those: what was
    // cached just now tells it apart.
    const bool stale =
        cls != nullptr && DependsOnReplacedText(GSMachine::Get()->GetLibrary(primarySourceCrc_, primaryNameCrc_));
    if (stale)
        LogMessage("KorvelBaseSpec::CompileAndCheckScripts> '%s' depends on an edited script; compiling it again",
                   GetDescription().c_str());
    if (stale || (cls == nullptr && libraryLoadResult_ == GSRuntime::kLoadDependencyError)) {
        if (!RebuildCachedScripts(primary, log))
            return false;
        cls = GetGSClass();
    }
    if (cls == nullptr) {
        log->AddMessage(ResultsLog::MessageKind::Error, "Unable to link compiled script class.");
        return false;
    }
    KADAssetInfo info;
    KADClient::GetAssetInfo(assetId_, CategoryTextsMask, info);
    const char* codes = info.keywordList.c_str();
    const bool vehicle = MatchCodeList("TR;TV", codes);
    const bool signal = MatchCodeList("?WA", codes);
    const bool trackside = vehicle || signal || MatchCodeList("TO", codes);
    struct Check {
        const char* className;
        bool wanted;
        const char* error;
    };
    const Check checks[] = {
        {"Vehicle", vehicle, "Script class does not match asset kind (vehicle)."},
        {"Trackside", trackside, "Script class does not match asset kind (trackside)."},
        {"Signal", signal, "Script class does not match asset kind (signal)."},
    };
    for (const Check& check : checks) {
        if (cls->IsA(check.className) != check.wanted) {
            log->AddMessage(ResultsLog::MessageKind::Error, check.error);
            return false;
        }
    }
    return true;
}
