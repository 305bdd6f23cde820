// The daemon's listener, connection readers, request dispatch and idle watch.
#include "daemon/daemon_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

#include "assetdb/protocol/kad_protocol.h"
#include "daemon/daemon_log.h"
#include "daemon/peer_credentials.h"

namespace {

// Long lane threads are capped; beyond the cap long work queues.
constexpr int LongLaneThreads = 32;
// A peer gets this long to complete its handshake; afterwards a quiet client
// may stay connected as long as it likes.
constexpr int HandshakeTimeoutSeconds = 10;
// A client that stops reading its replies for this long is dropped, so a
// worker never blocks for ever on a full socket.
constexpr int SendTimeoutSeconds = 60;
constexpr std::size_t ReceiveBufferSize = 64 * 1024;
// Each connection has a reader thread of its own; past this many, new
// connections are closed at once instead of exhausting threads.
constexpr std::size_t MaxConnections = 512;

void SetTimeout(int socket, int option, int seconds)
{
    timeval limit{};
    limit.tv_sec = seconds;
    setsockopt(socket, SOL_SOCKET, option, &limit, sizeof limit);
}

}  // namespace

KadDaemonServer::KadDaemonServer(const KadDaemonPaths& paths, const KadDaemonOptions& options, KadDaemonLog& log)
    : paths(paths),
      options(options),
      log(log),
      table(KadBuildRequestTable()),
      fastPool(paths.indexPath, options.fastWorkers),
      longPool(paths.indexPath, LongLaneThreads),
      lastClientLeft(std::chrono::steady_clock::now())
{
}

KadDaemonServer::~KadDaemonServer()
{
    Stop();
}

bool KadDaemonServer::Start()
{
    listenSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenSocket < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listenSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenSocket, SOMAXCONN) != 0 ||
        getsockname(listenSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        log.Write("cannot listen on 127.0.0.1: errno %d", errno);
        close(listenSocket);
        listenSocket = -1;
        return false;
    }
    port = ntohs(address.sin_port);
    acceptThread = std::thread([this] { AcceptLoop(); });
    idleThread = std::thread([this] { WatchIdle(); });
    return true;
}

void KadDaemonServer::RequestShutdown()
{
    std::lock_guard<std::mutex> hold(stateLock);
    shutdownRequested = true;
    stateChanged.notify_all();
}

void KadDaemonServer::WaitForShutdownRequest()
{
    std::unique_lock<std::mutex> hold(stateLock);
    stateChanged.wait(hold, [this] { return shutdownRequested; });
}

void KadDaemonServer::Stop()
{
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (stopping)
            return;
        stopping = true;
        shutdownRequested = true;
        stateChanged.notify_all();
    }
    if (listenSocket >= 0)
        shutdown(listenSocket, SHUT_RDWR);
    if (acceptThread.joinable())
        acceptThread.join();
    if (idleThread.joinable())
        idleThread.join();
    if (listenSocket >= 0)
        close(listenSocket);
    listenSocket = -1;

    // Readers end first, so no new request is taken; then the requests
    // already taken finish and answer; then the connections close.
    {
        std::unique_lock<std::mutex> hold(stateLock);
        for (const auto& connection : connections)
            shutdown(connection->Socket(), SHUT_RD);
        stateChanged.wait(hold, [this] { return readers == 0; });
    }
    fastPool.Stop();
    longPool.Stop();
    std::lock_guard<std::mutex> hold(stateLock);
    for (const auto& connection : connections)
        connection->Shutdown();
    connections.clear();
}

void KadDaemonServer::AcceptLoop()
{
    for (;;) {
        int client = accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            int error = errno;
            {
                std::lock_guard<std::mutex> hold(stateLock);
                if (stopping)
                    return;
            }
            // Out of descriptors or memory: give the system a moment instead of spinning.
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        // Requests and replies are small messages sent in several writes;
        // with Nagle's algorithm and delayed acknowledgements each could wait
        // some 40 ms.
        int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        SetTimeout(client, SO_SNDTIMEO, SendTimeoutSeconds);
        SetTimeout(client, SO_RCVTIMEO, HandshakeTimeoutSeconds);
        auto connection = std::make_shared<KadConnection>(client);
        std::lock_guard<std::mutex> hold(stateLock);
        if (stopping)
            return;
        if (connections.size() >= MaxConnections) {
            log.Write("too many connections: one refused");
            continue;
        }
        connections.insert(connection);
        ++readers;
        std::thread([this, connection] { ServeConnection(connection); }).detach();
    }
}

void KadDaemonServer::WatchIdle()
{
    const auto idleTime = std::chrono::seconds(options.idleSeconds);
    std::unique_lock<std::mutex> hold(stateLock);
    while (!stopping && !shutdownRequested) {
        stateChanged.wait_for(hold, std::chrono::milliseconds(200));
        if (activeClients == 0 && std::chrono::steady_clock::now() - lastClientLeft >= idleTime) {
            log.Write("no client for %d s: closing", options.idleSeconds);
            shutdownRequested = true;
            stateChanged.notify_all();
        }
    }
}

void KadDaemonServer::ClientArrived()
{
    std::lock_guard<std::mutex> hold(stateLock);
    ++activeClients;
}

void KadDaemonServer::ClientLeft()
{
    std::lock_guard<std::mutex> hold(stateLock);
    --activeClients;
    lastClientLeft = std::chrono::steady_clock::now();
}

bool KadDaemonServer::AcceptHandshake(KadConnection& connection, const KadHandshake& handshake)
{
    if (handshake.version != KadProtocol::Version) {
        log.Write("handshake refused: version %d", handshake.version);
        return false;
    }
    if (!KadIsSameDatabasePath(paths.databasePath, handshake.databasePath)) {
        log.Write("handshake refused: database %s is not ours", handshake.databasePath.c_str());
        return false;
    }
    connection.SetClientFlag(handshake.clientFlag);
    SetTimeout(connection.Socket(), SO_RCVTIMEO, 0);
    return connection.Send(KadEncodeHandshakeReply(KadProtocol::Version, KadProtocol::Build));
}

void KadDaemonServer::ServeConnection(std::shared_ptr<KadConnection> connection)
{
    KadRequestReader reader;
    std::vector<std::uint8_t> buffer(ReceiveBufferSize);
    bool countedAsClient = false;
    bool going = KadPeerIsOurUser(connection->Socket());
    if (!going)
        log.Write("connection from another user refused");
    while (going) {
        ssize_t received = recv(connection->Socket(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            break;
        std::size_t at = 0;
        while (going && at < static_cast<std::size_t>(received)) {
            std::size_t used = 0;
            KadReaderEvent event = reader.Feed(buffer.data() + at, static_cast<std::size_t>(received) - at, used);
            at += used;
            switch (event) {
            case KadReaderEvent::NeedMore:
                break;
            case KadReaderEvent::Handshake:
                going = AcceptHandshake(*connection, reader.Handshake());
                // Command hosts connect with flag 0 and do not keep the daemon alive.
                if (going && connection->ClientFlag() == 1) {
                    countedAsClient = true;
                    ClientArrived();
                }
                break;
            case KadReaderEvent::Request:
                going = Dispatch(connection, reader.Request());
                break;
            case KadReaderEvent::Closing:
                going = false;
                break;
            case KadReaderEvent::Error:
                log.Write("protocol error, disconnecting: %s", reader.ErrorText().c_str());
                going = false;
                break;
            }
        }
    }
    connection->Shutdown();
    if (countedAsClient)
        ClientLeft();
    std::lock_guard<std::mutex> hold(stateLock);
    connections.erase(connection);
    --readers;
    stateChanged.notify_all();
}

bool KadDaemonServer::Dispatch(const std::shared_ptr<KadConnection>& connection, KadRequestFrame& frame)
{
    const KadRequestEntry* entry = table.Find(frame.code);
    if (entry == nullptr) {
        // Every request gets exactly one reply; the client waits for it
        // without a time limit.
        connection->SendReply(frame.transactionId, nullptr, 0);
        return true;
    }
    auto context = std::make_shared<KadRequestContext>();
    context->connection = connection;
    context->code = frame.code;
    context->transactionId = frame.transactionId;
    context->request.WriteBytes(frame.payload.data(), static_cast<std::int64_t>(frame.payload.size()));
    context->request.Rewind();
    context->control = this;
    if (entry->lane == KadRequestLane::Reader) {
        RunRequest(*context, *entry);
        return !context->closeAfterReply;
    }
    KadWorkerPool& pool = entry->lane == KadRequestLane::Long ? longPool : fastPool;
    pool.Post([this, context, entry](KadStoreConnection* store) {
        context->store = store;
        RunRequest(*context, *entry);
    });
    return true;
}

void KadDaemonServer::RunRequest(KadRequestContext& context, const KadRequestEntry& entry)
{
    try {
        entry.handler(context);
    } catch (const std::exception& error) {
        log.Write("request %d failed: %s", context.code, error.what());
        context.reply.Reset();
    } catch (...) {
        log.Write("request %d failed", context.code);
        context.reply.Reset();
    }
    if (context.reply.DataLength() > KadProtocol::MaxFrameLength) {
        // The client would take a longer reply for a protocol error.
        log.Write("request %d: reply of %lld bytes refused", context.code,
                  static_cast<long long>(context.reply.DataLength()));
        context.reply.Reset();
    }
    context.connection->SendReply(context.transactionId, context.reply.Data(),
                                  static_cast<std::size_t>(context.reply.DataLength()));
    if (context.closeAfterReply)
        context.connection->Shutdown();
}
