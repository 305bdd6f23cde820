// Opening a connected TCP socket to a named host (shared by the TCP and TLS transports).
#pragma once

#include <cstdint>

// Resolves through the resolver thread and connects; the descriptor is
// close-on-exec with TCP_NODELAY set. -1 on any failure (nothing left open).
int ConnectStreamSocket(const char* hostName, int32_t port);
