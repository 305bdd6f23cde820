// KADWebQuery: a web fetch the daemon performs for the program, with its cached status.
#include "assetdb/kad_web_query.h"

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_request_buffers.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "zel/dynamic_buffer.h"

namespace {

void WriteHandle(TBuffer& buffer, const KADWebQuery& query)
{
    buffer.WriteInt32(query.handleFirst);
    buffer.WriteInt32(query.handleSecond);
}

}  // namespace

KADWebQuery* KADWebQuery::Start(const URL& url, int32_t mode)
{
    auto* query = new KADWebQuery();
    query->url = url;
    KADRequestBuffers buffers;
    buffers.request.WriteUInt8(0);
    buffers.request.WritePString(Zel::PString(url.Format().c_str()));
    buffers.request.WriteInt32(mode);
    buffers.request.WriteInt32(-1);
    WriteBinarySoup(buffers.request, SoupHandle());
    if (buffers.Send(KADRequestCode::StartWebQuery)) {
        query->handleFirst = buffers.reply.ReadInt32(-1);
        query->handleSecond = buffers.reply.ReadInt32(-1);
    }
    return query;
}

void KADWebQuery::Close()
{
    KADRequestBuffers buffers;
    WriteHandle(buffers.request, *this);
    buffers.Send(KADRequestCode::CloseWebQuery);
    status.resultText = Zel::PString();
}

void KADWebQuery::Delete(KADWebQuery* query)
{
    if (query == nullptr)
        return;
    query->Close();
    delete query;
}

KADWebQueryStatus KADWebQuery::GetStatus()
{
    if (status.complete)
        return status;
    KADWebQueryStatus fresh;
    KADRequestBuffers buffers;
    WriteHandle(buffers.request, *this);
    lastStatusFailed = !buffers.Send(KADRequestCode::GetWebQueryStatus);
    if (lastStatusFailed)
        return fresh;
    // An empty reply counts as complete.
    fresh.complete = buffers.reply.ReadBool(true);
    fresh.firstWord = buffers.reply.ReadUInt32(0);
    fresh.resultCode = buffers.reply.ReadUInt32(0);
    fresh.thirdWord = buffers.reply.ReadUInt32(0);
    fresh.resultFile = Zel::File::Path(buffers.reply.ReadString().c_str());
    fresh.resultText = buffers.reply.ReadPString();
    status = fresh;
    return status;
}

bool KADWebQuery::IsComplete()
{
    return GetStatus().complete;
}

uint32_t KADWebQuery::GetResultCode()
{
    return GetStatus().resultCode;
}

bool KADWebQuery::GetResultFile(Zel::File::Path& path, Zel::PString& text)
{
    KADWebQueryStatus current = GetStatus();
    path = current.resultFile;
    text = current.resultText;
    return !path.IsEmpty();
}
