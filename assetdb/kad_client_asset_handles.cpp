// Opening, committing and reverting assets through counted daemon handles (OpenAsset, RevertAsset, CommitAsset and OpenAssetForEdit).
#include "assetdb/kad_client.h"

#include "assetdb/kad_request_buffers.h"

namespace {

// A record for a handle the daemon gave; null for (-1, -1). The reply holds
// the handle first, then (for OpenAssetForEdit) the id, then the store name and
// folder.
KADAssetHandle* ReadOpenedRecord(TBuffer& reply, const KUID& requestedId, bool idInReply)
{
    auto* record = new KADAssetHandle();
    record->ReadDaemonHandle(reply);
    if (!record->HasDaemonHandle()) {
        delete record;
        return nullptr;
    }
    record->assetId = idInReply ? reply.ReadKUID() : requestedId;
    record->name = reply.ReadPString();
    record->folder = Zel::File::Path(reply.ReadString().Std());
    record->folderKnown = true;
    return record;
}

}  // namespace

KADAssetHandleRef KADClient::OpenAsset(const KUID& id, bool writable, ResultsLog* log)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteBool(writable);
    if (!buffers.Send(KADRequestCode::OpenAsset, nullptr, log))
        return KADAssetHandleRef();
    return KADAssetHandleRef(ReadOpenedRecord(buffers.reply, id, false), writable);
}

KADAssetHandleRef KADClient::OpenAssetForEdit(const KUID& id, bool allocateIdForNull, const Zel::AnsiString& name)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    buffers.request.WriteBool(allocateIdForNull);
    buffers.request.WriteString(name);
    if (!buffers.Send(KADRequestCode::OpenAssetForEdit))
        return KADAssetHandleRef();
    return KADAssetHandleRef(ReadOpenedRecord(buffers.reply, id, true), true);
}

bool KADClient::RevertAsset(KADAssetHandleRef& handle, ResultsLog* log)
{
    KADAssetHandle* record = handle.Get();
    if (record == nullptr)
        return false;
    KADRequestBuffers buffers;
    record->WriteDaemonHandle(buffers.request);
    bool result = false;
    if (buffers.Send(KADRequestCode::RevertAsset, nullptr, log))
        result = buffers.reply.ReadBool(false);
    record->folderKnown = false;
    handle.Release();
    return result;
}

bool KADClient::CommitAsset(KADAssetHandleRef& handle, int32_t commitFlags, ResultsLog* log, bool* secondResult)
{
    KADAssetHandle* record = handle.Get();
    if (record == nullptr)
        return false;
    KADRequestBuffers buffers;
    record->WriteDaemonHandle(buffers.request);
    buffers.request.WriteInt32(commitFlags);
    bool result = false;
    if (buffers.Send(KADRequestCode::CommitAsset, nullptr, log)) {
        result = buffers.reply.ReadBool(false);
        bool second = buffers.reply.ReadBool(false);
        if (secondResult != nullptr)
            *secondResult = second;
    }
    record->folderKnown = false;
    if (result)
        handle.SetWritable(false);
    return result;
}
