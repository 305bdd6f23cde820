// The table of request handlers by code, and the lane each one runs on.
#pragma once

#include <cstdint>
#include <unordered_map>

struct KADRequestContext;

enum class KADRequestLane {
    // On the connection's reader thread, before its next request is read:
    // only for handlers that never wait and never touch the index.
    Reader,
    // On the reader thread too, with an index connection lent for the
    // request: a short index read that the hop to the worker pool would
    // take longer than (GetSetting at every client's start).
    Inline,
    // The worker pool: index reads and updates that never wait on another
    // connection.
    Fast,
    // Long work (file copies, command hosts) on threads of its own, so it
    // never holds up the fast pool.
    Long,
};

using KADRequestHandler = void (*)(KADRequestContext& context);

struct KADRequestEntry {
    KADRequestLane lane = KADRequestLane::Fast;
    KADRequestHandler handler = nullptr;
};

class KADRequestTable {
public:
    void Register(std::int32_t code, KADRequestLane lane, KADRequestHandler handler);
    // Null for a code nobody registered: the daemon then answers an empty reply.
    const KADRequestEntry* Find(std::int32_t code) const;

private:
    std::unordered_map<std::int32_t, KADRequestEntry> entries;
};

// The handler of each request the daemon answers, KADHandle<name> for every
// row of assetdb/protocol/kad_requests.def whose lane is not None; each family
// of requests defines its handlers in a file of its own.
#define KAD_REQUEST(code, name, lane) void KADHandle##name(KADRequestContext& context);
#include "assetdb/protocol/kad_requests.def"

// Every row of the request table with a lane, registered on that lane; the
// test hooks only in builds with test hooks.
KADRequestTable KADBuildRequestTable();
