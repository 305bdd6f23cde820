// One client connection: its socket, its write lock, what the handshake told us and what it holds open.
#include "daemon/daemon_connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/socket_io.h"

namespace {

std::int64_t Now()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

struct EndListeners {
    std::mutex lock;
    std::vector<KADConnection::EndListener> listeners;
};

// Never destroyed: a connection may end while the process exits.
EndListeners& Listeners()
{
    static EndListeners* listeners = new EndListeners();
    return *listeners;
}

}  // namespace

KADConnection::KADConnection(int socket) : socket(socket), lastActive(Now()) {}

KADConnection::~KADConnection()
{
    Shutdown();
    close(socket);
}

bool KADConnection::Send(const KADBytes& message)
{
    std::lock_guard<std::mutex> hold(writeLock);
    if (!open.load())
        return false;
    if (Platform::SendAll(socket, message.data(), message.size()))
        return true;
    // A half-written message would desynchronise the client's reader: the
    // connection is finished.
    open.store(false);
    shutdown(socket, SHUT_RDWR);
    return false;
}

bool KADConnection::SendReply(std::int32_t transactionId, const void* payload, std::size_t size)
{
    return Send(KADEncodeReply(transactionId, payload, size));
}

bool KADConnection::SendNote(std::int32_t type, const void* payload, std::size_t size)
{
    return Send(KADEncodeNote(type, payload, size));
}

void KADConnection::Shutdown()
{
    open.store(false);
    shutdown(socket, SHUT_RDWR);
}

void KADConnection::MarkActive()
{
    lastActive.store(Now());
}

std::chrono::steady_clock::time_point KADConnection::LastActive() const
{
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(lastActive.load()));
}

void KADConnection::RequestAnswered()
{
    // The idle time counts from the last answer, so a client that waited an
    // hour for a long task gets the full time before it is thought idle.
    MarkActive();
    --requestsInFlight;
}

bool KADConnection::HoldsNothing() const
{
    return requestsInFlight.load() == 0 && openItems.load() <= 0 && !commandHost.load();
}

void KADConnection::AddEndListener(EndListener listener)
{
    EndListeners& all = Listeners();
    std::lock_guard<std::mutex> hold(all.lock);
    all.listeners.push_back(std::move(listener));
}

void KADConnection::End()
{
    Shutdown();
    if (ended.exchange(true))
        return;
    std::vector<EndListener> listeners;
    {
        EndListeners& all = Listeners();
        std::lock_guard<std::mutex> hold(all.lock);
        listeners = all.listeners;
    }
    for (const EndListener& listener : listeners)
        listener(*this);
}
