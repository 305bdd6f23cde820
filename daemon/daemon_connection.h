// One client connection: its socket, its write lock and what the handshake told us.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "assetdb/protocol/kad_wire.h"

// Shared between the connection's reader thread and every worker that runs
// one of its requests; the socket is closed only when the last of them lets
// go, so a worker that answers after the client left writes into a shut
// socket, never into a descriptor number that another connection reuses.
class KadConnection {
public:
    explicit KadConnection(int socket);
    ~KadConnection();
    KadConnection(const KadConnection&) = delete;
    KadConnection& operator=(const KadConnection&) = delete;

    // Each message is written whole under the write lock, so replies and
    // notifications of different workers never interleave. False once the
    // connection is gone; the caller carries on regardless.
    bool Send(const KadBytes& message);
    bool SendReply(std::int32_t transactionId, const void* payload, std::size_t size);
    bool SendNote(std::int32_t type, const void* payload, std::size_t size);

    // Ends the conversation both ways; a reader blocked in recv wakes up.
    void Shutdown();
    bool IsOpen() const { return open.load(); }

    int Socket() const { return socket; }
    void SetClientFlag(std::int32_t flag) { clientFlag = flag; }
    std::int32_t ClientFlag() const { return clientFlag; }

private:
    int socket;
    std::atomic<bool> open{true};
    std::mutex writeLock;
    std::int32_t clientFlag = 0;
};
