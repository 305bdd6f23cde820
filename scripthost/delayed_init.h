// Staged initialisation: a client's three set-up stages and the manager that queues unfinished clients.
#pragma once

#include <cstdint>
#include <vector>

class DelayedInitManager;

// The stages run in order, each once; a client is queued on at most one manager.
class DelayedInitClient {
public:
    static constexpr uint8_t Stage1Done = 0x01;
    static constexpr uint8_t Stage2Done = 0x02;
    static constexpr uint8_t Stage3Done = 0x04;
    static constexpr uint8_t Queued = 0x08;
    static constexpr uint8_t AllStagesDone = Stage1Done | Stage2Done | Stage3Done;

    DelayedInitClient() { flags_ &= uint8_t(~0x1fu); }
    DelayedInitClient(const DelayedInitClient&) = delete;
    DelayedInitClient& operator=(const DelayedInitClient&) = delete;
    virtual ~DelayedInitClient() = default;

    // The base versions only record that the stage ran.
    virtual void Stage1() { flags_ |= Stage1Done; }
    virtual void Stage2() { flags_ |= Stage2Done; }
    virtual void Stage3() { flags_ |= Stage3Done; }

    // Runs the stages whose bit is not set, in order.
    void RunPendingStages();
    // Runs what remains and leaves the manager's queue.
    void CompleteNow(DelayedInitManager& manager);

    uint8_t GetInitFlags() const { return flags_; }
    bool IsQueued() const { return (flags_ & Queued) != 0; }

private:
    friend class DelayedInitManager;
    uint8_t flags_ = 0;
};

class DelayedInitManager {
public:
    DelayedInitManager() = default;
    DelayedInitManager(const DelayedInitManager&) = delete;
    DelayedInitManager& operator=(const DelayedInitManager&) = delete;
    virtual ~DelayedInitManager() = default;

    // Nothing when the client is finished or already queued.
    void Queue(DelayedInitClient* client);
    void Dequeue(DelayedInitClient* client);

    // While walking is set, a dequeued client's entry becomes null instead of
    // being erased, so a walker's position stays valid; the walker skips nulls.
    void SetWalking(bool walking) { walking_ = walking ? 1 : 0; }
    bool IsWalking() const { return walking_ != 0; }
    std::vector<DelayedInitClient*>& Pending() { return pending_; }
    // Runs every pending client's stages (as a host's walk would), then drops
    // the entries that were emptied meanwhile.
    void CompleteAll();

private:
    std::vector<DelayedInitClient*> pending_;
    uint8_t walking_ = 0;
};
