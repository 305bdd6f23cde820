// InstallArchiveAsset: decide, open through the daemon, write files and config, optionally commit, report.
#include "assetdb/install_archive_asset.h"

#include "foundation/base/file_utilities.h"
#include "foundation/base/install_paths.h"
#include "interfacetext/interface_text_db.h"
#include "results/results_log.h"
#include "assetdb/category_codes.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "soup/archive_extract.h"
#include "soup/archive_reader.h"
#include "soup/asset_config_file.h"
#include "soup/cdp_asset_entry.h"
#include "soup/content_signature.h"
#include "soup/korvel_property.h"

namespace {

using Kind = ResultsLog::MessageKind;

// One result line about the asset: the interface text of the key with
// "asset_kuid" set to the id's tag form, and the id as the line's asset.
void AddInstallMessage(ResultsLog& log, Kind kind, const char* key, const KUID& id)
{
    SoupHandle parameters;
    parameters.SetNamedTag(Zel::PString("asset_kuid"), id.ToTagString());
    PropertyHandle asset = PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), id));
    log.AddMessage(kind, asset, GetInterfaceText(key), &parameters);
}

struct PromptTexts {
    const char* prompt;
    const char* logText;
};

PromptTexts ChoosePromptTexts(const KADAssetInfo& info)
{
    if ((info.statusByte1 & KADAssetInfo::StatusOpenForEdit) != 0)
        return {"$kad_prompt_openforedit", "$kad_prompt_openforedit_log"};
    if ((info.statusByte0 & KADAssetInfo::StatusBuiltIn) != 0)
        return {"$kad_prompt_builtin", "$kad_prompt_builtin_log"};
    if ((info.statusByte0 & KADAssetInfo::StatusContentServiceItem) != 0)
        return {"$kad_prompt_chb_item", "$kad_prompt_chb_item_log"};
    return {"$kad_prompt_alreadyinstalled", "$kad_prompt_alreadyinstalled_log"};
}

bool MayOverwrite(const KADAssetInfo& info, const KUID& id, ResultsLog& log, KADPromptHandler* promptHandler)
{
    if (promptHandler == nullptr)
        return true;
    PromptTexts texts = ChoosePromptTexts(info);
    int32_t answer = promptHandler->Ask(GetInterfaceText(texts.prompt), GetInterfaceText(texts.logText), id, &log);
    return answer == 2 || answer == 3;
}

// The folder about to be deleted must be an asset folder of the user-data
// tree: a daemon answer naming anything else (the root itself, the
// installation, a system folder) must never lead to a recursive delete.
bool IsDeletableAssetFolder(const Zel::File::Path& folder)
{
    if (folder.IsEmpty() || !IsInUserDataFolder(folder))
        return false;
    Zel::File::Path relative;
    return MakeRelativePath(GetUserDataRoot(), folder, relative) && !relative.IsEmpty();
}

// Empties the way for the new files; a folder that is not there yet is
// nothing to delete.
bool ClearAssetFolder(const Zel::File::Path& folder)
{
    if (!IsDeletableAssetFolder(folder))
        return false;
    if (!FileExists(Zel::PString(), folder.c_str()))
        return true;
    return DeleteFileOrFolder(Zel::PString(), folder.c_str());
}

}  // namespace

KUID InstallArchiveAsset(const SoupHandle& entrySoup, ResultsLog& log, int32_t mode, bool* commitOut,
                         KADPromptHandler* promptHandler)
{
    CDPAssetEntry entry(entrySoup);
    SoupHandle files = entry.GetFilesSoup();
    if (VerifyAssetDsid(entrySoup))
        mode |= InstallModeSignatureVerified;
    else
        mode &= ~InstallModeSignatureVerified;
    KUID id = entry.GetKUID();

    KADAssetInfo info;
    bool known = KADClient::GetAssetInfo(id, -1, info);
    SoupHandle config = NormaliseAssetConfig(entry);
    Zel::String displayName = GetAssetDisplayName(config);
    std::string limitError;
    if (!CheckAssetConfigLimits(config, "The config", limitError)) {
        AddInstallMessage(log, Kind::Error, "$kad_failed_install", id);
        log.AddAssetMessage(Kind::Info, id, limitError.c_str());
        return NullKUID;
    }

    bool alreadyInstalled = known && (info.statusByte0 & KADAssetInfo::StatusInstalled) != 0;
    if (alreadyInstalled) {
        if (!MayOverwrite(info, id, log, promptHandler))
            return NullKUID;
        mode &= ~InstallModeCommit;
    }

    KADAssetHandleRef handle =
        known ? KADClient::OpenAsset(id, true, &log) : KADClient::OpenAssetForEdit(id, false, displayName);
    Zel::PString storeName;
    Zel::File::Path folder;
    if (!handle.IsValid() || !handle.GetFolder(storeName, folder)) {
        AddInstallMessage(log, Kind::Error, "$kad_write_error", id);
        return NullKUID;
    }

    if (alreadyInstalled && !ClearAssetFolder(folder)) {
        AddInstallMessage(log, Kind::Error, "$kad_overwrite_error", id);
        return NullKUID;
    }
    MakeDirectory(Zel::PString(), folder.c_str());

    Zel::PString error;
    std::vector<SkippedContentEntry> skipped;
    ExtractArchiveFiles(error, files, Zel::PString(), folder.c_str(), entry.GetCompression(), &skipped);
    if (!error.IsEmpty()) {
        AddInstallMessage(log, Kind::Error, "$kad_failed_install", id);
        // The key's text cannot say why; a full disk must not pass for damage.
        log.AddAssetMessage(Kind::Info, id, error.c_str());
        KADClient::RevertAsset(handle, &log);
        return NullKUID;
    }
    // The rules stay (peers rely on them); what they leave out is told.
    for (const SkippedContentEntry& left : skipped)
        log.AddAssetMessage(Kind::Warning, id, SkippedContentLine(left).c_str());

    bool commit = (mode & InstallModeCommit) != 0;
    Zel::File::Path configPath = folder;
    configPath.AddPath(commit ? "config.chump" : "config.txt");
    config.SaveToFile(Zel::PString(), configPath.c_str());

    if (commit) {
        int32_t flags = ((mode & InstallModeSignatureVerified) != 0 ? 6 : 0) | (mode & InstallModeCommitFlag8);
        if (!KADClient::CommitAsset(handle, flags, &log, commitOut))
            return NullKUID;
    }

    handle.Release();
    KADClient::SetAssetFavorite(id, true);
    AddInstallMessage(log, Kind::Success, "$kad_installed", id);
    return id;
}
