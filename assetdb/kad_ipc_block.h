// The client's side of the daemon's cross-process ownership block (read the port, keep it tidy).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One process's view of the block of one database. A process uses a single
// instance (the free functions below); tests build their own.
class KADIpcBlock {
public:
    KADIpcBlock();
    ~KADIpcBlock();
    KADIpcBlock(const KADIpcBlock&) = delete;
    KADIpcBlock& operator=(const KADIpcBlock&) = delete;

    // Joins or creates the lock and the block. False when the path does not
    // end in "assets.tdx" (any letter case), when the folder holding it does
    // not exist, when the lock cannot be made, or when the block is closing.
    bool Open(const std::string& databasePath);
    void Close();
    bool IsOpen() const;
    // Housekeeping: takes over keeping from a dead keeper, clears dead owners and requesters.
    void Idle();
    void InitBlock();
    void Lock();
    void Unlock();
    void ClaimKeeper();
    bool IsOwner() const;
    void ReleaseOwnership();
    // The daemon's port; 0 when no block is open or this process owns it.
    int32_t GetPort() const;
    // The daemon's process id; -1 when no block is open or none owns it.
    int32_t GetOwner() const;
    bool IsKeeper() const { return keeper; }

private:
    struct Objects;
    std::unique_ptr<Objects> objects;
    int32_t processId = 0;
    bool keeper = false;
};

// The process's block, used by KADClient::Connect for the moment of reading the port.
bool IPCOpen(const std::string& databasePath);
void IPCClose();
void IPCIdle();
void IPCInitBlock();
void IPCLock();
void IPCUnlock();
void IPCClaimKeeper();
bool IPCIsOwner();
void IPCReleaseOwnership();
int32_t IPCGetPort();
int32_t IPCGetOwner();
