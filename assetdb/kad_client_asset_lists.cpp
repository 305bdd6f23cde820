// The requests that answer with lists of asset ids: search, dependencies, obsoleted assets.
#include "assetdb/kad_client.h"

#include "assetdb/kad_filter_element.h"
#include "assetdb/kad_request_buffers.h"

namespace {

// uint32 n, then n ids. The count is not trusted: reading ends where the
// reply does, and an id cut short by the end is appended as the null id.
void AppendReplyIds(TBuffer& reply, ChunkedList<KUID, 128>& out)
{
    uint32_t count = reply.ReadUInt32(0);
    for (uint32_t i = 0; i < count && !reply.Eof() && !reply.HasError(); ++i) {
        KUID id = reply.ReadKUID();
        out.PushBack(reply.HasError() ? NullKUID : id);
    }
}

}  // namespace

void KADClient::SearchAssets(const KADFilterElement* filter, ChunkedList<KUID, 128>& list)
{
    KADRequestBuffers buffers;
    WriteFilterElement(buffers.request, filter);
    if (!buffers.Send(KADRequestCode::SearchAssets))
        return;
    AppendReplyIds(buffers.reply, list);
}

bool KADClient::GetDependencies(const ChunkedList<KUID, 128>& ids, ChunkedList<KUID, 128>& out)
{
    KADRequestBuffers buffers;
    buffers.request.WriteUInt32(uint32_t(ids.TotalCount()));
    for (const KUID& id : ids)
        buffers.request.WriteKUID(id);
    if (buffers.Send(KADRequestCode::GetDependencies))
        AppendReplyIds(buffers.reply, out);
    return true;
}

bool KADClient::GetAssetDependencies(const KUID& id, ChunkedList<KUID, 128>& out)
{
    ChunkedList<KUID, 128> ids;
    ids.PushBack(id);
    return GetDependencies(ids, out);
}

bool KADClient::GetObsoletedAssets(const KUID& id, ChunkedList<KUID, 128>& out)
{
    KADRequestBuffers buffers;
    buffers.request.WriteKUID(id);
    if (buffers.Send(KADRequestCode::GetObsoletedAssets))
        AppendReplyIds(buffers.reply, out);
    return true;
}
