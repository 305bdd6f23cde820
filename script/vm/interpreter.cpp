// GSThread::Run: entry into a run, its budget, and its normal and error
// exits. The instruction handlers are not part of this machine yet: every
// opcode byte is one without an instruction, so a run that reaches code
// ends with ER_IllegalInstruction through the error exit.
#include <cstdint>
#include <string>

#include "script/vm/gs_function.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_thread.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

// Shared by a run and every run nested in it: the budget is the outermost
// run's, whatever the nesting.
int32_t g_nestingDepth = 0;
uint64_t g_executedBytes = 0;

// The registers that the error exit reports from.
struct RunPosition {
    const GSFunction* function = nullptr;
    const uint8_t* codeBase = nullptr;
    const uint8_t* position = nullptr;
    const uint8_t* sliceStart = nullptr;
};

void ChargeSlice(RunPosition* run)
{
    if (run->position != nullptr && run->sliceStart != nullptr && run->position >= run->sliceStart)
        g_executedBytes += static_cast<uint64_t>(run->position - run->sliceStart);
    run->sliceStart = run->position;
}

int32_t ErrorExit(GSThread* thread, RunPosition* run, int32_t code)
{
    ChargeSlice(run);
    --g_nestingDepth;
    int32_t line = -1;
    const char* file = "";
    if (run->function != nullptr) {
        if (run->position != nullptr && run->codeBase != nullptr)
            line = run->function->LineOf(static_cast<uint32_t>(run->position - run->codeBase));
        if (run->function->library != nullptr)
            file = run->function->library->Name().c_str();
    }
    // Grown to any length: a library's file name has none.
    const std::string report =
        std::string("Thread Exception: ") + ResultName(code) + ", line " + std::to_string(line) + ", file " + file;
    GSLog("%s", report.c_str());
    if (GSExceptionCallback callback = ExceptionCallback()) {
        GSGameObject* gameObject = thread->Owner() != nullptr ? thread->Owner() : GameObjectOfStack(thread->Stack());
        callback(report.c_str(), &thread->Stack(), gameObject, false);
    }
    thread->SetState(kThreadStopped);
    GSLog("Stack Dump...");
    thread->Stack().Dump();
    thread->Stack().Unwind();
    return code;
}

}  // namespace

int32_t GSThread::Run(float dt)
{
    if (State() == kThreadBlocked) {
        // A timer of exactly 0 waits for a message only.
        if (SleepTimer() == 0.0f)
            return ER_Blocked;
        SetSleepTimer(SleepTimer() - dt);
        if (SleepTimer() > 0.0f)
            return ER_Blocked;
        SetSleepTimer(0.0f);
    }
    if (g_nestingDepth++ == 0)
        g_executedBytes = 0;
    GSRunScope scope(this, Stack().GetContext());
    SetState(kThreadRunnable);
    RunPosition run;
    GSStackFrame* frame = Stack().CurrentFrame();
    if (frame == nullptr)
        return ErrorExit(this, &run, ER_NoStackFrame);
    run.function = frame->Function();
    run.codeBase = run.function->code;
    run.position = run.codeBase != nullptr ? run.codeBase + ResumeOffset() : nullptr;
    run.sliceStart = run.position;
    if (frame->Local(0).IsZero())
        return ErrorExit(this, &run, ER_NullReference);
    // Dispatch: past the opcode byte, to its handler; with no handlers every
    // byte ends the run as an illegal instruction.
    if (run.position != nullptr && ResumeOffset() >= 0 &&
        static_cast<uint32_t>(ResumeOffset()) < run.function->codeLength)
        ++run.position;
    return ErrorExit(this, &run, ER_IllegalInstruction);
}

}  // namespace GSRuntime
