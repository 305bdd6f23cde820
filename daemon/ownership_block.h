// The daemon's side of the ownership block: one daemon per database, its port published.
#pragma once

#include <cstdint>
#include <string>

#include "assetdb/protocol/kad_ipc_names.h"
#include "platform/ipc.h"

class KADOwnershipBlock {
public:
    enum class ClaimResult { Owner, AnotherDaemonRuns, Failed };

    KADOwnershipBlock() = default;
    ~KADOwnershipBlock();
    KADOwnershipBlock(const KADOwnershipBlock&) = delete;
    KADOwnershipBlock& operator=(const KADOwnershipBlock&) = delete;

    // Opens the lock and the block of the database and makes this process
    // the owner, unless a live daemon already owns it. A block left behind by
    // a daemon that died (its owner dead, or a port or closing word still
    // set) is set up afresh: POSIX objects outlive their makers.
    ClaimResult Claim(const std::string& databasePath);
    // Clients read the port only once it is set, so it is written last,
    // after the listener is ready.
    void PublishPort(int port);
    // Keeps clients from joining while the daemon winds down.
    void BeginClosing();
    // Clears port, owner and closing word, and gives up the keeper field.
    void Release();

    bool IsOwner() const { return owner; }

private:
    bool IsLiveDaemon(std::int32_t pid) const;

    Platform::NamedLock lock;
    Platform::SharedBlock block;
    KADIpcNameSet names;
    std::int32_t ownPid = 0;
    bool owner = false;
};
