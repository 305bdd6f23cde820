// GSThread: one strand of script execution: its stack, state and resume
// point, and the bracketing of nested runs on a borrowed thread.
#pragma once

#include <cstdint>

#include "script/vm/gs_stack.h"

namespace GSRuntime {

class GSGameObject;

// Result codes of a run; the names are what the error report prints.
enum GSResult : int32_t {
    ER_Done = 0,
    ER_Blocked = 1,
    ER_IllegalInstruction = 2,
    ER_DivideByZero = 3,
    ER_NullArrayReference = 4,
    ER_ArrayOutOfBounds = 5,
    ER_ArrayRangeError = 6,
    ER_NullStringReference = 7,
    ER_StringOutOfBounds = 8,
    ER_NullReference = 9,
    ER_ClassCreateError = 10,
    ER_NativeCallError = 11,
    ER_StackOverflow = 12,
    ER_NoStackFrame = 13,
    ER_ThreadError = 14,
    ER_StackReturnError = 15,
    ER_Exception = 16,
    ER_LinkError = 17,
    ER_Timeout = 18,
};
const char* ResultName(int32_t result);

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
