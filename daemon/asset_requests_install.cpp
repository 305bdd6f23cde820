// Installing from a folder (39) or an archive (40), and exporting an asset as an archive entry (48).
#include <sys/stat.h>
#include <sys/statvfs.h>

#include "app/streams/t_buffer.h"
#include "daemon/asset_export.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_install.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_codes.h"
#include "daemon/asset_store_edit.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_replies.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/store_connection.h"
#include "soup/archive_builder.h"
#include "soup/archive_extract.h"
#include "soup/archive_reader.h"
#include "soup/binary_soup.h"
#include "soup/content_signature.h"

namespace {

constexpr int LineWarning = 2;
constexpr int LineError = 3;
constexpr int LineSuccess = 4;
// Mode of an install from the online content service.
constexpr std::int32_t InstallFromService = 6;
constexpr std::uint64_t SpareBytes = 100ull << 20;

void SendInstalledLine(KadRequestContext& context, const KUID& id)
{
    KadSendAssetLine(context, LineSuccess, id, "Installed asset " + KadAssetText(id) + ".");
}

void SendFailedLine(KadRequestContext& context, const KUID& id, const std::string& reason)
{
    std::string text = "Failed to install asset " + KadAssetText(id) + ".";
    if (!reason.empty())
        text += " " + reason;
    KadSendAssetLine(context, LineError, id, text);
}

// Payload: Str folder; int32 option (ignored). Reply: KUID (null on
// failure); bool replaced an installed revision.
void InstallFolder(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    std::string folder = context.request.ReadString().c_str();
    context.request.ReadInt32(0);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    KUID installed = NullKUID;
    bool replaced = false;
    SoupHandle config;
    std::string error;
    KUID id = NullKUID;
    if (!KadCanChangeStore(context) || context.request.HasError() || !KadFolderExists(folder)) {
        error = "The folder does not exist.";
    } else if (KadLoadFolderConfig(folder, config, error)) {
        id = config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
        if (id.IsNull() || !id.IsValid())
            error = "The config has no valid \"kuid\".";
    }
    if (error.empty()) {
        KadInstallRequest request;
        request.id = id;
        request.config = config;
        request.setFlags = AssetModified;
        request.fill = [&](const std::string& leafFolder, std::string& reason) {
            if (KadCopyTree(folder, leafFolder))
                return true;
            reason = "Unable to copy the folder's files.";
            return false;
        };
        if (KadInstallAsset(store, *context.store, context, request, replaced, error))
            installed = id;
    }
    if (installed.IsNull())
        SendFailedLine(context, id, error);
    else
        SendInstalledLine(context, installed);
    context.reply.WriteKUID(installed);
    context.reply.WriteBool(replaced);
}

bool EnoughSpace(const std::string& folder, std::uint64_t archiveSize)
{
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0)
        return true;
    std::uint64_t available = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    return available >= archiveSize * 3 + SpareBytes;
}

// Installs one entry; true when it was installed.
bool InstallEntry(KadRequestContext& context, KadAssetStore& store, CDPAssetEntry entry, std::int32_t mode)
{
    KUID id = entry.GetKUID();
    if (id.IsNull() || !id.IsValid()) {
        SendFailedLine(context, id, "The entry has no valid \"kuid\".");
        return false;
    }
    bool signatureOk = VerifyAssetDsid(entry.soup);
    SoupHandle config = NormaliseAssetConfig(entry);
    SoupHandle files = entry.GetFilesSoup();
    Zel::PString compression = entry.GetCompression();
    KadInstallRequest request;
    request.id = id;
    request.config = config;
    request.setFlags = signatureOk ? 0u : AssetModified;
    request.clearFlags = signatureOk ? AssetModified : 0u;
    if (mode == InstallFromService)
        request.setFlags |= AssetFromService | AssetServiceItem;
    request.fill = [&](const std::string& leafFolder, std::string& reason) {
        Zel::PString extractError;
        ExtractArchiveFiles(extractError, files, Zel::PString(), leafFolder.c_str(), compression);
        if (!extractError.IsEmpty()) {
            reason = extractError.c_str();
            return false;
        }
        if (KadWriteConfigText(leafFolder + "/config.txt", config))
            return true;
        reason = "Unable to write the config.";
        return false;
    };
    bool replaced = false;
    std::string error;
    if (!KadInstallAsset(store, *context.store, context, request, replaced, error)) {
        SendFailedLine(context, id, error);
        return false;
    }
    if (!signatureOk)
        KadSendAssetLine(context, LineWarning, id, "The asset's content signature does not match its files.");
    SendInstalledLine(context, id);
    return true;
}

// Payload: Str archive path; int32 mode. Reply: uint32 assets installed;
// bool an entry was skipped. No prompts: modes 2 and 6 never ask.
void InstallArchive(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    std::string path = context.request.ReadString().c_str();
    std::int32_t mode = context.request.ReadInt32(0);
    std::uint32_t installed = 0;
    bool skipped = false;
    struct stat info {};
    SoupHandle archive;
    if (!KadCanChangeStore(context) || context.request.HasError()) {
        KadSendAssetLine(context, LineError, NullKUID, "Unable to install the archive.");
    } else if (stat(path.c_str(), &info) == 0 && !EnoughSpace(store.UserDataRoot(), static_cast<std::uint64_t>(info.st_size))) {
        KadSendAssetLine(context, LineError, NullKUID, "Not enough free disk space to install the archive.");
    } else {
        Zel::PString error = OpenArchive(archive, Zel::PString(), path.c_str());
        if (!error.IsEmpty()) {
            KadSendAssetLine(context, LineError, NullKUID, std::string("Unable to read the archive: ") + error.c_str());
        } else {
            std::int32_t count = CountArchiveAssets(archive);
            for (std::int32_t index = 0; index < count; ++index) {
                if (InstallEntry(context, store, GetArchiveAsset(archive, index), mode))
                    ++installed;
                else
                    skipped = true;
            }
        }
    }
    context.reply.WriteUInt32(installed);
    context.reply.WriteBool(skipped);
}

// Payload: KUID; int32 option (ignored). Reply: the entry soup; "no soup"
// and an error line for an asset without files to export.
void ExportAssetChunk(KadRequestContext& context)
{
    KadAssetStore& store = KadAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    context.request.ReadInt32(0);
    KadAssetRecord record;
    SoupHandle entry;
    std::string error = "Unknown asset.";
    if (store.Find(id, record)) {
        std::string folder = KadCommittedFolder(store.UserDataRoot(), record);
        if (folder.empty())
            folder = KadEditFolder(store.UserDataRoot(), record);
        SoupHandle config;
        if (!folder.empty() && KadLoadFolderConfig(folder, config, error))
            KadExportAssetFolder(folder, config, id, entry, error);
    }
    if (entry.IsEmpty()) {
        entry.Clear();
        KadSendAssetLine(context, LineError, id, "Unable to export asset " + KadAssetText(id) + ": " + error);
    }
    WriteBinarySoup(context.reply, entry);
}

}  // namespace

void KadRegisterAssetInstallRequests(KadRequestTable& table)
{
    table.Register(KadAssetRequestCode::InstallFolder, KadRequestLane::Long, InstallFolder);
    table.Register(KadAssetRequestCode::InstallArchive, KadRequestLane::Long, InstallArchive);
    table.Register(KadAssetRequestCode::ExportAssetChunk, KadRequestLane::Long, ExportAssetChunk);
}
