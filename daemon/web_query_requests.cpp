// Web queries: requests 230 (start), 231 (close) and 232 (status).
#include "foundation/streams/t_buffer.h"
#include "daemon/daemon_paths.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/web_query_registry.h"
#include "platform/folders.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"

namespace {

constexpr std::int32_t StartWebQueryCode = 230;
constexpr std::int32_t CloseWebQueryCode = 231;
constexpr std::int32_t WebQueryStatusCode = 232;

// The daemon finds its folders from its own location, as it does at start.
const KadDaemonPaths& DaemonPaths()
{
    static const KadDaemonPaths paths = [] {
        KadDaemonPaths found;
        std::string executable;
        if (Platform::GetExecutablePath(executable))
            KadDaemonPaths::FromExecutable(executable, found);
        return found;
    }();
    return paths;
}

KadWebQueries& Queries()
{
    return KadWebQueries::ForCacheFolder(DaemonPaths().userDataRoot + "/cache/web");
}

KadWebHandle ReadHandle(TBuffer& request)
{
    KadWebHandle handle;
    handle.first = request.ReadInt32(-1);
    handle.second = request.ReadInt32(-1);
    return handle;
}

// Payload: u8 0; PString URL; int32 mode; int32 -1; binary soup (none).
// Reply: the query handle, (-1, -1) when the request cannot be read.
void StartWebQuery(KadRequestContext& context)
{
    context.request.ReadUInt8(0);
    Zel::PString url = context.request.ReadPString();
    std::int32_t mode = context.request.ReadInt32(KadWebModeDownload);
    context.request.ReadInt32(-1);
    KadWebHandle handle;
    if (!context.request.HasError() && !DaemonPaths().userDataRoot.empty()) {
        KadWebConfig config = KadLoadWebConfig(DaemonPaths().databasePath);
        handle = Queries().Start(context.connection, std::string(url.View()), mode, config);
    }
    context.reply.WriteInt32(handle.first);
    context.reply.WriteInt32(handle.second);
}

// Payload: the handle. Reply: empty.
void CloseWebQuery(KadRequestContext& context)
{
    KadWebHandle handle = ReadHandle(context.request);
    Queries().Close(context.connection.get(), handle);
}

// Payload: the handle. Reply: bool complete; u32 HTTP status; u32 result;
// u32 byte count; String result file; PString result text.
void WebQueryStatus(KadRequestContext& context)
{
    KadWebHandle handle = ReadHandle(context.request);
    KadWebQueryStatus status = Queries().Status(context.connection.get(), handle);
    context.reply.WriteBool(status.complete);
    context.reply.WriteUInt32(status.httpStatus);
    context.reply.WriteUInt32(status.resultCode);
    context.reply.WriteUInt32(status.byteCount);
    context.reply.WriteString(Zel::AnsiString(status.file.c_str()));
    context.reply.WritePString(Zel::PString(status.text.c_str()));
}

}  // namespace

void KadRegisterWebQueryRequests(KadRequestTable& table)
{
    table.Register(StartWebQueryCode, KadRequestLane::Fast, StartWebQuery);
    table.Register(CloseWebQueryCode, KadRequestLane::Fast, CloseWebQuery);
    table.Register(WebQueryStatusCode, KadRequestLane::Fast, WebQueryStatus);
}
