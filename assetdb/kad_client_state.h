// The daemon client's process-wide connection state (internal to the client's files).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "assetdb/kad_client.h"
#include "zel/wevent.h"

class TCPTransport;
namespace Zel {
class Thread;
}

struct KADClientState {
    // The connection lock: connecting, disconnecting, sending a request and
    // reading a reply body. Re-entrant, as the request path connects and
    // disconnects while holding it.
    std::recursive_mutex connectionLock;
    KADClientOptions options;

    TCPTransport* transport = nullptr;
    // The port the transport was connected to, as the ownership block gave it.
    int32_t port = 0;
    Zel::Thread* reader = nullptr;
    std::atomic<int> readerThreadId{0};
    std::atomic<bool> readerStop{false};

    std::atomic<bool> started{false};
    std::atomic<bool> connected{false};
    // Counts connections, so that a requester woken for a reply of a
    // connection that has since been replaced never reads the new one.
    std::atomic<uint64_t> generation{0};
    // Requests lost with their connection: never sent, or sent and left
    // without a reply.
    std::atomic<uint64_t> lostRequests{0};

    // Set while the reader may read; clear while a requester reads its reply body.
    Zel::WEvent socketFree{true, false};
    // Set once start-up has connected.
    Zel::WEvent ready{true, false};

    std::mutex valuesLock;
    int32_t daemonValues[2] = {0, 0};

    std::atomic<KADCommandHostHook> commandHostHook{nullptr};
};

KADClientState& ClientState();

// Puts the options back to their defaults (callback cleared, all bytes 1).
void ResetClientOptions(KADClientState& state);
