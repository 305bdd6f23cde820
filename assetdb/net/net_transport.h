// NetTransport: the byte-stream transport base and the process's networking start-up.
#pragma once

#include <atomic>
#include <cstdint>

// Transport states; callers test them, nothing is logged.
enum NetTransportState : int32_t {
    NetTransportUsable = 0,
    NetTransportConnectionFailed = 2,
    NetTransportClosed = 5,
    NetTransportTransferFailed = 7,
};

class NetTransport {
public:
    // Process networking: OpenSSL with its lock table, the client TLS context
    // and one reference on the host-name resolver. Start-up twice initialises
    // once; Shutdown does nothing unless started.
    static void Startup();
    static void Shutdown();
    static bool IsStarted();

    virtual ~NetTransport();

    // Bytes received, 0 at the peer's end of stream, negative on error.
    virtual int32_t Read(void* buffer, int32_t size) = 0;
    // Like Read without consuming.
    virtual int32_t Peek(void* buffer, int32_t size) = 0;
    // Bytes sent or negative.
    virtual int32_t Write(const void* data, int32_t size) = 0;
    // State 5; the socket is shut down and closed.
    virtual void Close() = 0;
    // A new transport of the same kind to the same host and `port`, or null.
    virtual NetTransport* Reopen(int32_t port) = 0;
    // True when bytes are waiting; the base answers true.
    virtual bool HasData();

    int32_t GetState() const { return state.load(); }
    void SetState(int32_t value) { state.store(value); }
    // Sets `value` only while the transport is still usable: the first failure stays.
    void SetFailure(int32_t value);
    int GetSocket() const { return socketHandle.load(); }

    // Wakes a thread blocked in a read on this transport without releasing the
    // descriptor (it stays valid until Close).
    void ShutdownSocket();

protected:
    NetTransport() = default;
    // Swaps the descriptor to -1; only the caller that obtained a valid one
    // shuts it down and closes it, so a reused descriptor is never closed twice.
    void CloseSocket();

    std::atomic<int32_t> state{NetTransportUsable};
    std::atomic<int> socketHandle{-1};
};

// Exact-length transfers in pieces of at most 0x8000 bytes; true when all moved.
bool ReceiveExact(NetTransport& transport, void* buffer, int32_t length);
bool SendExact(NetTransport& transport, const void* data, int32_t length);
