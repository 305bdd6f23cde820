// NetTransport base: state bookkeeping and the one place a socket is closed.
#include "assetdb/net/net_transport.h"

#include <sys/socket.h>
#include <unistd.h>

NetTransport::~NetTransport() = default;

bool NetTransport::HasData()
{
    return true;
}

void NetTransport::SetFailure(int32_t value)
{
    int32_t expected = NetTransportUsable;
    state.compare_exchange_strong(expected, value);
}

void NetTransport::ShutdownSocket()
{
    int fd = socketHandle.load();
    if (fd < 0)
        return;
    // Only shutdown() wakes a thread blocked in recv(); the descriptor stays
    // ours until CloseSocket, so it cannot be reused under that thread.
    ::shutdown(fd, SHUT_RDWR);
}

void NetTransport::CloseSocket()
{
    int fd = socketHandle.exchange(-1);
    if (fd < 0)
        return;
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}
