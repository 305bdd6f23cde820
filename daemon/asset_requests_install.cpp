// Installing from a folder (39) or an archive (40), and exporting an asset as an archive entry (48).
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>

#include "foundation/streams/t_buffer.h"
#include "daemon/asset_export.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_install.h"
#include "daemon/asset_skipped_files.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_edit.h"
#include "daemon/asset_store_metadata.h"
#include "daemon/asset_store_replies.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/store_connection.h"
#include "soup/archive_builder.h"
#include "soup/archive_extract.h"
#include "soup/archive_reader.h"
#include "soup/asset_config_file.h"
#include "soup/binary_soup.h"
#include "soup/content_signature.h"

namespace {

constexpr int LineWarning = 2;
constexpr int LineError = 3;
constexpr int LineSuccess = 4;
// Mode of an install from the online content service.
constexpr std::int32_t InstallFromService = 6;
// Kept free on the index's file system: a full disk must not stop the
// index from recording what is already in place.
constexpr std::uint64_t SpareBytes = 100ull << 20;

void SendInstalledLine(KADRequestContext& context, const KUID& id)
{
    KADSendAssetLine(context, LineSuccess, id, "Installed asset " + KADAssetText(id) + ".");
}

void SendFailedLine(KADRequestContext& context, const KUID& id, const std::string& reason)
{
    std::string text = "Failed to install asset " + KADAssetText(id) + ".";
    if (!reason.empty())
        text += " " + reason;
    KADSendAssetLine(context, LineError, id, text);
}

}  // namespace

// Payload: Str folder; int32 option (ignored). Reply: KUID (null on
// failure); bool replaced an installed revision.
void KADHandleInstallFolder(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    std::string folder = context.request.ReadString().c_str();
    context.request.ReadInt32(0);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    KUID installed = NullKUID;
    bool replaced = false;
    SoupHandle config;
    std::string error;
    KUID id = NullKUID;
    if (!KADCanChangeStore(context) || context.request.HasError() || !KADFolderExists(folder)) {
        error = "The folder does not exist.";
    } else if (KADLoadFolderConfig(folder, config, error)) {
        id = config.GetNamedTagAsKUID(Zel::PString("kuid"), NullKUID);
        if (id.IsNull() || !id.IsValid())
            error = "The config has no valid \"kuid\".";
    }
    if (error.empty()) {
        KADInstallRequest request;
        request.id = id;
        request.config = config;
        request.setFlags = AssetModified;
        request.fill = [&](const std::string& leafFolder, std::string& reason) {
            // The reason names the file and the system's message (a full disk).
            return KADCopyTree(folder, leafFolder, &reason, KADFlush::Later);
        };
        if (KADInstallAsset(store, *context.store, context, request, replaced, error))
            installed = id;
    }
    if (installed.IsNull() && id.IsNull()) {
        // No id to name: the folder tells the user which one failed.
        KADSendAssetLine(context, LineError, id, "Failed to install the asset in " + folder + ". " + error);
    } else if (installed.IsNull()) {
        SendFailedLine(context, id, error);
    } else {
        KADSendSkippedLines(context, installed, KADFindFilesArchivesSkip(folder), KADSkipContext::FolderInstall);
        SendInstalledLine(context, installed);
    }
    context.reply.WriteKUID(installed);
    context.reply.WriteBool(replaced);
}

namespace {

std::string ByteCountText(std::uint64_t bytes)
{
    if (bytes < (1u << 20))
        return std::to_string(bytes) + " bytes";
    char text[48];
    snprintf(text, sizeof(text), "%.1f MiB", static_cast<double>(bytes) / double(1u << 20));
    return text;
}

// The bytes the archive's entries declare for the files an install writes.
std::uint64_t DeclaredArchiveBytes(const SoupHandle& archive)
{
    std::uint64_t total = 0;
    std::int32_t count = CountArchiveAssets(archive);
    for (std::int32_t index = 0; index < count; ++index) {
        CDPAssetEntry entry = GetArchiveAsset(archive, index);
        total += DeclaredContentBytes(entry.GetFilesSoup(), entry.GetCompression());
    }
    return total;
}

// Checked before anything is written, against the file system the new
// revisions are staged on (a small archive may declare gigabytes of
// files); extraction still stops at a full disk and says so.
bool EnoughSpace(KADRequestContext& context, const KADAssetStore& store, std::uint64_t need)
{
    std::string target = store.UserDataRoot() + "/local";
    struct statvfs info {};
    if (statvfs(target.c_str(), &info) != 0) {
        target = store.UserDataRoot();
        if (statvfs(target.c_str(), &info) != 0)
            return true;
    }
    std::uint64_t available = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    struct stat staged {};
    struct stat index {};
    std::uint64_t reserve = 0;
    if (stat(target.c_str(), &staged) == 0 && stat(store.DatabasePath().c_str(), &index) == 0 &&
        staged.st_dev == index.st_dev)
        reserve = SpareBytes;
    if (available >= need && available - need >= reserve)
        return true;
    std::string text = "Not enough free disk space to install the archive: its files need " + ByteCountText(need);
    if (reserve > 0)
        text += " (and " + ByteCountText(reserve) + " kept free for the asset database)";
    text += ", and " + ByteCountText(available) + " are free.";
    KADSendAssetLine(context, LineError, NullKUID, text);
    return false;
}

// Entries installed per batch: one flush and one index transaction each.
constexpr std::int32_t EntriesPerBatch = 128;

// One archive entry: checked and prepared, then installed with its batch;
// its lines go out in entry order once the batch is durable.
struct EntryInstall {
    KUID id;
    std::string failure;  // refused before installing
    bool signatureOk = false;
    SoupHandle config;
    SoupHandle files;
    Zel::PString compression;
    std::vector<SkippedContentEntry> skipped;
    KADInstallRequest request;
};

void PrepareEntry(EntryInstall& install, CDPAssetEntry entry, std::int32_t mode)
{
    install.id = entry.GetKUID();
    const KUID& id = install.id;
    if (id.IsNull() || !id.IsValid()) {
        install.failure = "The entry has no valid \"kuid\".";
        return;
    }
    install.signatureOk = VerifyAssetDsid(entry.soup);
    install.config = NormaliseAssetConfig(entry);
    if (!CheckAssetConfigLimits(install.config, "The config", install.failure))
        return;
    install.files = entry.GetFilesSoup();
    install.compression = entry.GetCompression();
    KADInstallRequest& request = install.request;
    request.id = id;
    request.config = install.config;
    request.setFlags = install.signatureOk ? 0u : AssetModified;
    request.clearFlags = install.signatureOk ? AssetModified : 0u;
    if (mode == InstallFromService)
        request.setFlags |= AssetFromService | AssetServiceItem;
    request.fill = [&install](const std::string& leafFolder, std::string& reason) {
        Zel::PString extractError;
        install.skipped.clear();
        ExtractArchiveFiles(extractError, install.files, Zel::PString(), leafFolder.c_str(), install.compression,
                            &install.skipped);
        if (!extractError.IsEmpty()) {
            reason = extractError.c_str();
            return false;
        }
        if (KADWriteConfigText(leafFolder + "/config.txt", install.config, KADFlush::Later))
            return true;
        reason = "Unable to write the config.";
        return false;
    };
}

// Installs the entries [first, end); the number installed.
std::uint32_t InstallEntries(KADRequestContext& context, KADAssetStore& store, const SoupHandle& archive,
                             std::int32_t first, std::int32_t end, std::int32_t mode)
{
    std::vector<EntryInstall> installs(static_cast<std::size_t>(end - first));
    std::vector<const KADInstallRequest*> requests;
    for (std::int32_t index = first; index < end; ++index) {
        EntryInstall& install = installs[static_cast<std::size_t>(index - first)];
        PrepareEntry(install, GetArchiveAsset(archive, index), mode);
        if (install.failure.empty())
            requests.push_back(&install.request);
    }
    std::vector<KADInstallOutcome> outcomes = KADInstallAssets(store, *context.store, requests);
    std::uint32_t installed = 0;
    std::size_t next = 0;
    for (EntryInstall& install : installs) {
        if (!install.failure.empty()) {
            SendFailedLine(context, install.id, install.failure);
            continue;
        }
        const KADInstallOutcome& outcome = outcomes[next++];
        if (!outcome.installed) {
            SendFailedLine(context, install.id, outcome.error);
            continue;
        }
        for (const std::string& warning : outcome.warnings)
            KADSendAssetLine(context, LineWarning, install.id, warning);
        if (!install.signatureOk)
            KADSendAssetLine(context, LineWarning, install.id,
                             "The asset's content signature does not match its files.");
        KADSendSkippedLines(context, install.id, install.skipped, KADSkipContext::ArchiveInstall);
        SendInstalledLine(context, install.id);
        ++installed;
    }
    return installed;
}

}  // namespace

// Payload: Str archive path; int32 mode. Reply: uint32 assets installed;
// bool an entry was skipped. No prompts: modes 2 and 6 never ask.
void KADHandleInstallArchive(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    std::string path = context.request.ReadString().c_str();
    std::int32_t mode = context.request.ReadInt32(0);
    std::uint32_t installed = 0;
    bool skipped = false;
    SoupHandle archive;
    if (!KADCanChangeStore(context) || context.request.HasError()) {
        KADSendAssetLine(context, LineError, NullKUID, "Unable to install the archive.");
    } else {
        Zel::PString error = OpenArchive(archive, Zel::PString(), path.c_str());
        if (!error.IsEmpty()) {
            KADSendAssetLine(context, LineError, NullKUID, std::string("Unable to read the archive: ") + error.c_str());
        } else if (!EnoughSpace(context, store, DeclaredArchiveBytes(archive))) {
            skipped = CountArchiveAssets(archive) > 0;
        } else {
            std::int32_t count = CountArchiveAssets(archive);
            for (std::int32_t first = 0; first < count; first += EntriesPerBatch) {
                std::int32_t end = std::min(count, first + EntriesPerBatch);
                installed += InstallEntries(context, store, archive, first, end, mode);
            }
            skipped = installed < static_cast<std::uint32_t>(count);
        }
    }
    context.reply.WriteUInt32(installed);
    context.reply.WriteBool(skipped);
}

// Payload: KUID; int32 option (ignored). Reply: the entry soup; "no soup"
// and an error line for an asset without files to export.
void KADHandleExportAssetChunk(KADRequestContext& context)
{
    KADAssetStore& store = KADAssetStore::Get(context);
    KUID id = context.request.ReadKUID();
    context.request.ReadInt32(0);
    KADAssetRecord record;
    SoupHandle entry;
    std::string error = "Unknown asset.";
    if (store.Find(id, record)) {
        std::string folder = KADCommittedFolder(store.UserDataRoot(), record);
        if (folder.empty())
            folder = KADEditFolder(store.UserDataRoot(), record);
        SoupHandle config;
        if (!folder.empty() && KADLoadFolderConfig(folder, config, error) &&
            KADExportAssetFolder(folder, config, id, entry, error))
            KADSendSkippedLines(context, id, KADFindFilesArchivesSkip(folder), KADSkipContext::Export);
    }
    if (entry.IsEmpty()) {
        entry.Clear();
        KADSendAssetLine(context, LineError, id, "Unable to export asset " + KADAssetText(id) + ": " + error);
    }
    WriteBinarySoup(context.reply, entry);
}
