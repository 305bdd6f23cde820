// RunCommandHost: registration, the serving loop with its keep-alive, and the orderly end.
#include <chrono>
#include <thread>

#include "foundation/base/crash_dump.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/logging.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_command_host.h"
#include "assetdb/kad_command_host_services.h"
#include "assetdb/protocol/kad_protocol.h"
#include "zel/dynamic_buffer.h"

namespace {

// About every 5 s at 50 ms per wait. The daemon counts an idle host that is
// silent for longer than that as gone.
constexpr int waitsPerKeepAlive = 100;
constexpr std::uint32_t jobWaitMilliseconds = 50;

// A request with an empty payload whose reply nobody reads.
void SendEmptyRequest(KADRequestCode code)
{
    TBuffer request(new Zel::DynamicBuffer(0, 512), true);
    TBuffer reply(new Zel::DynamicBuffer(0, 512), true);
    KADClient::Request(static_cast<int32_t>(code), request, reply);
}

void Tick()
{
    auto tick = CommandHostServices().tickMainLoop;
    if (tick) {
        tick();
        return;
    }
    JobDispatcher& dispatcher = JobDispatcher::Instance();
    while (dispatcher.RunPending(0) > 0) {}
}

// Questions that arrived after the hook was cleared find no hook and are
// dropped; every other job still gets its turn before the host returns.
void FinishPendingJobs()
{
    JobDispatcher& dispatcher = JobDispatcher::Instance();
    while (dispatcher.HasPending()) {
        Tick();
        if (dispatcher.HasPending())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

bool RunCommandHost()
{
    KADClient::SetCommandHostHook(CommandHostCallback);
    SendEmptyRequest(KADRequestCode::RegisterCommandHost);
    InstallCrashHandlers(0);
    DisableConsoleClose();
    LogMessage("KADCommandHost");

    int waits = 0;
    while (KADClient::IsConnected()) {
        if (ConsoleCloseRequested())
            break;
        WaitForMainThreadJobs(jobWaitMilliseconds);
        if (++waits % waitsPerKeepAlive == 0)
            SendEmptyRequest(KADRequestCode::HostKeepAlive);
        Tick();
    }

    KADClient::SetCommandHostHook(nullptr);
    DisableCrashHandlers();
    LogMessage("KADCommandHost shutting down...");
    FinishPendingJobs();
    return false;
}
