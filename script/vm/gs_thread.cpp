// GSThread: construction, exception reports and the bracketing of nested
// runs.
#include "script/vm/gs_thread.h"

#include <string>

#include "script/vm/gs_class.h"
#include "script/vm/gs_function.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_library.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_instance.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

GSGameObject* GameObjectOfStack(const GSStack& stack)
{
    for (const GSStackFrame* frame = stack.CurrentFrame(); frame != nullptr; frame = frame->Previous()) {
        const Slot* receiver = frame->Local(0).AsHandle();
        if (receiver == nullptr)
            continue;
        GSObjectReference* owner = GSScriptInstance::FromHandle(receiver)->owner;
        if (owner != nullptr && owner->GetKind() == GSObjectReference::KindGameObject)
            return static_cast<GSGameObject*>(owner);
    }
    return nullptr;
}

GSThread::GSThread(GSGameObject* owner, uint32_t flags) : flags_(flags), owner_(owner) {}

GSThread::~GSThread()
{
    Reset();
}

void GSThread::Reset()
{
    stack_.Unwind();
    DropQueue();
    WithdrawWaitBlocks();
    state_ = kThreadRunnable;
    resumeOffset_ = 0;
    flags_ = 0;
    sleepTimer_ = 0.0f;
}

bool GSThread::ReportException(const char* text, bool nonFatal)
{
    if (!nonFatal)
        state_ = kThreadStopped;
    std::string report = text != nullptr ? text : "";
    const GSStackFrame* frame = stack_.CurrentFrame();
    if (frame != nullptr && frame->Function() != nullptr && frame->Function()->library != nullptr)
        report += " (file " + frame->Function()->library->Name() + ")";
    GSLog("%s", report.c_str());
    if (GSExceptionCallback callback = ExceptionCallback()) {
        GSGameObject* gameObject = owner_ != nullptr ? owner_ : GameObjectOfStack(stack_);
        callback(report.c_str(), &stack_, gameObject, nonFatal);
    }
    return false;
}

void GSThread::SaveState(GSThreadState* saved)
{
    saved->frame = stack_.CurrentFrame();
    saved->top = stack_.TopIndex();
    saved->state = state_;
    saved->resumeOffset = resumeOffset_;
    // The zero slot separates the nested frames from the saved ones: the
    // first nested frame has no previous frame, so a failing nested run
    // unwinds only its own chain.
    stack_.PushInt(0);
    stack_.SetCurrentFrame(nullptr);
}

void GSThread::RestoreState(const GSThreadState& saved)
{
    stack_.SetCurrentFrame(saved.frame);
    stack_.SetTopIndex(saved.top);
    state_ = saved.state;
    resumeOffset_ = saved.resumeOffset;
}

}  // namespace GSRuntime
