// KADClient::Connect / Disconnect and the raw transfers of the daemon link.
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_reader.h"
#include "assetdb/kad_client_state.h"
#include "assetdb/kad_ipc_block.h"

#include "foundation/base/install_paths.h"
#include "assetdb/net/tcp_transport.h"
#include "assetdb/protocol/kad_protocol.h"
#include "assetdb/protocol/kad_wire.h"
#include "zel/path.h"
#include "zel/thread.h"

#include <string>
#include <sys/socket.h>
#include <sys/time.h>

namespace {

// A port left behind by a daemon that died may belong to anything now; a peer
// that accepts and never answers the handshake must not hang start-up.
constexpr int HandshakeTimeoutSeconds = 10;

void SetReceiveTimeout(int fd, int seconds)
{
    timeval limit{};
    limit.tv_sec = seconds;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

int32_t ReadDaemonPort(const std::string& databasePath)
{
    if (!IPCOpen(databasePath))
        return 0;
    int32_t port = IPCGetPort();
    IPCClose();
    return port;
}

bool Handshake(KADClientState& state, const std::string& databasePath)
{
    if (databasePath.size() > static_cast<size_t>(KADProtocol::MaxHandshakePath))
        return false;
    KADBytes hello = KADEncodeHandshake(state.options.clientFlag, databasePath);
    if (!KADClient::SendRaw(hello.data(), static_cast<int32_t>(hello.size())))
        return false;
    // The reader's thread is made while the daemon answers the greeting, so
    // its start-up is not added to the first request's round trip. It waits
    // for the socket until the greeting's answer has been read here.
    state.socketFree.Reset();
    StartReaderThread(state);
    int32_t code = 0;
    if (!KADClient::ReceiveRaw(&code, 4, true))
        return false;
    if (code != KADProtocol::DaemonCode) {
        KADClient::Disconnect(true);
        return false;
    }
    int32_t values[2] = {0, 0};
    if (!KADClient::ReceiveRaw(values, 8, true))
        return false;
    std::lock_guard<std::mutex> guard(state.valuesLock);
    state.daemonValues[0] = values[0];
    state.daemonValues[1] = values[1];
    return true;
}

}  // namespace

bool KADClient::Connect()
{
    KADClientState& state = ClientState();
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    if (state.transport && state.connected.load())
        return true;
    // A transport whose reader has ended (the daemon went away) is reaped
    // first, so the first request after a drop opens a new connection.
    if (state.transport || state.reader)
        Disconnect(true);

    Zel::File::Path databasePath = GetAssetDatabasePath();
    if (GetInstallRoot().c_str()[0] == '\0')
        return false;
    int32_t port = ReadDaemonPort(databasePath.c_str());
    if (port <= 0)
        return false;

    auto* transport = new TCPTransport("127.0.0.1", port);
    if (transport->GetState() != NetTransportUsable) {
        delete transport;
        return false;
    }
    state.transport = transport;
    state.port = port;
    SetReceiveTimeout(transport->GetSocket(), HandshakeTimeoutSeconds);
    if (!Handshake(state, databasePath.c_str()))
        return false;
    SetReceiveTimeout(transport->GetSocket(), 0);

    state.generation.fetch_add(1);
    state.connected.store(true);
    state.socketFree.Set();
    return true;
}

void KADClient::Disconnect(bool afterFailure)
{
    KADClientState& state = ClientState();
    // The reader ends itself; it never tears down the connection it runs on.
    if (state.readerThreadId.load() == Zel::Thread::GetCurrentId())
        return;
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    TCPTransport* transport = state.transport;
    if (transport && !afterFailure) {
        int32_t closing = KADProtocol::ClosingWord;
        SendExact(*transport, &closing, 4);
    }
    StopReaderThread(state);
    state.connected.store(false);
    if (!transport)
        return;
    transport->Close();
    state.transport = nullptr;
    delete transport;
}

bool KADClient::SendRaw(const void* bytes, int32_t count)
{
    KADClientState& state = ClientState();
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    if (!state.transport)
        return false;
    if (SendExact(*state.transport, bytes, count))
        return true;
    Disconnect(true);
    return false;
}

bool KADClient::ReceiveRaw(void* bytes, int32_t count, bool disconnectOnFailure)
{
    KADClientState& state = ClientState();
    std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
    if (!state.transport)
        return false;
    if (ReceiveExact(*state.transport, bytes, count))
        return true;
    if (disconnectOnFailure)
        Disconnect(true);
    return false;
}
