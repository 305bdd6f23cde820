// The single-asset requests of the client: config, config path, id resolution, description, thumbnail, small setters, new ids.
#include "assetdb/kad_client.h"

#include "assetdb/kad_request_buffers.h"
#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/spec_creation.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"

namespace {

// The id sent alone, the id read back; the given id when the request fails.
KUID AskForId(KADRequestCode code, const KUID& id)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    if (!buffers.Send(code))
        return id;
    return buffers.reply.ReadKUID();
}

}  // namespace

SoupHandle KADClient::GetAssetConfig(const KUID& id)
{
    // A spec already loaded holds the config; the daemon is not asked again.
    if (PemberlynxSpecRef spec = FindLoadedSpec(id))
        return spec->GetConfig();
    SoupHandle config;
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    if (!buffers.Send(KADRequestCode::GetAssetConfig))
        return config;
    if (!ReadBinarySoup(config, buffers.reply))
        config.Clear();
    return config;
}

void KADClient::GetAssetConfigPath(const KUID& id, bool ignoredFlag, Zel::PString& name, Zel::File::Path& configPath)
{
    name.Release();
    configPath.Clear();
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteBool(ignoredFlag);
    if (!buffers.Send(KADRequestCode::GetAssetConfigPath))
        return;
    name = buffers.reply.ReadPString();
    configPath = Zel::File::Path(buffers.reply.ReadString().Std());
    // The daemon answers with the asset's folder; a config file name at its
    // end (as older daemons sent) is dropped so callers always get the folder.
    std::string file = configPath.GetFileName();
    if (file == "config.txt" || file == "config.chump")
        configPath.DelName(true);
}

KUID KADClient::ResolveAssetID(const KUID& id)
{
    return AskForId(KADRequestCode::ResolveAssetID, id);
}

KUID KADClient::GetUpdatedAssetID(const KUID& id)
{
    return AskForId(KADRequestCode::GetUpdatedAssetID, id);
}

Zel::String KADClient::GetAssetDescription(const KUID& id)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    if (!buffers.Send(KADRequestCode::GetAssetDescription))
        return Zel::String();
    return buffers.reply.ReadString();
}

uint32_t KADClient::GetAssetThumbnail(const KUID& id, int32_t imageSize, Zel::PString& name, Zel::File::Path& filePath)
{
    name.Release();
    filePath.Clear();
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteInt32(imageSize);
    if (!buffers.Send(KADRequestCode::GetAssetThumbnail))
        return 0;
    name = buffers.reply.ReadPString();
    filePath = Zel::File::Path(buffers.reply.ReadString().Std());
    return buffers.reply.ReadUInt32(0);
}

void KADClient::SetAssetDownloadSize(const KUID& id, int32_t size)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteInt32(size);
    buffers.Send(KADRequestCode::SetAssetDownloadSize);
}

void KADClient::SetLatestVersion(const KUID& id, const KUID& latest)
{
    if (id.IsNull() || latest.IsNull() || id == latest)
        return;
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteKUID(latest);
    buffers.Send(KADRequestCode::SetLatestVersion);
}

void KADClient::SetAssetFavorite(const KUID& id, bool favorite)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteBool(favorite);
    buffers.Send(KADRequestCode::SetAssetFavorite);
}

void KADClient::SetAssetKeywords(const KUID& id, const Zel::AnsiString& keywords)
{
    // A text too long for the wire would arrive as the empty list and wipe
    // the asset's keywords; it is not sent at all.
    if (keywords.Size() >= TStream::StringLimit)
        return;
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteString(keywords);
    buffers.Send(KADRequestCode::SetAssetKeywords);
}

KUID KADClient::GenerateKUID(ResultsLog* log)
{
    KADRequestBuffers buffers;
    if (!buffers.Send(KADRequestCode::GenerateKUID, nullptr, log))
        return NullKUID;
    return buffers.reply.ReadKUID();
}
