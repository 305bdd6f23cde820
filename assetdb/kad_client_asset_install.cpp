// The requests that change the asset store as a whole: delete, validate, install a folder or an archive, export.
#include "assetdb/kad_client.h"

#include "assetdb/kad_request_buffers.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"

bool KADClient::DeleteAsset(const KUID& id, bool ignoredFlag, ResultsLog* log)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteBool(ignoredFlag);
    if (!buffers.Send(KADRequestCode::DeleteAsset, nullptr, log))
        return false;
    return buffers.reply.ReadBool(false);
}

bool KADClient::ValidateAssetFolder(const Zel::PString& name, const Zel::File::Path& folder, ResultsLog* log)
{
    KADRequestBuffers buffers;
    buffers.request.WritePString(name);
    buffers.request.WriteString(Zel::String(folder.Str()));
    if (!buffers.Send(KADRequestCode::ValidateAssetFolder, nullptr, log))
        return false;
    return buffers.reply.ReadBool(false);
}

KUID KADClient::InstallFolder(const Zel::File::Path& folder, int32_t ignoredOption, ResultsLog* log, bool* replacedOut,
                              KADPromptHandler* promptHandler)
{
    KADRequestBuffers buffers;
    buffers.request.WriteString(Zel::String(folder.Str()));
    buffers.request.WriteInt32(ignoredOption);
    if (!buffers.Send(KADRequestCode::InstallFolder, promptHandler, log))
        return NullKUID;
    KUID installed = buffers.reply.ReadKUID();
    bool replaced = buffers.reply.ReadBool(false);
    if (replacedOut != nullptr)
        *replacedOut = replaced;
    return installed;
}

uint32_t KADClient::InstallArchive(const Zel::File::Path& archivePath, KADPromptHandler* promptHandler, int32_t mode,
                                   bool* skippedOut, ResultsLog* log)
{
    if (skippedOut != nullptr)
        *skippedOut = false;
    KADRequestBuffers buffers;
    buffers.request.WriteString(Zel::String(archivePath.Str()));
    buffers.request.WriteInt32(mode);
    if (!buffers.Send(KADRequestCode::InstallArchive, promptHandler, log))
        return 0;
    uint32_t result = buffers.reply.ReadUInt32(0);
    bool skipped = buffers.reply.ReadBool(false);
    if (skippedOut != nullptr)
        *skippedOut = skipped;
    return result;
}

SoupHandle KADClient::ExportAssetChunk(const KUID& id, int32_t option, ResultsLog* log)
{
    SoupHandle soup;
    soup.SetNamedTag(Zel::PString("compression"), "LZSS");
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteInt32(option);
    if (buffers.Send(KADRequestCode::ExportAssetChunk, nullptr, log))
        ReadBinarySoupUnchecked(soup, buffers.reply);
    return soup;
}
