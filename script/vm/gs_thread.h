// GSThread: one strand of script execution: its stack, state and resume
// point, and the bracketing of nested runs on a borrowed thread.
#pragma once

#include <cstdint>

#include "script/common/opcodes.h"
#include "script/vm/gs_stack.h"

namespace GSRuntime {

class GSGameObject;

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
    // Unwinds the stack and clears state, resume offset, flags and timer.
    void Reset();

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
    int32_t state_ = kThreadRunnable;
    int32_t resumeOffset_ = 0;
    uint32_t flags_;
    GSStack stack_;
    float sleepTimer_ = 0.0f;
    GSGameObject* owner_;
};

// The game object of the newest frame whose receiver belongs to one, or null.
GSGameObject* GameObjectOfStack(const GSStack& stack);

}  // namespace GSRuntime
