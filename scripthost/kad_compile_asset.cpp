// KADCompileAsset: the folder's config, its KorvelBaseSpec, then that object's compile and class check.
#include "scripthost/kad_compile_asset.h"

#include <memory>
#include <mutex>

#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/spec_lookup.h"
#include "foundation/base/logging.h"
#include "results/results_log.h"
#include "script/common/toolchain_lock.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/load_asset_config.h"
#include "scripthost/native_library_setup.h"

namespace {

bool scriptSystemReady = false;

void AddError(ResultsLog* log, const char* text)
{
    log->AddMessage(ResultsLog::MessageKind::Error, text);
}

// Installs a KorvelBaseSpec factory as the registry's default for the length
// of one load, whatever way the load ends.
class DefaultFactoryScope {
public:
    DefaultFactoryScope() : factory_(std::make_unique<KADScript_KorvelBaseSpecFactory>())
    {
        if (PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance())
            registry->SetDefaultFactory(factory_.get());
    }
    ~DefaultFactoryScope()
    {
        if (PemberlynxSpecRegistry* registry = PemberlynxSpecRegistry::Instance())
            registry->SetDefaultFactory(nullptr);
    }
    DefaultFactoryScope(const DefaultFactoryScope&) = delete;
    DefaultFactoryScope& operator=(const DefaultFactoryScope&) = delete;

private:
    std::unique_ptr<KADScript_KorvelBaseSpecFactory> factory_;
};

}  // namespace

bool KADCompileAsset(const Zel::PString& storeName, const Zel::File::Path& folder, ResultsLog* log)
{
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    if (!scriptSystemReady) {
        scriptSystemReady = SetUpNativeLibraries();
        if (!scriptSystemReady) {
            AddError(log, "KADCompileAsset unable to initialise script system");
            return false;
        }
    }
    SoupHandle config;
    if (!LoadAssetConfig(storeName.c_str(), folder, config)) {
        AddError(log, "KADCompileAsset unable to load asset config");
        return false;
    }
    const KUID id = config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
    if (id == NullKUID) {
        AddError(log, "KADCompileAsset unable to determine asset KUID");
        return false;
    }
    DefaultFactoryScope factory;
    PemberlynxSpecRef spec = LoadSpecFromConfigFile(id, storeName, folder, IsKorvelBaseSpec);
    if (!spec) {
        AddError(log, "Failed to load asset for compilation");
        return false;
    }
    const int32_t errorsBefore = log->ErrorCount();
    const bool result = static_cast<KorvelBaseSpec*>(spec.Get())->CompileAndCheckScripts(log);
    if (!result && log->ErrorCount() == errorsBefore)
        AddError(log, "Failed to compile asset");
    return result;
}
