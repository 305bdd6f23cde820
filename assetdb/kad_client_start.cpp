// KADClient::Start and Shutdown: the start-up connection loop and the end of the client.
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_state.h"
#include "assetdb/kad_daemon_launcher.h"
#include "assetdb/pemberlynx_spec_registry.h"

#include <chrono>
#include <thread>

namespace {

constexpr int StartAttempts = 11;
constexpr int RetryDelayMs = 1000;

bool ConnectWithLaunch()
{
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        // Only the first attempt may fail without the daemon being started:
        // a daemon found running is reused.
        if (attempt == 1)
            LaunchDaemon();
        if (attempt >= 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(RetryDelayMs));
        if (KADClient::Connect())
            return true;
    }
    return false;
}

}

bool KADClient::Start(const KADClientOptions& options)
{
    KADClientState& state = ClientState();
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    if (state.started.load())
        return true;
    state.options = options;
    if (!ConnectWithLaunch()) {
        ResetClientOptions(state);
        return false;
    }
    state.started.store(true);
    state.ready.Set();
    CreateSpecRegistry();
    return true;
}

void KADClient::Shutdown()
{
    KADClientState& state = ClientState();
    {
        std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
        if (!state.started.load())
            return;
        // While the daemon can still be asked: the leak report names the
        // specs still held by the daemon's names for them.
        DestroySpecRegistry();
        state.started.store(false);
        Disconnect(false);
        ResetClientOptions(state);
        DrainNotifications();
        state.ready.Reset();
    }
    // Outside the connection lock: an asynchronous call may be sending its
    // answer, which now fails at once.
    WaitForAsyncCalls();
}
