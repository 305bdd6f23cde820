// ValidateAssetTask: an asset folder's config checked against its template, then its scripts compiled.
#include "templates/validate_asset_task.h"

#include <cstring>
#include <memory>
#include <vector>

#include "assetdb/resource_database.h"
#include "foundation/base/code_page.h"
#include "foundation/base/file_utilities.h"
#include "foundation/base/global_data_lock.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/tcx_callback.h"
#include "interfacetext/interface_text_db.h"
#include "results/results_log.h"
#include "scripthost/kad_compile_asset.h"
#include "soup/soup_handle.h"
#include "templates/dod_container.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "zel/ascii.h"
#include "zel/file_lookup_scope.h"

namespace {

// Main thread only, not from the lock-wait pump, and the validation's own bit.
constexpr std::uint32_t ValidationJobFlags = 7;
// Builds newer than 3.3 are refused unchecked.
constexpr int NewestCheckedBuild = 330;
// Below build 2.90 a quick check skips the template reading.
constexpr int QuickCheckBuild = 290;

KUID ConfigAssetId(const SoupHandle& config)
{
    return config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
}

void AddAssetLine(ResultsLog& log, ResultsLog::MessageKind kind, const KUID& id, const char* text)
{
    log.AddAssetMessage(kind, id, text);
}

// Copies the collector's warnings and errors into the log, in its order.
void CopyFindings(ResultsLog& log, const KUID& id)
{
    DODLib::ErrorHandler* collector = DODLib::ErrorHandler::Instance();
    if (collector == nullptr)
        return;
    for (const DODLib::ErrorRecord& record : collector->GetRecords()) {
        if (record.severity == DODLib::SeverityWarning)
            AddAssetLine(log, ResultsLog::MessageKind::Warning, id, record.text.c_str());
        else if (record.severity == DODLib::SeverityError)
            AddAssetLine(log, ResultsLog::MessageKind::Error, id, record.text.c_str());
    }
}

void ClearCollector()
{
    if (DODLib::ErrorHandler* collector = DODLib::ErrorHandler::Instance())
        collector->Clear();
}

// Holds the resource database of the root for the whole validation.
class DatabaseHold {
public:
    explicit DatabaseHold(const Zel::PString& name) : ref_(name.c_str()) {}

private:
    ResourceDatabaseRef ref_;
};

}  // namespace

Zel::PString Utf8ToAnsiPString(const char* text)
{
    if (text == nullptr)
        return Zel::PString();
    const size_t length = std::strlen(text);
    std::vector<char> buffer(length + 2);
    std::memcpy(buffer.data(), text, length + 1);
    int needed = Utf8ToAnsi(static_cast<int>(buffer.size()), buffer.data());
    if (needed > 0) {
        buffer.assign(static_cast<size_t>(needed) + 1, '\0');
        std::memcpy(buffer.data(), text, length + 1);
        Utf8ToAnsi(static_cast<int>(buffer.size()), buffer.data());
    }
    return Zel::PString(buffer.data());
}

bool ValidateAssetTask::RunOnMainThread(const Zel::PString& rootName, Zel::File::Path folder, ResultsLog& log)
{
    ValidateAssetTask task(rootName, folder, log);
    auto* job = new TCXCallbackCPPVoidPtr<ValidateAssetTask>(&task, &ValidateAssetTask::Run);
    if (!JobDispatcher::Instance().Post(ValidationJobFlags, 0, nullptr, job)) {
        log.AddMessage(ResultsLog::MessageKind::Error, "The validation could not be run: the program is stopping.");
        return false;
    }
    return task.result_;
}

void ValidateAssetTask::Run(intptr_t /*argument*/)
{
    result_ = ValidateAsset(rootName_, folder_, log_);
}

bool ValidateAssetTask::ValidateAsset(Zel::PString rootName, Zel::File::Path folder, ResultsLog& log)
{
    // The daemon names the folder by its full path beside the root name:
    // read it below that root, and a folder outside it by the root it lies in.
    if (folder.IsAbsolute()) {
        Zel::File::Path relative = folder;
        if (rootName.IsEmpty() || !relative.MakeRelativeTo(GetRootFolderPath(rootName.c_str())))
            rootName = Zel::PString();
        else
            folder = relative;
    }
    if (!GetRootFolderOfPath(rootName, folder))
        return false;
    if (!rootName.IsEmpty()) {
        Zel::File::Path packed = GetRootFolderPath(rootName.c_str());
        packed.DelSlash();
        std::string archive = packed.Str() + ".ja";
        if (Zel::File::Exists(archive.c_str()) == 0)
            return true;
    }
    DODLib::DataManager* manager = DODLib::DataManager::Instance();
    manager->SetQuickCheck(false);
    const bool ownFolder = rootName.View() == "editing" || rootName.View() == "base";
    manager->SetOutsideEditing(!rootName.IsEmpty() && !ownFolder);
    ReleaseUnusedCaches();
    DatabaseHold database(rootName);

    const int32_t errorsBefore = log.ErrorCount();
    const char* configName = "config.chump";
    Zel::File::Path configPath = folder;
    configPath.AddPath(configName);
    if (!FileExists(rootName, configPath.c_str())) {
        configName = "config.txt";
        configPath = folder;
        configPath.AddPath(configName);
        if (!FileExists(rootName, configPath.c_str())) {
            SoupHandle parameters;
            parameters.SetNamedTag(Zel::PString("file_path"), folder.c_str());
            log.AddMessage(ResultsLog::MessageKind::Error, PropertyHandle(),
                           GetInterfaceText("$kad_unable_read_config_at"), &parameters);
            return false;
        }
    }
    {
        DODLib::Container container;
        manager->SetAsset(rootName, folder);
        DODLib::DataManager::SetConfigFileName(configName);
        RunTemplateChecks(configPath, &container, rootName, log);
    }
    if (log.ErrorCount() > errorsBefore)
        return false;
    return KADCompileAsset(rootName, folder, &log);
}

void ValidateAssetTask::RunTemplateChecks(const Zel::File::Path& configPath, DODLib::Container* container,
                                          const Zel::PString& rootName, ResultsLog& log)
{
    // The checks look up the same few folders for every mesh, texture and
    // description they name, and change no file: each folder is listed once.
    Zel::FileLookupScope lookups;
    if (CheckAssetConfig(configPath, log, container, rootName))
        RunContainerChecks(container, log);
    DODLib::DataManager* manager = DODLib::DataManager::Instance();
    manager->ReleaseLoadedMeshes();
    manager->SetMeshFailed(false);
}

bool ValidateAssetTask::CheckAssetConfig(const Zel::File::Path& configPath, ResultsLog& log,
                                         DODLib::Container* container, const Zel::PString& rootName)
{
    DODLib::DataManager* manager = DODLib::DataManager::Instance();
    manager->LoadTemplates();
    Zel::File::Path assetFolder = configPath;
    assetFolder.DelName(true);
    manager->SetAsset(rootName, assetFolder);
    ClearCollector();

    SoupHandle config;
    config.LoadFromFile(rootName, configPath.c_str());
    const KUID id = ConfigAssetId(config);
    const float build = config.GetNamedTagAsFloat(Zel::PString("korvel-build"), 1.3f);
    const int b = static_cast<int>(build * 100.0f + 0.1f);
    if (b > NewestCheckedBuild) {
        AddAssetLine(log, ResultsLog::MessageKind::Error, id,
                     Utf8ToAnsiPString(GetInterfaceText("$dod_future_asset").c_str()).c_str());
        return false;
    }
    const std::string kind = Zel::AsciiLowerCopy(config.GetNamedTag(Zel::PString("kind")).View());
    if (kind == "water") {
        AddAssetLine(log, ResultsLog::MessageKind::Warning, id,
                     Utf8ToAnsiPString(GetInterfaceText("$dod_obsolete_water").c_str()).c_str());
        return true;
    }
    if (kind == "hueshop-skin") {
        AddAssetLine(log, ResultsLog::MessageKind::Warning, id,
                     Utf8ToAnsiPString(GetInterfaceText("$dod_obsolete_hueshop").c_str()).c_str());
        return true;
    }
    if (manager->IsQuickCheck() && b < QuickCheckBuild)
        return true;
    std::unique_ptr<DODLib::Container> own;
    if (container == nullptr) {
        own = std::make_unique<DODLib::Container>();
        container = own.get();
    }
    manager->LoadTemplates();
    const bool result = container->Validate(config);
    CopyFindings(log, id);
    return result;
}

bool ValidateAssetTask::RunContainerChecks(DODLib::Container* container, ResultsLog& log)
{
    if (container == nullptr || container->GetConfig().CountTags() == 0)
        return true;
    ClearCollector();
    DODLib::DataManager* manager = DODLib::DataManager::Instance();
    Zel::File::Path root = GetRootFolderPath(manager->GetAssetRootName().c_str());
    Zel::File::Path folder = root;
    folder.AddPath(manager->GetAssetFolder());
    const bool textures = container->CheckTextures(root, folder);
    SoupHandle exported;
    const bool exportedOk = container->Export(exported);
    const bool validators = exportedOk && container->RunContainerValidators();
    if (textures && exportedOk && validators)
        return true;
    CopyFindings(log, ConfigAssetId(container->GetConfig()));
    return false;
}
