// Small loopback fixtures for the transport tests.
#pragma once

#include "assetdb/net/net_transport.h"

#include <sys/socket.h>

#include "support/tcp_loopback.h"

// A transport over a descriptor the test made (one end of a socket pair).
class AdoptedTransport : public NetTransport {
public:
    explicit AdoptedTransport(int fd) { socketHandle.store(fd); }
    ~AdoptedTransport() override { CloseSocket(); }
    int32_t Read(void* buffer, int32_t size) override { return ::recv(GetSocket(), buffer, size, 0); }
    int32_t Peek(void* buffer, int32_t size) override { return ::recv(GetSocket(), buffer, size, MSG_PEEK); }
    int32_t Write(const void* data, int32_t size) override { return ::send(GetSocket(), data, size, MSG_NOSIGNAL); }
    void Close() override
    {
        SetState(NetTransportClosed);
        CloseSocket();
    }
    NetTransport* Reopen(int32_t) override { return nullptr; }
};
