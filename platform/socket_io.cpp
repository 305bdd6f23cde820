// Socket calls that go on across signals.
#include "platform/socket_io.h"

#include <errno.h>

namespace Platform {

ssize_t ReceiveSome(int socket, void* buffer, std::size_t size, int flags)
{
    ssize_t got;
    do {
        got = recv(socket, buffer, size, flags);
    } while (got < 0 && errno == EINTR);
    return got;
}

ssize_t SendSome(int socket, const void* data, std::size_t size)
{
    ssize_t sent;
    do {
        sent = send(socket, data, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent;
}

bool SendAll(int socket, const void* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t sent = SendSome(socket, static_cast<const char*>(data) + done, size - done);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

int Connect(int socket, const sockaddr* address, socklen_t length)
{
    int result;
    do {
        result = connect(socket, address, length);
    } while (result < 0 && errno == EINTR);
    return result;
}

}  // namespace Platform
