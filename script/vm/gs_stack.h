// GSStack: the value stack of one script thread, with the chain of frame
// records inside its slots.
#pragma once

#include <cstdint>
#include <string_view>

#include "script/vm/slot.h"

namespace Zel {
class PString;
class String;
}  // namespace Zel

namespace GSRuntime {

class GSClass;
class GSContext;
class GSObjectReference;
struct GSFunction;

// A frame record: four consecutive slots of the stack.
class GSStackFrame {
public:
    GSFunction* Function() const { return slots_[0].AsPointer<GSFunction>(); }
    int32_t ReturnOffset() const { return slots_[1].AsInt(); }
    GSStackFrame* Previous() const { return slots_[2].AsPointer<GSStackFrame>(); }
    // Local slot 0: the receiver; 1 and up the arguments, then the locals.
    Slot* Locals() const { return slots_[3].AsPointer<Slot>(); }
    Slot& Local(int32_t n) const { return Locals()[n]; }

    // Argument n of a native call (1 = the first; 0 is the receiver).
    int32_t GetIntParam(int32_t n) const { return Local(n).AsInt(); }
    float GetFloatParam(int32_t n) const { return Local(n).AsFloat(); }
    Slot* GetHandleParam(int32_t n) const { return Local(n).AsHandle(); }

private:
    friend class GSStack;
    Slot slots_[4];
};

class GSStack {
public:
    static constexpr int32_t kCapacity = 1024;
    // Slots behind the array that a push after a full stack may reach (the
    // fit test below counts the room the way the frame sizes were computed,
    // which allows one slot more than the array holds).
    static constexpr int32_t kGuardSlots = 8;

    GSStack();
    virtual ~GSStack();
    GSStack(const GSStack&) = delete;
    GSStack& operator=(const GSStack&) = delete;

    // Pushes a frame for `function` whose receiver and arguments are the top
    // slots; false (with the overflow report) when its stack need does not fit.
    bool PushFrame(GSFunction* function, int32_t returnOffset);
    // Removes the frame of a method without result; false when there is no
    // frame or it is not exactly at the top.
    bool PopFrame();
    // Removes the frame of a method with result, leaving the result in the
    // receiver's place; with noValueMeansZero a frame without a pushed value
    // returns 0.
    bool ReturnValue(bool noValueMeansZero);
    // Removes every frame, releasing their reference locals and receivers.
    void Unwind();
    // Logs every frame, newest first.
    void Dump() const;
    // The context of the newest frame whose receiver has a native owner with
    // a context; null when none has.
    GSContext* GetContext() const;

    // Pushes (the top advances, then the slot is written; no room check).
    void PushWord(uint32_t value) { Push(Slot::FromWord(value)); }
    void PushInt(int32_t value) { Push(Slot::FromInt(value)); }
    void PushFloat(float value) { Push(Slot::FromFloat(value)); }
    void Push(Slot value) { base_[++top_] = value; }
    // A new string in the context; the slot owns its one count.
    void PushNewString(const Zel::PString& text, GSContext* context);
    void PushNewString(std::string_view text, GSContext* context);
    // The object's instance (viewed as the class's member block when a class
    // is given) with a count added; 0 when there is no such instance or view.
    void PushObject(const GSObjectReference* object, GSClass* cls = nullptr);
    void PushObjectNoAddRef(const GSObjectReference* object, GSClass* cls = nullptr);
    // A handle as it is, or viewed as the class's member block; no count added.
    void PushReference(Slot* handle, GSClass* cls = nullptr);
    // Takes the top slot off.
    Slot Pop() { return base_[top_--]; }

    // The top slot's index, -1 for an empty stack.
    int32_t TopIndex() const { return top_; }
    Slot* Top() { return base_ + top_; }
    Slot& At(int32_t index) { return base_[index]; }
    void SetTopIndex(int32_t index) { top_ = index; }
    GSStackFrame* CurrentFrame() const { return frame_; }
    void SetCurrentFrame(GSStackFrame* frame) { frame_ = frame; }
    int32_t ReturnOffset() const { return returnOffset_; }
    void SetReturnOffset(int32_t offset) { returnOffset_ = offset; }
    int32_t IndexOf(const Slot* slot) const { return static_cast<int32_t>(slot - base_); }

private:
    static void ReleaseFrameReferences(GSStackFrame* frame);
    // The record's place and the caller's continuation after a frame goes.
    void Leave(GSStackFrame* frame, int32_t newTop);

    int32_t returnOffset_ = 0;
    int32_t top_ = -1;
    Slot* base_;
    GSStackFrame* frame_ = nullptr;
};

}  // namespace GSRuntime
