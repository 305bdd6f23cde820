// The repair requests of the daemon link: start, progress and the patch step.
#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_requests.h"
#include "zel/dynamic_buffer.h"

namespace {

bool Send(KADRequestCode code, TBuffer& request, TBuffer& reply, ResultsLog* log = nullptr, bool keepLog = false)
{
    request.Rewind();
    bool ok = KADClient::Request(KADRequestNumber(code), request, reply, nullptr, log, keepLog);
    reply.Rewind();
    return ok;
}

}  // namespace

bool KADClient::StartRepair(int32_t mode, ResultsLog* sink)
{
    TBuffer request(new Zel::DynamicBuffer(0, 512), true);
    TBuffer reply(new Zel::DynamicBuffer(0, 512), true);
    request.WriteInt32(mode);
    // The reply is empty; the repair's lines arrive in the sink.
    return Send(KADRequestCode::StartRepair, request, reply, sink, true);
}

bool KADClient::AskRepairProgress(bool& running, float& progress, Zel::String& text)
{
    running = false;
    progress = 0.0f;
    text = Zel::String();
    TBuffer request(new Zel::DynamicBuffer(0, 512), true);
    TBuffer reply(new Zel::DynamicBuffer(0, 512), true);
    if (!Send(KADRequestCode::GetRepairProgress, request, reply))
        return false;
    running = reply.ReadBool(false);
    progress = reply.ReadFloat(0.0f);
    text = reply.ReadString();
    return true;
}

bool KADClient::GetRepairProgress(float& progress, Zel::String& text)
{
    bool running = false;
    return AskRepairProgress(running, progress, text) && running;
}

bool KADClient::RunPatcher()
{
    TBuffer request(new Zel::DynamicBuffer(0, 512), true);
    TBuffer reply(new Zel::DynamicBuffer(0, 512), true);
    return Send(KADRequestCode::RunPatcher, request, reply);
}
