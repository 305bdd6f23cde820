// One client connection: its socket, its write lock, what the handshake told us and what it holds open.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

#include "assetdb/protocol/kad_wire.h"

// Shared between the connection's reader thread and every worker that runs
// one of its requests; the socket is closed only when the last of them lets
// go, so a worker that answers after the client left writes into a shut
// socket, never into a descriptor number that another connection reuses.
class KADConnection {
public:
    explicit KADConnection(int socket);
    ~KADConnection();
    KADConnection(const KADConnection&) = delete;
    KADConnection& operator=(const KADConnection&) = delete;

    // Each message is written whole under the write lock, so replies and
    // notifications of different workers never interleave. False once the
    // connection is gone; the caller carries on regardless.
    bool Send(const KADBytes& message);
    bool SendReply(std::int32_t transactionId, const void* payload, std::size_t size);
    bool SendNote(std::int32_t type, const void* payload, std::size_t size);

    // Ends the conversation both ways; a reader blocked in recv wakes up.
    void Shutdown();
    // What holds something for a connection (asset handles, web queries, a
    // command host) registers once and lets go of it when the connection
    // ends, not when someone next happens to look.
    using EndListener = std::function<void(const KADConnection&)>;
    static void AddEndListener(EndListener listener);
    // Shuts the connection and tells every listener, once. The connection
    // counts as closed before any listener runs, so whatever is opened for
    // it afterwards sees IsOpen() false and is not kept.
    void End();
    bool IsOpen() const { return open.load(); }

    int Socket() const { return socket; }
    void SetClientFlag(std::int32_t flag) { clientFlag = flag; }
    std::int32_t ClientFlag() const { return clientFlag; }

    // What decides whether a quiet connection may be closed: a client that
    // waits for a reply, holds an asset or web query handle, or serves as a
    // command host is never cut off for its silence.
    void MarkHandshakeDone() { handshakeDone.store(true); }
    bool HandshakeDone() const { return handshakeDone.load(); }
    void MarkCommandHost() { commandHost.store(true); }
    bool IsCommandHost() const { return commandHost.load(); }
    // Bytes arrived, or a reply went out.
    void MarkActive();
    std::chrono::steady_clock::time_point LastActive() const;
    void RequestTaken() { ++requestsInFlight; }
    void RequestAnswered();
    // A handle (asset or web query) opened for this connection, or closed.
    void ItemOpened() { ++openItems; }
    void ItemClosed() { --openItems; }
    // Nothing in flight, nothing open, not a command host.
    bool HoldsNothing() const;

private:
    int socket;
    std::atomic<bool> open{true};
    std::atomic<bool> ended{false};
    std::mutex writeLock;
    std::int32_t clientFlag = 0;
    std::atomic<bool> handshakeDone{false};
    std::atomic<bool> commandHost{false};
    std::atomic<std::int64_t> lastActive;
    std::atomic<int> requestsInFlight{0};
    std::atomic<int> openItems{0};
};
