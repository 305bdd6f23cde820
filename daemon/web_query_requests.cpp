// Web queries: start, close and status requests.
#include "foundation/streams/t_buffer.h"
#include "daemon/daemon_config.h"
#include "daemon/daemon_paths.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/web_query_registry.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"

namespace {

// Null for a context made without a server: it has no folder to fetch into.
KADWebQueries* Queries(const KADRequestContext& context)
{
    if (context.paths == nullptr || context.config == nullptr || context.paths->userDataRoot.empty())
        return nullptr;
    return &KADWebQueries::ForCacheFolder(context.paths->userDataRoot + "/cache/web");
}

KADWebHandle ReadHandle(TBuffer& request)
{
    KADWebHandle handle;
    handle.first = request.ReadInt32(-1);
    handle.second = request.ReadInt32(-1);
    return handle;
}

}  // namespace

// Payload: u8 0; PString URL; int32 mode; int32 -1; binary soup (none).
// Reply: the query handle, (-1, -1) when the request cannot be read.
void KADHandleStartWebQuery(KADRequestContext& context)
{
    context.request.ReadUInt8(0);
    Zel::PString url = context.request.ReadPString();
    std::int32_t mode = context.request.ReadInt32(KADWebQueryModeDownload);
    context.request.ReadInt32(-1);
    KADWebHandle handle;
    KADWebQueries* queries = Queries(context);
    if (!context.request.HasError() && queries != nullptr)
        handle = queries->Start(context.connection, std::string(url.View()), mode, context.config->web);
    context.reply.WriteInt32(handle.first);
    context.reply.WriteInt32(handle.second);
}

// Payload: the handle. Reply: empty.
void KADHandleCloseWebQuery(KADRequestContext& context)
{
    KADWebHandle handle = ReadHandle(context.request);
    if (KADWebQueries* queries = Queries(context))
        queries->Close(context.connection.get(), handle);
}

// Payload: the handle. Reply: bool complete; u32 HTTP status; u32 result;
// u32 byte count; String result file; PString result text.
void KADHandleGetWebQueryStatus(KADRequestContext& context)
{
    KADWebHandle handle = ReadHandle(context.request);
    // No registry, no query of this connection: it completes at once.
    KADDaemonWebQueryStatus status;
    status.complete = true;
    status.resultCode = KADWebResultUnknownQuery;
    if (KADWebQueries* queries = Queries(context))
        status = queries->Status(context.connection.get(), handle);
    context.reply.WriteBool(status.complete);
    context.reply.WriteUInt32(status.httpStatus);
    context.reply.WriteUInt32(status.resultCode);
    context.reply.WriteUInt32(status.byteCount);
    context.reply.WriteString(Zel::AnsiString(status.file.c_str()));
    context.reply.WritePString(Zel::PString(status.text.c_str()));
}
