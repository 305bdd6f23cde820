// The daemon's listener, connection readers, request dispatch and idle watch.
#include "daemon/daemon_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>

#include "assetdb/protocol/kad_protocol.h"
#include "daemon/command_host_manager.h"
#include "daemon/daemon_log.h"
#include "daemon/peer_credentials.h"
#include "platform/socket_io.h"

namespace {

// Long lane threads are capped; beyond the cap long work queues.
constexpr int LongLaneThreads = 32;
// A peer gets this long to complete its handshake.
constexpr int HandshakeTimeoutSeconds = 10;
// A client that stops reading its replies for this long is dropped, so a
// worker never blocks for ever on a full socket.
constexpr int SendTimeoutSeconds = 60;
// Every connection has one; kept small because one user may open thousands.
constexpr std::size_t ReceiveBufferSize = 16 * 1024;
// Connections closed to make room leave the table when their reader ends;
// past this many more than the limit, new connections are refused outright.
constexpr std::size_t ClosingSlack = 64;

void SetTimeout(int socket, int option, std::chrono::milliseconds time)
{
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(time.count() / 1000);
    limit.tv_usec = static_cast<suseconds_t>(time.count() % 1000 * 1000);
    setsockopt(socket, SOL_SOCKET, option, &limit, sizeof limit);
}

void SetTimeout(int socket, int option, int seconds)
{
    SetTimeout(socket, option, std::chrono::seconds(seconds));
}

}  // namespace

KADDaemonServer::KADDaemonServer(const KADDaemonPaths& paths, const KADDaemonConfig& config,
                                 const KADDaemonOptions& options, KADDaemonLog& log)
    : paths(paths),
      options(options),
      log(log),
      config(config),
      limits(config.limits),
      payloadBudget(limits.payloadBudget),
      table(KADBuildRequestTable()),
      fastPool(paths.indexPath, options.fastWorkers),
      longPool(paths.indexPath, LongLaneThreads),
      lastClientLeft(std::chrono::steady_clock::now())
{}

KADDaemonServer::~KADDaemonServer()
{
    Stop();
}

bool KADDaemonServer::Start()
{
    // Each connection costs a descriptor: a low default limit must not be
    // what keeps a real client out.
    std::size_t descriptors = KADRaiseDescriptorLimit();
    maxConnections = KADConnectionCap(limits.maxConnections, descriptors);
    log.Write("up to %zu connections (%zu descriptors), idle after %d s, %zu bytes for requests", maxConnections,
              descriptors, limits.idleSeconds, limits.payloadBudget);
    KADCommandHostManager::Instance().UseFolders(paths);
    KADCommandHostManager::Instance().SetIdleSilence(std::chrono::seconds(limits.hostSilenceSeconds));
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

void KADDaemonServer::RequestShutdown()
{
    std::lock_guard<std::mutex> hold(stateLock);
    shutdownRequested = true;
    stateChanged.notify_all();
}

void KADDaemonServer::WaitForShutdownRequest()
{
    std::unique_lock<std::mutex> hold(stateLock);
    stateChanged.wait(hold, [this] { return shutdownRequested; });
}

void KADDaemonServer::Stop()
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

void KADDaemonServer::AcceptLoop()
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
        auto connection = std::make_shared<KADConnection>(client);
        std::lock_guard<std::mutex> hold(stateLock);
        if (stopping)
            return;
        if (connections.size() >= maxConnections + ClosingSlack ||
            (connections.size() >= maxConnections && !MakeRoom())) {
            log.Write("too many connections, all busy: one refused");
            continue;
        }
        connections.insert(connection);
        ++readers;
        std::thread([this, connection] { ServeConnection(connection); }).detach();
    }
}

bool KADDaemonServer::MakeRoom()
{
    std::size_t open = 0;
    KADConnection* quietest = nullptr;
    for (const auto& connection : connections) {
        if (!connection->IsOpen())
            continue;
        ++open;
        if (!connection->HoldsNothing())
            continue;
        if (quietest == nullptr || (quietest->HandshakeDone() && !connection->HandshakeDone()) ||
            (quietest->HandshakeDone() == connection->HandshakeDone() &&
             connection->LastActive() < quietest->LastActive()))
            quietest = connection.get();
    }
    // Connections closed earlier are on their way out already.
    if (open < maxConnections)
        return true;
    if (quietest == nullptr)
        return false;
    log.Write("at %zu connections: the quietest one closed to make room", open);
    quietest->Shutdown();
    return true;
}

void KADDaemonServer::WatchIdle()
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

void KADDaemonServer::ClientArrived()
{
    std::lock_guard<std::mutex> hold(stateLock);
    ++activeClients;
}

void KADDaemonServer::ClientLeft()
{
    std::lock_guard<std::mutex> hold(stateLock);
    --activeClients;
    lastClientLeft = std::chrono::steady_clock::now();
}

bool KADDaemonServer::AcceptHandshake(KADConnection& connection, const KADHandshake& handshake)
{
    if (handshake.version != KADProtocol::Version) {
        log.Write("handshake refused: version %d", handshake.version);
        return false;
    }
    if (!KADIsSameDatabasePath(paths.databasePath, handshake.databasePath)) {
        log.Write("handshake refused: database %s is not ours", handshake.databasePath.c_str());
        return false;
    }
    connection.SetClientFlag(handshake.clientFlag);
    connection.MarkHandshakeDone();
    SetTimeout(connection.Socket(), SO_RCVTIMEO, limits.idleSeconds);
    return connection.Send(KADEncodeHandshakeReply(KADProtocol::Version, KADProtocol::Build));
}

bool KADDaemonServer::StaysOpen(KADConnection& connection)
{
    // Before the handshake the time-out is the handshake's own.
    if (!connection.HandshakeDone())
        return false;
    auto hostLeft = std::chrono::steady_clock::duration::max();
    if (connection.IsCommandHost()) {
        // Its keep-alives stopped while it had nothing to do: the host is
        // gone (hung, or its machine asleep) even though the socket stays.
        hostLeft = KADCommandHostManager::Instance().SilenceLeft(&connection);
        if (hostLeft <= std::chrono::steady_clock::duration::zero()) {
            log.Write("command host silent for %d s while idle: closed", limits.hostSilenceSeconds);
            return false;
        }
    }
    const auto idleTime = std::chrono::seconds(limits.idleSeconds);
    auto quiet = std::chrono::steady_clock::now() - connection.LastActive();
    if (connection.HoldsNothing() && quiet >= idleTime) {
        // A request that arrived just now would be lost with the connection.
        std::uint8_t next = 0;
        if (recv(connection.Socket(), &next, 1, MSG_PEEK | MSG_DONTWAIT) > 0)
            return true;
        log.Write("connection silent for %d s and holding nothing: closed", limits.idleSeconds);
        return false;
    }
    // Busy, or active since the wait began: wait for what is left of the
    // idle time (the whole of it while busy).
    auto left = connection.HoldsNothing() ? idleTime - quiet : std::chrono::steady_clock::duration(idleTime);
    left = std::min(left, hostLeft);
    // A zero time-out would mean none at all.
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(left) + std::chrono::milliseconds(1);
    SetTimeout(connection.Socket(), SO_RCVTIMEO, wait);
    return true;
}

void KADDaemonServer::ServeConnection(std::shared_ptr<KADConnection> connection)
{
    KADConnectionPayloads payloads(payloadBudget);
    KADRequestReader reader(&payloads);
    std::vector<std::uint8_t> buffer(ReceiveBufferSize);
    const auto handshakeDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(HandshakeTimeoutSeconds);
    bool countedAsClient = false;
    bool going = KADPeerIsOurUser(connection->Socket());
    if (!going)
        log.Write("connection refused: its owner is another user or cannot be found");
    while (going) {
        ssize_t received = Platform::ReceiveSome(connection->Socket(), buffer.data(), buffer.size());
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && connection->IsOpen()) {
            going = StaysOpen(*connection);
            continue;
        }
        if (received <= 0)
            break;
        connection->MarkActive();
        std::size_t at = 0;
        while (going && at < static_cast<std::size_t>(received)) {
            std::size_t used = 0;
            KADReaderEvent event = reader.Feed(buffer.data() + at, static_cast<std::size_t>(received) - at, used);
            at += used;
            switch (event) {
            case KADReaderEvent::NeedMore:
                break;
            case KADReaderEvent::Handshake:
                going = AcceptHandshake(*connection, reader.Handshake());
                // Command hosts connect with flag 0 and do not keep the daemon alive.
                if (going && connection->ClientFlag() == 1) {
                    countedAsClient = true;
                    ClientArrived();
                }
                break;
            case KADReaderEvent::Request:
                going = Dispatch(connection, reader.Request(), payloads.TakeClaim());
                break;
            case KADReaderEvent::Closing:
                going = false;
                break;
            case KADReaderEvent::Error:
                log.Write("protocol error, disconnecting: %s", reader.ErrorText().c_str());
                going = false;
                break;
            }
        }
        // The receive time-out alone would let a peer that sends a byte now
        // and then stretch its handshake for ever.
        if (going && !connection->HandshakeDone() && std::chrono::steady_clock::now() > handshakeDeadline) {
            log.Write("handshake not complete in %d s: disconnecting", HandshakeTimeoutSeconds);
            going = false;
        }
    }
    // Its handles, web queries and host go now, not at the next sweep.
    connection->End();
    if (countedAsClient)
        ClientLeft();
    std::lock_guard<std::mutex> hold(stateLock);
    connections.erase(connection);
    --readers;
    stateChanged.notify_all();
}

bool KADDaemonServer::Dispatch(const std::shared_ptr<KADConnection>& connection, KADRequestFrame& frame,
                               KADPayloadClaim claim)
{
    // The reader keeps its buffer between requests; a large payload must
    // not stay held by a connection that goes quiet after sending it.
    KADBytes payload;
    payload.swap(frame.payload);
    const KADRequestEntry* entry = table.Find(frame.code);
    if (entry == nullptr) {
        // Every request gets exactly one reply; the client waits for it
        // without a time limit.
        connection->SendReply(frame.transactionId, nullptr, 0);
        return true;
    }
    // A command host sends no keep-alive while it works on a question; the
    // host manager, not the idle time-out, decides when it is gone.
    if (frame.code == static_cast<std::int32_t>(KADRequestCode::RegisterCommandHost)) {
        connection->MarkCommandHost();
        // Looked at again within its keep-alive silence, not the idle time.
        SetTimeout(connection->Socket(), SO_RCVTIMEO, limits.hostSilenceSeconds);
    }
    auto context = std::make_shared<KADRequestContext>();
    context->connection = connection;
    context->code = frame.code;
    context->transactionId = frame.transactionId;
    context->request.WriteBytes(payload.data(), static_cast<std::int64_t>(payload.size()));
    context->request.Rewind();
    context->control = this;
    context->paths = &paths;
    context->config = &config;
    KADBytes().swap(payload);
    connection->RequestTaken();
    if (entry->lane == KADRequestLane::Reader) {
        RunRequest(*context, *entry, claim);
        return !context->closeAfterReply;
    }
    if (entry->lane == KADRequestLane::Inline) {
        std::unique_ptr<KADStoreConnection> store = TakeInlineStore();
        context->store = store.get();
        RunRequest(*context, *entry, claim);
        context->store = nullptr;
        GiveBackInlineStore(std::move(store));
        return !context->closeAfterReply;
    }
    KADWorkerPool& pool = entry->lane == KADRequestLane::Long ? longPool : fastPool;
    // The payload's share of the memory budget goes with the job.
    auto share = std::make_shared<KADPayloadClaim>(std::move(claim));
    pool.Post([this, context, entry, share](KADStoreConnection* store) {
        context->store = store;
        RunRequest(*context, *entry, *share);
    });
    return true;
}

std::unique_ptr<KADStoreConnection> KADDaemonServer::TakeInlineStore()
{
    {
        std::lock_guard<std::mutex> hold(inlineStoresLock);
        if (!inlineStores.empty()) {
            std::unique_ptr<KADStoreConnection> store = std::move(inlineStores.back());
            inlineStores.pop_back();
            return store;
        }
    }
    auto store = std::make_unique<KADStoreConnection>();
    if (!store->Open(paths.indexPath))
        return nullptr;
    return store;
}

void KADDaemonServer::GiveBackInlineStore(std::unique_ptr<KADStoreConnection> store)
{
    if (store == nullptr)
        return;
    std::lock_guard<std::mutex> hold(inlineStoresLock);
    inlineStores.push_back(std::move(store));
}

void KADDaemonServer::RunRequest(KADRequestContext& context, const KADRequestEntry& entry, KADPayloadClaim& claim)
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
    // Not held over the reply, which may wait a long time on a slow reader.
    claim.Release();
    if (context.reply.DataLength() > KADProtocol::MaxFrameLength) {
        // The client would take a longer reply for a protocol error.
        log.Write("request %d: reply of %lld bytes refused", context.code,
                  static_cast<long long>(context.reply.DataLength()));
        context.reply.Reset();
    }
    context.connection->SendReply(context.transactionId, context.reply.Data(),
                                  static_cast<std::size_t>(context.reply.DataLength()));
    context.connection->RequestAnswered();
    if (context.closeAfterReply)
        context.connection->Shutdown();
}
