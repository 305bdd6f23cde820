// Socket calls that go on across signals (EINTR): sends, receives, connects and accepts.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>

namespace Platform {

// One recv(2), repeated while a signal interrupts it: the byte count, 0 at
// the end of the stream, -1 on a failure (errno set).
ssize_t ReceiveSome(int socket, void* buffer, std::size_t size, int flags = 0);

// One send(2) that never raises SIGPIPE, repeated while a signal interrupts it.
ssize_t SendSome(int socket, const void* data, std::size_t size);

// Sends every byte: false on a failure or a send that took nothing (the
// peer is gone); the stream is then unusable.
bool SendAll(int socket, const void* data, std::size_t size);

// connect(2), repeated while a signal interrupts it: 0 or -1 (errno set).
int Connect(int socket, const sockaddr* address, socklen_t length);

}  // namespace Platform
