// ConnectStreamSocket: resolve, socket, connect.
#include "assetdb/net/stream_socket.h"

#include "assetdb/net/host_resolver.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/socket_io.h"

int ConnectStreamSocket(const char* hostName, int32_t port)
{
    if (port < 0 || port > 0xFFFF)
        return -1;
    sockaddr_in address{};
    if (!ResolveHostAsync(hostName, static_cast<uint16_t>(port), address))
        return -1;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return -1;
    // A request goes out as several small writes (code, id, length, payload):
    // with Nagle and delayed acknowledgement each one could stall ~40 ms.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (Platform::Connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
