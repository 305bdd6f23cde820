// KADClient::Start and Shutdown: the start-up connection loop and the end of the client.
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_state.h"
#include "assetdb/kad_daemon_launcher.h"
#include "assetdb/kad_ipc_block.h"
#include "assetdb/pemberlynx_spec_registry.h"

#include "foundation/base/install_paths.h"
#include "assetdb/net/tcp_transport.h"
#include "zel/thread.h"

#include <chrono>
#include <poll.h>
#include <thread>

namespace {

constexpr int StartAttempts = 11;
constexpr int RetryDelayMs = 1000;

bool ConnectWithLaunch()
{
    int launched = 0;
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        // Only the first attempt may fail without the daemon being started:
        // a daemon found running is reused. A daemon started while the
        // previous one was still winding down (a close asked just before)
        // finds the database owned and ends at once; it is started again.
        if (attempt == 1 || (launched > 0 && !Zel::Thread::IsProcessAlive(launched)))
            launched = LaunchDaemon();
        if (attempt >= 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(RetryDelayMs));
        if (KADClient::Connect())
            return true;
    }
    return false;
}

// The daemon closed its end (it ended, was killed, or was asked to close).
bool PeerHasClosed(KADClientState& state)
{
    if (!state.transport)
        return true;
    pollfd link{state.transport->GetSocket(), POLLRDHUP, 0};
    if (::poll(&link, 1, 0) < 0)
        return false;
    return (link.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// The daemon of the link has gone even when its end of the connection has
// not reached us yet (a daemon killed a moment ago): the ownership block no
// longer names a live owner publishing the port the link was made to.
bool DaemonHasLeft(KADClientState& state)
{
    if (PeerHasClosed(state))
        return true;
    if (!IPCOpen(GetAssetDatabasePath().c_str()))
        return true;
    int32_t owner = IPCGetOwner();
    int32_t port = IPCGetPort();
    IPCClose();
    return port != state.port || !Zel::Thread::IsProcessAlive(owner);
}

}  // namespace

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

bool KADClient::EnsureConnected()
{
    KADClientState& state = ClientState();
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    if (!state.started.load())
        return false;
    if (state.connected.load() && !DaemonHasLeft(state))
        return true;
    Disconnect(true);
    return ConnectWithLaunch();
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
