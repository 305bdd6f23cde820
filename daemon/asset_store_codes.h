// Request codes of the asset store, as the client sends them.
#pragma once

#include <cstdint>

struct KadAssetRequestCode {
    static constexpr std::int32_t SearchAssets = 2;
    static constexpr std::int32_t GetAssetConfig = 20;
    static constexpr std::int32_t GetAssetInfo = 21;
    static constexpr std::int32_t GetAssetConfigPath = 23;
    static constexpr std::int32_t ResolveAssetID = 26;
    static constexpr std::int32_t GetUpdatedAssetID = 27;
    static constexpr std::int32_t GetAssetDescription = 28;
    static constexpr std::int32_t OpenAsset = 30;
    static constexpr std::int32_t CloseHandle = 31;
    static constexpr std::int32_t GetFolder = 32;
    static constexpr std::int32_t RevertAsset = 33;
    static constexpr std::int32_t CommitAsset = 34;
    static constexpr std::int32_t OpenAssetForEdit = 35;
    static constexpr std::int32_t DeleteAsset = 36;
    static constexpr std::int32_t ValidateAssetFolder = 38;
    static constexpr std::int32_t InstallFolder = 39;
    static constexpr std::int32_t InstallArchive = 40;
    static constexpr std::int32_t SetAssetDownloadSize = 41;
    static constexpr std::int32_t GetDependencies = 42;
    static constexpr std::int32_t GetObsoletedAssets = 43;
    static constexpr std::int32_t SetLatestVersion = 47;
    static constexpr std::int32_t ExportAssetChunk = 48;
    static constexpr std::int32_t SetAssetFavorite = 50;
    static constexpr std::int32_t SetAssetKeywords = 54;
    static constexpr std::int32_t GenerateKUID = 58;
    static constexpr std::int32_t AuthorName = 90;
    static constexpr std::int32_t GetOnlineProfile = 240;
    static constexpr std::int32_t ClearOnlineLoginTicket = 241;
    static constexpr std::int32_t GetOnlineLoginTicket = 242;
    static constexpr std::int32_t ListBuilds = 253;
};
