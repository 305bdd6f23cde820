// GSTrackedPool: the per-context pool of slots through which a context finds
// every instance it made, for its three-pass teardown.
#pragma once

#include <cstdint>
#include <vector>

namespace GSRuntime {

class GSContext;
struct GSPoolBlock;
struct GSScriptInstance;

// While in use: {instance, its block}; while free: {next free slot, null}.
struct GSPoolSlot {
    void* object;
    GSPoolBlock* block;
};

struct GSPoolBlock {
    static constexpr uint32_t kSlots = 1022;
    class GSTrackedPool* pool;
    GSPoolSlot* freeHead;
    GSPoolSlot slots[kSlots];
};

class GSTrackedPool {
public:
    explicit GSTrackedPool(GSContext* context) : context_(context) {}
    ~GSTrackedPool();
    GSTrackedPool(const GSTrackedPool&) = delete;
    GSTrackedPool& operator=(const GSTrackedPool&) = delete;

    // Gives the instance a slot. Throws std::bad_alloc when a new block is
    // needed and cannot be had.
    void Acquire(GSScriptInstance* instance);
    // Returns the instance's slot to its block's free list (nothing without one).
    static void Release(GSScriptInstance* instance);
    // Pins every instance, then releases every reference they hold, then
    // destroys them and frees the blocks; the pool is empty afterwards.
    void TearDown();

    GSContext* Context() const { return context_; }
    uint32_t BlockCount() const { return static_cast<uint32_t>(blocks_.size()); }
    bool TearingDown() const { return tearingDown_; }
    // Slots in use over every pool of the process.
    static int64_t LiveSlots();

private:
    GSPoolBlock* NewBlock();

    GSContext* context_;
    std::vector<GSPoolBlock*> blocks_;
    GSPoolBlock* current_ = nullptr;
    bool tearingDown_ = false;
};

}  // namespace GSRuntime
