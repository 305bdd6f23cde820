// What one client may hold of the daemon: idle time, connection count, payload memory; from kaddaemon.cfg.
#pragma once

#include <cstddef>
#include <string>

struct KADConnectionLimits {
    // "connection-idle-timeout": seconds a connection that holds nothing may
    // stay silent before it is closed. The utility reconnects by itself on
    // its next request, so a quiet client loses nothing.
    int idleSeconds = 900;
    // "max-connections": connections served at once; 0 lets the descriptor
    // limit decide. At the limit the quiet connection heard from longest ago
    // goes (one still in its handshake first) to make room for a new one.
    std::size_t maxConnections = 0;
    // "request-memory-budget": bytes of request payloads held at once, across
    // every connection, beyond each request's small own allowance.
    std::size_t payloadBudget = 256u * 1024 * 1024;
    // "command-host-silence": seconds an idle command host that has sent
    // keep-alives may stay silent before it is taken for gone and its
    // connection closed.
    int hostSilenceSeconds = 20;
};

class SoupHandle;

// Reads the keys from the text soup of kaddaemon.cfg; a missing key, or a
// value out of range, keeps the default.
KADConnectionLimits KADConnectionLimitsFrom(const SoupHandle& config);

// Raises the soft limit on open descriptors to the hard one, so that the
// connection count is bounded by our own limit and not by a low default;
// gives the soft limit now in force.
std::size_t KADRaiseDescriptorLimit();

// The connections that fit: the configured count (or a default) within
// what the descriptors leave after the daemon's own files.
std::size_t KADConnectionCap(std::size_t configured, std::size_t descriptorLimit);
