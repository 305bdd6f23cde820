// Host-name resolution, directly and on the resolver thread with a 5000 ms bound.
#pragma once

#include <cstdint>
#include <netinet/in.h>

// Fills `record` (family AF_INET, port in network order, IPv4 address, zero
// padding); "localhost" in any case is 127.0.0.1 without a lookup. True when
// an IPv4 address was found.
bool ResolveHost(const char* hostName, uint16_t port, sockaddr_in& record);

// Resolves on the resolver thread and waits at most 5000 ms; true when the
// record was filled in time. A late answer is dropped, never written.
bool ResolveHostAsync(const char* hostName, uint16_t port, sockaddr_in& record);

// The resolver runs only while someone holds a reference (NetTransport::Startup takes one).
void AddResolverRef();
void ReleaseResolverRef();

// Test seams: a replacement for the name lookup done on the resolver thread
// (null restores the real one), the wait bound, and whether a resolver thread exists.
using ResolveHostFunction = bool (*)(const char* hostName, uint16_t port, sockaddr_in& record);
void SetResolveHostFunctionForTesting(ResolveHostFunction function);
void SetResolveTimeoutForTesting(int32_t milliseconds);
bool IsResolverThreadRunningForTesting();
