// GetAssetInfo and the accessors that take one field of the asset-info record.
#include "assetdb/kad_client.h"

#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_request_buffers.h"

namespace {

constexpr int32_t MaskName = 1;
constexpr int32_t MaskTexts = 4;
constexpr int32_t MaskStatus = 8;

// The record asked with a mask; false when the request failed.
bool AskInfo(const KUID& id, int32_t mask, KADAssetInfo& info)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteInt32(mask);
    if (!buffers.Send(KADRequestCode::GetAssetInfo))
        return false;
    info.Read(buffers.reply);
    return true;
}

// One text field of the record; empty when the request fails.
Zel::String AskText(const KUID& id, int32_t mask, Zel::String KADAssetInfo::*field)
{
    KADAssetInfo info;
    return AskInfo(id, mask, info) ? info.*field : Zel::String();
}

// A test of the status bytes; true when the request fails.
template <class Test>
bool AskStatus(const KUID& id, Test test)
{
    KADAssetInfo info;
    return !AskInfo(id, MaskStatus, info) || test(info);
}

}  // namespace

bool KADClient::GetAssetInfo(const KUID& id, int32_t fieldMask, KADAssetInfo& info)
{
    info = KADAssetInfo();
    if (!AskInfo(id, fieldMask, info))
        return false;
    return info.found;
}

Zel::String KADClient::GetAssetName(const KUID& id)
{
    return AskText(id, MaskName, &KADAssetInfo::name);
}

Zel::String KADClient::GetAssetRegionList(const KUID& id)
{
    return AskText(id, MaskTexts, &KADAssetInfo::regionList);
}

Zel::String KADClient::GetAssetKeywords(const KUID& id)
{
    return AskText(id, MaskTexts, &KADAssetInfo::keywordList);
}

Zel::String KADClient::GetAssetEraList(const KUID& id)
{
    return AskText(id, MaskTexts, &KADAssetInfo::eraList);
}

// The status tests answer true when the daemon cannot be asked, so callers
// treat an unknown asset as one that needs attention.
bool KADClient::IsAssetLocallyModified(const KUID& id)
{
    return AskStatus(
        id, [](const KADAssetInfo& info) { return (info.statusByte0 & KADAssetInfo::StatusLocallyModified) != 0; });
}

bool KADClient::HasStatusI(const KUID& id)
{
    return AskStatus(id,
                     [](const KADAssetInfo& info) { return (info.statusByte0 & KADAssetInfo::StatusInstalled) != 0; });
}

bool KADClient::HasStatusF(const KUID& id)
{
    return AskStatus(id, [](const KADAssetInfo& info) { return (info.statusByte1 & KADAssetInfo::StatusFaulty) != 0; });
}

bool KADClient::HasStatusM(const KUID& id, bool notInstalledCounts)
{
    return AskStatus(id, [notInstalledCounts](const KADAssetInfo& info) {
        if (notInstalledCounts && (info.statusByte0 & KADAssetInfo::StatusInstalled) == 0)
            return true;
        return (info.statusByte1 & KADAssetInfo::StatusMissingDependencies) != 0;
    });
}
