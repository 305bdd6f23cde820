// Compiling an asset's scripts into the compiled-script cache, with the folders of the assets it includes.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "assetdb/spec_lookup.h"
#include "foundation/base/crc32.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/logging.h"
#include "platform/folders.h"
#include "results/results_log.h"
#include "script/common/source_file.h"
#include "script/common/toolchain_lock.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/gs_machine.h"
#include "scripthost/asset_script_cache_listing.h"
#include "scripthost/asset_script_cache_texts.h"
#include "scripthost/korvel_base_spec.h"
#include "zel/ascii.h"

namespace {

constexpr int IncludeTableBuild = 289;

// "x.gse" counts as its plain twin "x.gs": one cache name for both forms.
std::string WithoutTrailingE(const std::string& name)
{
    if (!name.empty() && (name.back() == 'e' || name.back() == 'E'))
        return name.substr(0, name.size() - 1);
    return name;
}

// The store a folder is read through: none for a full path (the daemon
// names the folders of other assets so), which no store could prefix.
Zel::PString StoreOf(const Zel::PString& storeName, const Zel::File::Path& folder)
{
    return folder.IsAbsolute() ? Zel::PString() : storeName;
}

bool IsScriptSource(const std::string& name)
{
    const Zel::File::Path path(name.c_str());
    return path.IsExt("gs") || path.IsExt("gse");
}

void AddError(ResultsLog* log, const std::string& text)
{
    if (log != nullptr)
        log->AddMessage(ResultsLog::MessageKind::Error, text.c_str());
}

// Puts the include list and both prefixes back however CacheScripts leaves.
class IncludeListScope {
public:
    IncludeListScope()
    {
        CacheScriptsPrefix() = Zel::PString();
        saved_.swap(GSCompiler::IncludeDirs());
    }
    ~IncludeListScope()
    {
        GSCompiler::ClearIncludeDirs();
        GSCompiler::IncludeDirs() = std::move(saved_);
        CacheScriptsPrefix() = Zel::PString();
        GSSourceFile::LoadPrefix = Zel::PString();
    }
    IncludeListScope(const IncludeListScope&) = delete;
    IncludeListScope& operator=(const IncludeListScope&) = delete;

private:
    GSCompiler::GSCIncludeDirList saved_;
};

}  // namespace

Zel::PString& CacheScriptsPrefix()
{
    static Zel::PString prefix;
    return prefix;
}

void AddScriptPrefixLine(const char* text)
{
    std::string line = CacheScriptsPrefix().c_str();
    line += text != nullptr ? text : "";
    line += "\r\n";
    CacheScriptsPrefix() = Zel::PString(line.c_str());
}

void KorvelBaseSpec::AddScriptIncludeDirs()
{
    if (static_cast<int>(GetBuildVersion() * 100.0f) <= IncludeTableBuild) {
        if (kind_.View() == "activity" || kind_.View() == "behavior")
            AddScriptPrefixLine("include \"ScenarioStringTable.gs\"");
        return;
    }
    KUIDSet pending;
    CollectScriptIncludes(pending);
    KUIDSet visited;
    while (!pending.empty()) {
        const KUID id = *pending.begin();
        pending.erase(pending.begin());
        if (!visited.insert(id).second)
            continue;
        // A missing included asset is skipped: its scripts simply are not
        // found when the source includes them.
        PemberlynxSpecRef found = LookupSpecForKUID(id, IsKorvelBaseSpec, false);
        if (!found)
            continue;
        auto* included = static_cast<KorvelBaseSpec*>(found.Get());
        included->ReadScriptInfo();
        // Compiles the included asset's own scripts with its own includes;
        // CacheScripts saves and restores the list around that.
        included->GetScriptLibrary();
        if ((included->GetScriptState() & RootedLibrary) == 0) {
            auto& dirs = GSCompiler::IncludeDirs();
            const Zel::File::Path folder = included->MakeFilePath();
            dirs.insert(dirs.begin(), GSCIncludeDir(folder, StoreOf(included->GetDatabaseName(), folder)));
        }
        included->CollectScriptIncludes(pending);
    }
}

bool KorvelBaseSpec::CacheScripts(const Zel::PString& storeName, const Zel::File::Path& folder, const char* primary,
                                  ResultsLog* log)
{
    if ((scriptState_ & ScriptsCached) != 0)
        return true;
    scriptState_ |= ScriptsCached;
    cacheFiles_.clear();
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);

    bool result = true;
    bool primaryFound = primary == nullptr || primary[0] == '\0';
    Zel::File::Path cacheFolder = GetUserDataRoot();
    if (!cacheFolder.IsEmpty())
        cacheFolder.AddPath("cache");
    cacheFolder.AddPath("libraries");
    // The user folders are made at start-up; a removed cache folder must not
    // turn every compile into a write failure. The roots are kept lower-cased
    // while the folders on disk may not be: make the folder where the file
    // layer resolves it, never a lower-cased twin tree beside the real one.
    // The resolved folder also serves every file below it: the lower-cased
    // root would otherwise be resolved anew, component by component, for
    // each cache file of a warm check.
    std::string onDisk;
    if (Zel::File::Resolve(nullptr, cacheFolder.c_str(), onDisk, true)) {
        Platform::MakeFolders(onDisk);
        cacheFolder = Zel::File::Path(onDisk.c_str());
    }

    IncludeListScope scope;
    AddScriptIncludeDirs();
    GSCompiler::IncludeDirs().push_back(GSCIncludeDir(folder, StoreOf(storeName, folder)));
    GSCompiler::IncludeDirs().insert(GSCompiler::IncludeDirs().begin(),
                                     GSCIncludeDir(Zel::File::Path(""), Zel::PString("scripts")));

    // One listing of the folder serves every source; each is then read from
    // where the listing found it, so no name is resolved twice.
    const Zel::PString store = StoreOf(storeName, folder);
    std::string sourceFolder;
    std::vector<std::string> names;
    const bool listed =
        Zel::File::Resolve(store.IsEmpty() ? nullptr : store.c_str(), folder.c_str(), sourceFolder, false) &&
        ListFolderFiles(sourceFolder, names);
    for (const std::string& name : names) {
        if (!IsScriptSource(name))
            continue;
        if (!CacheOneScript(sourceFolder, folder, name, cacheFolder, primary, primaryFound, log))
            result = false;
    }
    if ((!listed || result) && !primaryFound) {
        SoupHandle parameters;
        parameters.SetNamedTag(Zel::PString("filename"), primary);
        if (log != nullptr)
            log->AddMessage(ResultsLog::MessageKind::Error, PropertyHandle(),
                            Zel::String("Unable to locate primary script source file '$(FILENAME)'"), &parameters);
        result = false;
    }
    return result;
}

bool KorvelBaseSpec::CacheOneScript(const std::string& sourceFolder, const Zel::File::Path& folder,
                                    const std::string& name, const Zel::File::Path& cacheFolder, const char* primary,
                                    bool& primaryFound, ResultsLog* log)
{
    Zel::File::Path sourcePath(sourceFolder.c_str());
    sourcePath.AddPath(name.c_str());
    uint32_t sourceCrc = 0;
    if (!ScriptTextChecksum(sourcePath.Str(), sourceCrc)) {
        AddError(log, "Unable to read script source file '" + name + "'");
        return false;
    }
    const std::string plainName = WithoutTrailingE(name);
    const uint32_t nameCrc = Crc32LowerCase(plainName.c_str());
    char cacheName[32];
    std::snprintf(cacheName, sizeof cacheName, "%08x%08x.gsl", sourceCrc, nameCrc);
    Zel::File::Path cachePath = cacheFolder;
    cachePath.AddPath(cacheName);

    // A missing cache file fails the header probe below like a damaged one;
    // it is compiled without counting as a mismatch.
    bool recompiled = false;
    bool compile = false;
    for (;;) {
        if (compile) {
            GSSourceFile::LoadPrefix = CacheScriptsPrefix();
            recompiled = true;
            GSCompileLog compileLog;
            if (GSCompiler::CompileToFile(&compileLog, name.c_str(), cachePath.c_str()) != 0) {
                GSSourceFile::LoadPrefix = Zel::PString();
                LogMessage("KorvelBaseSpec::CacheScripts> Syntax error in script of asset '%s'",
                           GetDescription().c_str());
                for (uint32_t i = 0; i < compileLog.LineCount(); ++i) {
                    LogMessage("KorvelBaseSpec::CacheScripts> ** GSC> %s", compileLog.Line(i));
                    AddError(log, compileLog.Line(i));
                }
                return false;
            }
        }
        uint64_t ids = 0;
        const bool registered = GSMachine::Get()->AddLibraryFile(nullptr, cacheFolder.c_str(), cacheName, &ids);
        if (registered && ids == (uint64_t(sourceCrc) << 32 | nameCrc)) {
            cacheFiles_.push_back(cachePath.Str());
            NoteCachedScriptText(nameCrc, sourceCrc);
            if (!primaryFound) {
                Zel::File::Path entry = folder;
                entry.AddPath(plainName.c_str());
                if (Zel::AsciiLowerCopy(entry.View()) == Zel::AsciiLowerCopy(primary)) {
                    primaryFound = true;
                    primarySourceCrc_ = sourceCrc;
                    primaryNameCrc_ = nameCrc;
                }
            }
            return true;
        }
        if (recompiled) {
            AddError(log, std::string("CRC Mismatch on '") + cacheName +
                              "' after recompile. Do you have both .gs and .gse present?");
            return false;
        }
        // A stale or damaged cache file is rebuilt once.
        Zel::File::Unlink(cachePath.c_str());
        compile = true;
    }
}
