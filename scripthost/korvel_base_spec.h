// KorvelBaseSpec: the product's asset spec (kind, build, file name, script), its factory and its type test.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "assetdb/pemberlynx_spec.h"
#include "assetdb/px_spec_factory.h"
#include "kuid/kuid.h"
#include "zel/path.h"

class ResultsLog;
namespace GSRuntime {
class GSClass;
class GSLibrary;
}  // namespace GSRuntime

// Asset ids in the order the include walk takes them: user, content and
// version, each compared as an unsigned 32-bit number.
struct KUIDUnsignedOrder {
    bool operator()(const KUID& a, const KUID& b) const;
};
using KUIDSet = std::set<KUID, KUIDUnsignedOrder>;

class KorvelBaseSpec : public PemberlynxSpec {
public:
    // Script-state flags.
    static constexpr uint8_t ClassResolved = 0x01;
    static constexpr uint8_t RootedLibrary = 0x02;
    static constexpr uint8_t ScriptsCached = 0x04;
    static constexpr uint8_t ScriptInfoRead = 0x08;

    // Stores the config's "kind", its build version (1.3 without a config)
    // and, below build 2.50, its "asset-filename" (the asset folder name when
    // that is empty) as the file name, else "default".
    KorvelBaseSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                   const Zel::String& assetFolderName, const SoupHandle& config);
    ~KorvelBaseSpec() override;

    // The build the asset's config was made for.
    virtual float GetBuildVersion() const { return buildVersion_; }
    // Compared on the build times 100, both sides truncated.
    bool IsBuildBelow(float version) const;
    bool IsBuildAtLeast(float version) const;

    // Refreshes the script path (extension "gsl", a leading "/" removed and
    // remembered as a rooted library) and class from the config; when the
    // config names no usable script, OnNoScriptInfo runs and the last
    // values stay.
    void ReadScriptInfo();
    // Adds the ids of the config's "script-include-table" (build 2.90 on).
    void CollectScriptIncludes(KUIDSet& ids) const;
    // Compiles the scripts of every asset this one includes (recursively)
    // and puts their folders on the compiler's include list; below build
    // 2.90 an "activity" or "behavior" gets the scenario string-table include.
    void AddScriptIncludeDirs();
    // Compiles every ".gs"/".gse" of the folder into the compiled-script
    // cache unless a cache file with matching ids is there; problems go to
    // the log as errors. Once per spec (which also ends include cycles).
    bool CacheScripts(const Zel::PString& storeName, const Zel::File::Path& folder, const char* primary,
                      ResultsLog* log);
    // The asset's compiled primary library, compiling it when needed.
    GSRuntime::GSLibrary* GetScriptLibrary();
    // The asset's script class, looked up once (also when not found).
    GSRuntime::GSClass* GetGSClass();
    // Compiles the asset's scripts, links the class and checks it against
    // the asset's category: the whole check of a validation.
    bool CompileAndCheckScripts(ResultsLog* log);

    const Zel::PString& GetScriptLibraryPath() const { return scriptLibraryPath_; }
    const Zel::PString& GetScriptClassName() const { return scriptClassName_; }
    uint8_t GetScriptState() const { return scriptState_; }

    // Whether the daemon calls the asset locally modified (true when the
    // request fails). Asked once per spec: bit 0 asked, bit 1 the answer.
    bool IsLocallyModified();
    uint32_t GetPrimarySourceCrc() const { return primarySourceCrc_; }
    uint32_t GetPrimaryNameCrc() const { return primaryNameCrc_; }

protected:
    // The config names no usable script.
    virtual void OnNoScriptInfo() {}
    // A library of the "libraries" store ("Library.gsl") and its class, in
    // place of what the config names.
    void UseRootedScript(const char* libraryFile, const char* className);

private:
    // Adds one compiled source's cache check and compile; see CacheScripts.
    // The source is read from sourceFolder, the folder on disk; folder is
    // the asset's, as the primary script is named.
    bool CacheOneScript(const std::string& sourceFolder, const Zel::File::Path& folder, const std::string& name,
                        const Zel::File::Path& cacheFolder, const char* primary, bool& primaryFound, ResultsLog* log);

    // Drops the cache files CacheScripts used and runs it again: for a cached
    // library whose dependencies (the installed API libraries, an included
    // asset's scripts) have changed since it was compiled.
    bool RebuildCachedScripts(const Zel::File::Path& primary, ResultsLog* log);

    float buildVersion_ = 1.3f;
    // The cache files of the last CacheScripts, and the last library load's result.
    std::vector<std::string> cacheFiles_;
    int libraryLoadResult_ = 0;
    Zel::PString scriptLibraryPath_;
    Zel::PString scriptClassName_;
    GSRuntime::GSClass* scriptClass_ = nullptr;
    uint8_t scriptState_ = 0;
    uint8_t locallyModifiedFlags_ = 0;
    uint32_t primarySourceCrc_ = 0;
    uint32_t primaryNameCrc_ = 0;
};

// Builds KorvelBaseSpec for any kind; the script-compile path sets one as
// the registry's default factory for the length of a load.
class KADScript_KorvelBaseSpecFactory : public PXSpecFactory {
public:
    KADScript_KorvelBaseSpecFactory();
    PemberlynxSpec* CreateSpec(const KUID& assetId, const Zel::PString& databaseName, const Zel::String& parentFolder,
                               const Zel::String& assetFolderName, SoupHandle config) override;
};

// The lookup filter of the script host: true for a KorvelBaseSpec.
bool IsKorvelBaseSpec(PemberlynxSpec* spec);
// The asset's KorvelBaseSpec through the daemon (remembered); none when the
// asset has none.
PemberlynxSpecRef FindBaseSpecByKUID(const KUID& id);

// Makes the asset-spec registry build KorvelBaseSpec when no factory serves a
// kind. Start-up calls it once.
void RegisterKorvelBaseSpec();

// The script file and class a config names: "script", else "scriptlibrary"
// (extension set to "gs"); "class", else "scriptclass", else the path
// without its extension. True when both are set.
bool GetConfigScriptInfo(const SoupHandle& config, Zel::PString& path, Zel::PString& className);
// The same for an asset id, from the config the daemon holds.
bool GetAssetScriptInfo(const KUID& id, Zel::PString& path, Zel::PString& className);
// Appends text and "\r\n" to the prefix CacheScripts places before each source.
void AddScriptPrefixLine(const char* text);
// The prefix lines staged for the compile in progress.
Zel::PString& CacheScriptsPrefix();
