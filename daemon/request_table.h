// The table of request handlers by code, and the lane each one runs on.
#pragma once

#include <cstdint>
#include <unordered_map>

struct KadRequestContext;

enum class KadRequestLane {
    // On the connection's reader thread, before its next request is read:
    // only for handlers that never wait and never touch the index.
    Reader,
    // The worker pool: index reads and updates that never wait on another
    // connection.
    Fast,
    // Long work (file copies, command hosts) on threads of its own, so it
    // never holds up the fast pool.
    Long,
};

using KadRequestHandler = void (*)(KadRequestContext& context);

struct KadRequestEntry {
    KadRequestLane lane = KadRequestLane::Fast;
    KadRequestHandler handler = nullptr;
};

class KadRequestTable {
public:
    void Register(std::int32_t code, KadRequestLane lane, KadRequestHandler handler);
    // Null for a code nobody registered: the daemon then answers an empty reply.
    const KadRequestEntry* Find(std::int32_t code) const;

private:
    std::unordered_map<std::int32_t, KadRequestEntry> entries;
};

// Every request family registers its codes from a file of its own; this
// lists the families, one call each.
void KadRegisterLinkRequests(KadRequestTable& table);
void KadRegisterSettingsRequests(KadRequestTable& table);
void KadRegisterTestHookRequests(KadRequestTable& table);
void KadRegisterAssetLookupRequests(KadRequestTable& table);
void KadRegisterAssetEditRequests(KadRequestTable& table);
void KadRegisterAssetInstallRequests(KadRequestTable& table);
void KadRegisterAssetStoreRequests(KadRequestTable& table);
void KadRegisterBuildsOnlineRequests(KadRequestTable& table);
void KadRegisterWebQueryRequests(KadRequestTable& table);
void KadRegisterRepairRequests(KadRequestTable& table);
void KadRegisterCommandHostRequests(KadRequestTable& table);

KadRequestTable KadBuildRequestTable();
