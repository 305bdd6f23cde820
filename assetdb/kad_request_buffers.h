// KADRequestBuffers: the fresh request and reply buffers every daemon request wrapper builds, and the request codes of the asset catalogue.
#pragma once

#include <cstdint>

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_client.h"
#include "zel/dynamic_buffer.h"

// Request codes of the asset, build, online and texture requests; the link's
// own codes (settings, close, host) are in assetdb/protocol/kad_protocol.h.
enum class KadAssetRequestCode : int32_t {
    SearchAssets = 2,
    GetAssetConfig = 20,
    GetAssetInfo = 21,
    GetAssetConfigPath = 23,
    ResolveAssetID = 26,
    GetUpdatedAssetID = 27,
    GetAssetDescription = 28,
    GetAssetThumbnail = 29,
    OpenAsset = 30,
    CloseAssetHandle = 31,
    GetAssetFolder = 32,
    RevertAsset = 33,
    CommitAsset = 34,
    OpenAssetForEdit = 35,
    DeleteAsset = 36,
    ValidateAssetFolder = 38,
    InstallFolder = 39,
    InstallArchive = 40,
    SetAssetDownloadSize = 41,
    GetDependencies = 42,
    GetObsoletedAssets = 43,
    SetLatestVersion = 47,
    ExportAssetChunk = 48,
    SetAssetFavorite = 50,
    SetAssetKeywords = 54,
    GenerateKUID = 58,
    GetAuthorName = 90,
    QueryCompressorFlag = 181,
    GetOnlineProfile = 240,
    ClearOnlineLoginTicket = 241,
    GetOnlineLoginTicket = 242,
    ListBuilds = 253,
};

// Each request is built in a fresh buffer of the engine's usual growth (0,
// 512); the payload is sent from the start, and the reply is rewound for
// reading once it has arrived.
struct KADRequestBuffers {
    TBuffer request{new Zel::DynamicBuffer(0, 512), true};
    TBuffer reply{new Zel::DynamicBuffer(0, 512), true};

    bool Send(KadAssetRequestCode code, KADPromptHandler* promptHandler = nullptr, ResultsLog* log = nullptr)
    {
        request.Rewind();
        bool ok = KADClient::Request(static_cast<int32_t>(code), request, reply, promptHandler, log);
        reply.Rewind();
        return ok;
    }
};
