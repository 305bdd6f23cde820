// One client connection: its socket, its write lock and what the handshake told us.
#include "daemon/daemon_connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

KadConnection::KadConnection(int socket) : socket(socket) {}

KadConnection::~KadConnection()
{
    Shutdown();
    close(socket);
}

bool KadConnection::Send(const KadBytes& message)
{
    std::lock_guard<std::mutex> hold(writeLock);
    if (!open.load())
        return false;
    std::size_t sent = 0;
    while (sent < message.size()) {
        ssize_t count = send(socket, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            // A half-written message would desynchronise the client's reader:
            // the connection is finished.
            open.store(false);
            shutdown(socket, SHUT_RDWR);
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

bool KadConnection::SendReply(std::int32_t transactionId, const void* payload, std::size_t size)
{
    return Send(KadEncodeReply(transactionId, payload, size));
}

bool KadConnection::SendNote(std::int32_t type, const void* payload, std::size_t size)
{
    return Send(KadEncodeNote(type, payload, size));
}

void KadConnection::Shutdown()
{
    open.store(false);
    shutdown(socket, SHUT_RDWR);
}
