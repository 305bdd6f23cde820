// Small loopback fixtures for the transport tests.
#pragma once

#include "assetdb/net/net_transport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A listening socket on 127.0.0.1 with an ephemeral port.
class LoopbackListener {
public:
    LoopbackListener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 8);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~LoopbackListener() { ::close(fd); }
    int Accept() { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); }

    int fd = -1;
    int port = 0;
};

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
