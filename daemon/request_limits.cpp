// The largest payload each kind of request may carry.
#include "daemon/request_limits.h"

#include "assetdb/protocol/kad_requests.h"

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

// One case per row of the request table; a row without one fails to build
// (the check below), so a new request cannot slip in with no limit.
constexpr std::size_t LimitOf(KADRequestCode code)
{
    using C = KADRequestCode;
    switch (code) {
    case C::HostKeepAlive:
    case C::CloseDaemon:
    case C::RegisterCommandHost:
    case C::AsyncCallAnswer:
        return FixedFields;
    case C::CommandHostAnswer:
        return Bulk;
    case C::GetSettingsSection:
    case C::GetSetting:
    case C::SetSetting:
        return ShortTexts;
    case C::SetSettingsSection:
        return OneSoup;
    case C::SearchAssets:
    case C::GetDependencies:
        return Bulk;
    case C::GetAssetConfig:
    case C::GetAssetInfo:
    case C::GetAssetConfigPath:
    case C::ResolveAssetID:
    case C::GetUpdatedAssetID:
    case C::GetAssetDescription:
    case C::GetAssetThumbnail:
    case C::SetAssetDownloadSize:
    case C::GetObsoletedAssets:
    case C::SetLatestVersion:
    case C::SetAssetFavorite:
    case C::GenerateKUID:
    case C::GetAuthorName:
        return FixedFields;
    case C::ValidateAssetFolder:
    case C::SetAssetKeywords:
        return ShortTexts;
    case C::OpenAsset:
    case C::CloseAssetHandle:
    case C::GetAssetFolder:
    case C::RevertAsset:
    case C::CommitAsset:
    case C::DeleteAsset:
    case C::ExportAssetChunk:
        return FixedFields;
    case C::OpenAssetForEdit:
    case C::InstallFolder:
    case C::InstallArchive:
        return ShortTexts;
    case C::StartRepair:
    case C::GetRepairProgress:
    case C::RunPatcher:
        return FixedFields;
    case C::StartWebQuery:  // URL and an empty soup
        return ShortTexts;
    case C::CloseWebQuery:
    case C::GetWebQueryStatus:
    case C::QueryCompressorFlag:
    case C::ListBuilds:
    case C::GetOnlineProfile:
    case C::ClearOnlineLoginTicket:
    case C::GetOnlineLoginTicket:
        return FixedFields;
    case C::GetOnlineLocalData:
        return ShortTexts;
    case C::SetOnlineLocalData:
        return OneSoup;
    case C::TestEcho:
    case C::TestResultLines:
        return Bulk;
    case C::TestSleep:
    case C::TestFail:
    case C::TestHoldings:
        return FixedFields;
    case C::TestHostQuestion:  // a path and a list of ids
        return ShortTexts;
    }
    return 0;
}

#define KAD_REQUEST(code, name, lane)                                                                                  \
    static_assert(LimitOf(KADRequestCode::name) != 0, "request " #name " has no payload limit");
#include "assetdb/protocol/kad_requests.def"

}  // namespace

std::size_t KADMaxRequestPayload(std::int32_t code)
{
    return KADHasOwnPayloadLimit(code) ? LimitOf(static_cast<KADRequestCode>(code)) : UnknownCode;
}

bool KADHasOwnPayloadLimit(std::int32_t code)
{
    return KADRequestName(static_cast<KADRequestCode>(code)) != nullptr;
}
