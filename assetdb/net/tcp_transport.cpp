// TCPTransport: recv/send on a connected stream socket.
#include "assetdb/net/tcp_transport.h"

#include "assetdb/net/stream_socket.h"

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "platform/socket_io.h"

TCPTransport::TCPTransport(const char* name, int32_t portNumber) : port(portNumber)
{
    if (name) {
        std::strncpy(hostName, name, sizeof hostName - 1);
        hostName[sizeof hostName - 1] = '\0';
    }
    int fd = ConnectStreamSocket(hostName, port);
    if (fd < 0) {
        state.store(NetTransportConnectionFailed);
        return;
    }
    socketHandle.store(fd);
}

TCPTransport::~TCPTransport()
{
    CloseSocket();
}

int32_t TCPTransport::Read(void* buffer, int32_t size)
{
    int fd = socketHandle.load();
    if (fd < 0)
        return -1;
    ssize_t got = Platform::ReceiveSome(fd, buffer, static_cast<std::size_t>(size));
    // An end of stream (0) changes nothing; a failure is kept.
    if (got < 0)
        SetFailure(NetTransportTransferFailed);
    return static_cast<int32_t>(got);
}

int32_t TCPTransport::Peek(void* buffer, int32_t size)
{
    int fd = socketHandle.load();
    if (fd < 0)
        return -1;
    ssize_t got = Platform::ReceiveSome(fd, buffer, static_cast<std::size_t>(size), MSG_PEEK);
    return static_cast<int32_t>(got);
}

int32_t TCPTransport::Write(const void* data, int32_t size)
{
    int fd = socketHandle.load();
    if (fd < 0)
        return -1;
    ssize_t sent = Platform::SendSome(fd, data, static_cast<std::size_t>(size));
    return static_cast<int32_t>(sent);
}

void TCPTransport::Close()
{
    state.store(NetTransportClosed);
    CloseSocket();
}

NetTransport* TCPTransport::Reopen(int32_t newPort)
{
    return new TCPTransport(hostName, newPort);
}

bool TCPTransport::HasData()
{
    int fd = socketHandle.load();
    if (fd < 0)
        return false;
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) < 0)
        return false;
    return waiting != 0;
}
