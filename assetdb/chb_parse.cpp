// chbparse: installs an archive's assets, completes them from the content service, and writes a summary, an archive and a thumbnail of each.
#include "assetdb/chb_parse.h"

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/base/file_utilities.h"
#include "interfacetext/interface_text_db.h"
#include "results/results_log.h"
#include "assetdb/install_archive_asset.h"
#include "assetdb/install_from_chb.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_command_bodies.h"
#include "soup/archive_builder.h"
#include "soup/archive_extract.h"
#include "soup/archive_reader.h"
#include "soup/content_signature.h"
#include "soup/korvel_property.h"
#include "soup/soup_handle.h"
#include "zel/path.h"

namespace {

void AddInfo(ResultsLog& log, const std::string& text)
{
    log.AddMessage(ResultsLog::MessageKind::Info, text.c_str());
}

std::string Formatted(const char* format, const char* value)
{
    std::string text = format;
    std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

void AddUnreadable(ResultsLog& log, const char* path)
{
    SoupHandle parameters;
    parameters.EnsureContainer();
    parameters.SetNamedTag(Zel::PString("file_path"), path);
    log.AddMessage(ResultsLog::MessageKind::Error, PropertyHandle(), GetInterfaceText("$kad_unreadable_cdp"),
                   &parameters);
}

// The archive's folder with a trailing separator ("" for a bare name).
std::string FolderOf(const char* archivePath)
{
    std::string path = archivePath;
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Contains(const std::vector<KUID>& ids, const KUID& id)
{
    for (const KUID& known : ids) {
        if (known == id)
            return true;
    }
    return false;
}

void RevertAll(const std::vector<KUID>& ids, ResultsLog& log)
{
    for (const KUID& id : ids) {
        KADAssetHandleRef handle = KADClient::OpenAsset(id, true, nullptr);
        if (handle.IsValid())
            KADClient::RevertAsset(handle, &log);
    }
}

void CommitAll(const std::vector<KUID>& ids, ResultsLog& log)
{
    for (const KUID& id : ids) {
        KADAssetHandleRef handle = KADClient::OpenAsset(id, true, nullptr);
        if (handle.IsValid())
            KADClient::CommitAsset(handle, 0, &log, nullptr);
        handle.Release();
    }
}

void WriteThumbnail(const KUID& id, const SoupHandle& archive, const std::string& path)
{
    Zel::PString store;
    Zel::File::Path file;
    KADClient::GetAssetThumbnail(id, 240, store, file);
    if (!file.IsEmpty() && file.IsExt("jpg")) {
        CopyFile(Zel::PString(), file.c_str(), Zel::PString(), path.c_str());
        return;
    }
    RawDataRef data = archive.GetNamedTagBlock(Zel::PString("thumbnail"));
    if (data)
        WriteThumbnailData(data, path.c_str());
}

void Summarise(const KUID& id, const SoupHandle& archive, const std::string& folder, ResultsLog& log)
{
    log.PushAsset(PropertyHandle::Adopt(new KorvelPropertyAssetID(AssetIDPropertyName(), id)));
    RunStatusCommand(id, log);
    RunValidateCommand(id, log);
    KADAssetInfo info;
    KADClient::GetAssetInfo(id, -1, info);
    AddInfo(log, Formatted("Name: %s", KADClient::GetAssetName(id).c_str()));
    AddInfo(log, Formatted("Description: %s", KADClient::GetAssetDescription(id).c_str()));
    char build[64];
    std::snprintf(build, sizeof build, "Korvel-build: %.1f", static_cast<double>(info.buildVersion));
    AddInfo(log, build);
    ChunkedList<KUID, 128> dependencies;
    KADClient::GetAssetDependencies(id, dependencies);
    AddInfo(log, Formatted("Dependencies: %s", JoinKUIDs(dependencies).c_str()));
    ChunkedList<KUID, 128> obsoletes;
    KADClient::GetObsoletedAssets(id, obsoletes);
    AddInfo(log, Formatted("Obsoletes: %s", JoinKUIDs(obsoletes).c_str()));

    std::string base = folder + id.ToKeywordString().c_str();
    ExportAssetToCDP(id, (base + ".cdp").c_str(), log);
    WriteThumbnail(id, archive, base + ".jpg");

    SoupHandle config = KADClient::GetAssetConfig(id);
    AddInfo(log, Formatted("kind: %s", config.GetNamedTag(Zel::PString("kind")).c_str()));
    KUID alias = config.GetNamedTagAsKUID(Zel::PString("alias"), KUID());
    AddInfo(log, Formatted("alias-kuid: %s", alias.ToTagString().c_str()));
    AddInfo(log, Formatted("category-region: %s", KADClient::GetAssetRegionList(id).c_str()));
    AddInfo(log, Formatted("category-era: %s", KADClient::GetAssetEraList(id).c_str()));
    AddInfo(log, Formatted("category-class: %s",
                           EscapeText(config.GetNamedTag(Zel::PString("category-class")).c_str()).c_str()));
    log.PopAsset();
}

}  // namespace

Zel::PString JoinKUIDs(const ChunkedList<KUID, 128>& ids)
{
    std::string text;
    for (const KUID& id : ids) {
        if (!text.empty())
            text += ", ";
        text += id.ToTagString().c_str();
    }
    return Zel::PString(text.c_str());
}

Zel::String EscapeText(const char* text)
{
    std::string out;
    for (const char* at = text; at != nullptr && *at != '\0'; ++at) {
        if (*at == '\\') {
            out += "\\\\";
        } else if (*at == '\r' || *at == '\n') {
            out += "\\n";
            char pair = *at == '\r' ? '\n' : '\r';
            if (at[1] == pair)
                ++at;
        } else {
            out.push_back(*at);
        }
    }
    return Zel::String(out.c_str());
}

bool WriteThumbnailData(const RawDataRef& data, const char* path)
{
    Zel::PString error;
    WriteContentFile(error, data, Zel::PString(), path, Zel::PString());
    return error.IsEmpty();
}

bool ExportAssetToCDP(const KUID& id, const char* archivePath, ResultsLog& log)
{
    SoupHandle entry = KADClient::ExportAssetChunk(id, 3, &log);
    StoreAssetDsid(entry);
    ArchiveBuilder builder;
    Zel::PString error = builder.Add(entry);
    if (error.IsEmpty())
        error = WriteArchiveFile(builder.Finish(), archivePath);
    if (error.IsEmpty())
        return true;
    log.AddMessage(ResultsLog::MessageKind::Error,
                   Formatted("Unable to write asset to CDP: %s", error.c_str()).c_str());
    return false;
}

void InstallCHBDependencies(const KUID& id)
{
    if (!IsCHBInstallPossible())
        return;
    for (int pass = 0; pass < CHBDependencyPassLimit; ++pass) {
        ChunkedList<KUID, 128> dependencies;
        KADClient::GetAssetDependencies(id, dependencies);
        bool lastInstalled = false;
        bool anyInstalled = false;
        for (const KUID& dependency : dependencies) {
            lastInstalled = InstallAssetFromCHB(dependency, nullptr);
            anyInstalled = anyInstalled || lastInstalled;
        }
        if (!lastInstalled || !anyInstalled)
            return;
    }
}

bool RunCHBParseCommand(const char* archivePath, ResultsLog& log)
{
    SoupHandle archive;
    if (!OpenArchive(archive, Zel::PString(), archivePath).IsEmpty()) {
        AddUnreadable(log, archivePath);
        return false;
    }
    int32_t errorsBefore = log.ErrorCount();
    std::vector<KUID> installed;
    for (int32_t index = 0; index < CountArchiveAssets(archive); ++index) {
        CDPAssetEntry entry = GetArchiveAsset(archive, index);
        bool commit = false;
        KUID id = InstallArchiveAsset(entry.soup, log, 0, &commit, nullptr);
        if (!id.IsNull() && !Contains(installed, id))
            installed.push_back(id);
    }
    if (log.ErrorCount() > errorsBefore) {
        RevertAll(installed, log);
        log.AddMessage(ResultsLog::MessageKind::Error, "Aborted processing");
        return false;
    }
    for (const KUID& id : installed)
        InstallCHBDependencies(id);
    CommitAll(installed, log);
    std::string folder = FolderOf(archivePath);
    for (const KUID& id : installed)
        Summarise(id, archive, folder, log);
    return true;
}
