// Private requests of test builds: echo, a slow request, a failing one, result lines on demand, what is held.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "results/results_log.h"
#include "daemon/asset_store.h"
#include "daemon/command_host_manager.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "daemon/web_query_registry.h"

namespace {

constexpr std::int32_t LongestSleepMs = 60000;

}  // namespace

void KADHandleTestEcho(KADRequestContext& context)
{
    context.reply.WriteBytes(context.request.Data(), context.request.DataLength());
}

// Payload: int32 milliseconds. Stands for any request that takes a while,
// so tests can drop the connection while it runs.
void KADHandleTestSleep(KADRequestContext& context)
{
    std::int32_t milliseconds = context.request.ReadInt32(0);
    if (milliseconds < 0 || milliseconds > LongestSleepMs)
        milliseconds = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    context.reply.WriteInt32(milliseconds);
}

void KADHandleTestFail(KADRequestContext&)
{
    throw std::runtime_error("failure asked for by a test");
}

// Payload: int32 n, then n x {int32 kind, string text}. Sends the lines as
// one result note, then a second note with a final line, then the reply
// (int32 n + 1): the client must find every line in its log when the reply
// arrives.
void KADHandleTestResultLines(KADRequestContext& context)
{
    TBuffer& request = context.request;
    ResultsLog lines;
    std::int32_t count = request.ReadInt32(0);
    for (std::int32_t i = 0; i < count && !request.HasError(); ++i) {
        std::int32_t kind = request.ReadInt32(0);
        Zel::String text = request.ReadString();
        if (request.HasError())
            break;
        lines.AddMessage(static_cast<ResultsLog::MessageKind>(kind), text.c_str());
    }
    std::int32_t first = static_cast<std::int32_t>(lines.LineCount());
    context.SendResultLines(lines);
    lines.AddMessage(ResultsLog::MessageKind::Success, "done");
    context.SendResultLines(lines, first);
    context.reply.WriteInt32(static_cast<std::int32_t>(lines.LineCount()));
}

void KADHandleTestHoldings(KADRequestContext& context)
{
    KADAssetStore* store = KADAssetStore::Instance();
    KADWebQueries* queries = KADWebQueries::Existing();
    context.reply.WriteInt32(store != nullptr ? static_cast<std::int32_t>(store->HandleCount()) : 0);
    context.reply.WriteInt32(queries != nullptr ? static_cast<std::int32_t>(queries->Count()) : 0);
    context.reply.WriteInt32(static_cast<std::int32_t>(KADCommandHostManager::Instance().HostCount()));
}
