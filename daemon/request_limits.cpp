// The largest payload each kind of request may carry.
#include "daemon/request_limits.h"

#include <unordered_map>

#include "assetdb/protocol/kad_protocol.h"
#include "daemon/asset_store_codes.h"
#include "daemon/test_hook_codes.h"

namespace {

// Numbers, KUIDs, handles and flags only: the longest (two KUIDs) is 16
// bytes; the room above that costs nothing.
constexpr std::size_t FixedFields = 256;
// Up to three strings besides fixed fields; a string on the wire is always
// shorter than 64 KiB (longer ones go out empty).
constexpr std::size_t ShortTexts = 256 * 1024;
// A name and one soup (a settings section, a script's stored data).
constexpr std::size_t OneSoup = 16 * 1024 * 1024;
// Lists of KUIDs (a search filter, a dependency look-up) and a command
// host's results log: millions of entries fit.
constexpr std::size_t Bulk = 64 * 1024 * 1024;
// Codes nobody answers get an empty reply whatever they carry; no client
// of ours sends them, so they are kept small.
constexpr std::size_t UnknownCode = 64 * 1024;

const std::unordered_map<std::int32_t, std::size_t>& Limits()
{
    using A = KadAssetRequestCode;
    auto code = [](KadRequestCode value) { return static_cast<std::int32_t>(value); };
    static const std::unordered_map<std::int32_t, std::size_t> limits = {
        {code(KadRequestCode::HostKeepAlive), FixedFields},
        {A::SearchAssets, Bulk},
        {3, FixedFields},  // start repair: mode
        {4, FixedFields},  // repair progress
        {A::GetAssetConfig, FixedFields},
        {A::GetAssetInfo, FixedFields},
        {A::GetAssetConfigPath, FixedFields},
        {A::ResolveAssetID, FixedFields},
        {A::GetUpdatedAssetID, FixedFields},
        {A::GetAssetDescription, FixedFields},
        {29, FixedFields},  // thumbnail: KUID, size
        {A::OpenAsset, FixedFields},
        {A::CloseHandle, FixedFields},
        {A::GetFolder, FixedFields},
        {A::RevertAsset, FixedFields},
        {A::CommitAsset, FixedFields},
        {A::OpenAssetForEdit, ShortTexts},
        {A::DeleteAsset, FixedFields},
        {A::ValidateAssetFolder, ShortTexts},
        {A::InstallFolder, ShortTexts},
        {A::InstallArchive, ShortTexts},
        {A::SetAssetDownloadSize, FixedFields},
        {A::GetDependencies, Bulk},
        {A::GetObsoletedAssets, FixedFields},
        {A::SetLatestVersion, FixedFields},
        {A::ExportAssetChunk, FixedFields},
        {A::SetAssetFavorite, FixedFields},
        {A::SetAssetKeywords, ShortTexts},
        {A::GenerateKUID, FixedFields},
        {A::AuthorName, FixedFields},
        {code(KadRequestCode::GetSettingsSection), ShortTexts},
        {code(KadRequestCode::SetSettingsSection), OneSoup},
        {code(KadRequestCode::GetSetting), ShortTexts},
        {code(KadRequestCode::SetSetting), ShortTexts},
        {121, ShortTexts},  // online local data get: KUID, name
        {122, OneSoup},     // online local data put: KUID, name, soup
        {code(KadRequestCode::RegisterCommandHost), FixedFields},
        {code(KadRequestCode::CommandHostAnswer), Bulk},
        {code(KadRequestCode::AsyncCallAnswer), FixedFields},
        {181, FixedFields},  // compressor flag
        {230, ShortTexts},   // web query start: URL and an empty soup
        {231, FixedFields},  // web query close
        {232, FixedFields},  // web query status
        {A::GetOnlineProfile, FixedFields},
        {A::ClearOnlineLoginTicket, FixedFields},
        {A::GetOnlineLoginTicket, FixedFields},
        {A::ListBuilds, FixedFields},
        {256, FixedFields},  // run patcher
        {code(KadRequestCode::CloseDaemon), FixedFields},
        // Private requests of test builds; other builds answer them as unknown.
        {KadTestHookCode::Echo, Bulk},
        {KadTestHookCode::Sleep, FixedFields},
        {KadTestHookCode::Fail, FixedFields},
        {KadTestHookCode::ResultLines, Bulk},
    };
    return limits;
}

}  // namespace

std::size_t KadMaxRequestPayload(std::int32_t code)
{
    auto found = Limits().find(code);
    return found != Limits().end() ? found->second : UnknownCode;
}

bool KadHasOwnPayloadLimit(std::int32_t code)
{
    return Limits().count(code) != 0;
}
