// GSThread: one strand of script execution: its stack, state and resume
// point, and the bracketing of nested runs on a borrowed thread.
#pragma once

#include <cstdint>
#include <vector>

#include "script/common/opcodes.h"
#include "script/vm/gs_stack.h"

namespace GSRuntime {

class GSGameObject;
struct GSMessage;

enum GSThreadRunState : int32_t {
    kThreadRunnable = 0,
    kThreadBlocked = 1,
    kThreadStopped = 2,
};

// Flag word: bit 0 marks the machine's main thread, which may not wait.
constexpr uint32_t kThreadStatic = 0x1;

// What a nested run on a borrowed thread puts back.
struct GSThreadState {
    GSStackFrame* frame;
    int32_t top;
    int32_t state;
    int32_t resumeOffset;
};

class GSThread {
public:
    // One clause of a pending wait: a message of this major (and this minor,
    // or any minor for 1) resumes the thread at the handler offset.
    struct Block {
        uint16_t major;
        uint16_t minor;
        int32_t handlerOffset;
    };
    // A thread queues at most this many messages while it is busy.
    static constexpr uint32_t kQueueCapacity = 1024;

    GSThread(GSGameObject* owner, uint32_t flags);
    virtual ~GSThread();
    GSThread(const GSThread&) = delete;
    GSThread& operator=(const GSThread&) = delete;

    // Runs the innermost frame from the resume offset until the thread
    // yields, its outermost method returns, or an instruction fails.
    int32_t Run(float dt);
    // Reports a script exception on this thread (stopping it unless
    // non-fatal) through the log and the exception callback; always false,
    // so natives can return it as their own failure.
    bool ReportException(const char* text, bool nonFatal);
    // Opens an empty frame level for a nested run (one zero slot pushed,
    // no current frame) and records what RestoreState puts back.
    void SaveState(GSThreadState* saved);
    // Drops whatever the nested run left above the saved top, unreleased.
    void RestoreState(const GSThreadState& saved);
    // Unwinds the stack, returns queued messages to the router, withdraws the
    // wait blocks and clears state, resume offset, flags and timer.
    void Reset();
    // Offers a message: a blocked thread with a matching block resumes at
    // its handler with the message object pushed; a busy thread with a
    // matching block accepts it, queueing a copy when `queue` is set (the
    // 1025th is reported and dropped with the whole queue). True when a
    // block matched.
    bool ReceiveMessage(const GSMessage& message, bool queue);
    // After a wait: the queued messages are offered again in order; the first
    // match resumes the thread, later matches stay queued, the rest are
    // dropped. True when the thread is runnable again.
    bool FilterQueueOnWait();
    // Installs one wait block and subscribes the owner's node to its major.
    void AddWaitBlock(uint16_t major, uint16_t minor, int32_t handlerOffset);
    // Unsubscribes every wait block's major and forgets the blocks.
    void WithdrawWaitBlocks();
    uint32_t WaitBlockCount() const { return static_cast<uint32_t>(blocks_.size()); }
    uint32_t QueuedCount() const { return static_cast<uint32_t>(queue_.size()); }

    GSStack& Stack() { return stack_; }
    int32_t State() const { return state_; }
    void SetState(int32_t state) { state_ = state; }
    int32_t ResumeOffset() const { return resumeOffset_; }
    void SetResumeOffset(int32_t offset) { resumeOffset_ = offset; }
    uint32_t Flags() const { return flags_; }
    bool IsStatic() const { return (flags_ & kThreadStatic) != 0; }
    float SleepTimer() const { return sleepTimer_; }
    void SetSleepTimer(float seconds) { sleepTimer_ = seconds; }
    GSGameObject* Owner() const { return owner_; }

private:
    // The block of the pending wait that matches, or null.
    const Block* MatchingBlock(const GSMessage& message) const;
    // Resumes a blocked thread on a message at the block's handler.
    void Resume(const Block& block, const GSMessage& message);
    // Returns every queued message to the router's pool, last first.
    void DropQueue();

    int32_t state_ = kThreadRunnable;
    int32_t resumeOffset_ = 0;
    uint32_t flags_;
    GSStack stack_;
    std::vector<Block> blocks_;
    std::vector<GSMessage*> queue_;
    float sleepTimer_ = 0.0f;
    GSGameObject* owner_;
};

// The game object of the newest frame whose receiver belongs to one, or null.
GSGameObject* GameObjectOfStack(const GSStack& stack);

}  // namespace GSRuntime
