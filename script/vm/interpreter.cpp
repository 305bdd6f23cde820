// GSThread::Run: the bytecode interpreter. Threaded dispatch (each handler
// jumps to the next one through a table of label addresses) unless the build
// asks for the portable switch loop (KORVEL_VM_SWITCH_DISPATCH), which runs
// the very same handler bodies.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "script/vm/gs_array.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_function.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_string.h"
#include "script/vm/gs_thread.h"
#include "script/vm/native_function.h"
#include "script/vm/runtime_state.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

// Executed code bytes a run (with every run nested in it) may use.
constexpr uint64_t kBudget = 0x1000000;

// Shared by a run and every run nested in it: the budget is the outermost
// run's, whatever the nesting.
int32_t g_nestingDepth = 0;
uint64_t g_executedBytes = 0;

// The registers that the error exit reports from.
struct RunPosition {
    const GSFunction* function = nullptr;
    const GSLibrary* library = nullptr;
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

int32_t NormalExit(RunPosition* run, int32_t code)
{
    ChargeSlice(run);
    --g_nestingDepth;
    return code;
}

int32_t ErrorExit(GSThread* thread, RunPosition* run, int32_t code)
{
    ChargeSlice(run);
    --g_nestingDepth;
    int32_t line = -1;
    const char* file = "";
    if (run->function != nullptr && run->position != nullptr && run->codeBase != nullptr)
        line = run->function->LineOf(static_cast<uint32_t>(run->position - run->codeBase));
    if (run->library != nullptr)
        file = run->library->Name().c_str();
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

inline int32_t ReadI32(const uint8_t* at)
{
    int32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline uint16_t ReadU16(const uint8_t* at)
{
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline int16_t ReadI16(const uint8_t* at)
{
    int16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Integer arithmetic wraps: it is done on the unsigned bits.
inline Slot IntSlot(uint32_t bits)
{
    return Slot::FromWord(bits);
}

inline int32_t CompareSign(int32_t a, int32_t b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Truncation toward zero; NaN and values outside the int range give the
// smallest int instead of undefined behaviour.
inline int32_t FloatToInt(float value)
{
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

inline bool FloatIsPositiveZero(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == 0;
}

GSArray* ArrayOf(const Slot& slot)
{
    const Slot* handle = slot.AsHandle();
    if (handle == nullptr)
        return nullptr;
    GSObjectReference* owner = GSScriptInstance::FromHandle(handle)->owner;
    return owner != nullptr && owner->GetKind() == GSObjectReference::KindArray ? static_cast<GSArray*>(owner)
                                                                                : nullptr;
}

GSString* StringOf(const Slot& slot)
{
    return GSString::FromHandle(slot.AsHandle());
}

inline void Release(const Slot& slot)
{
    GSScriptInstance::Release(slot.AsHandle());
}

inline void AddReference(const Slot& slot)
{
    GSScriptInstance::AddReference(slot.AsHandle());
}

Slot NewStringSlot(std::string_view text)
{
    GSString* string = new GSString(CurrentContext(), text);
    return Slot::FromPointer(string->GetScriptInstance());
}

// The operands from sp[-consumed] up give way to `result` in the lowest
// one's slot, whose reference is released afterwards (a result may come
// from the instance it held). The new top.
inline Slot* Collapse(Slot* sp, int consumed, Slot result)
{
    const Slot old = sp[-consumed];
    sp[-consumed] = result;
    GSScriptInstance::Release(old.AsHandle());
    return sp - consumed;
}

// Handlers keep no object with a destructor in scope: a computed goto
// leaves the scope without running it. These do the work out of line.

// Byte i becomes the low 8 bits of c; past the end spaces fill up to it.
void SetChar(GSString* string, int32_t i, uint32_t c)
{
    std::string text(string->Text().View());
    if (size_t(i) >= text.size())
        text.resize(size_t(i) + 1, ' ');
    text[size_t(i)] = static_cast<char>(c & 0xFF);
    string->Text().Set(text);
}

Slot ConcatSlot(const GSString* a, const GSString* b)
{
    std::string text(a->Text().View());
    text += b->Text().View();
    return NewStringSlot(text);
}

// The method-table entry m of a receiver's member block.
inline const GSMethodEntry& MethodOf(const Slot* receiver, uint32_t m)
{
    return receiver[1].AsPointer<const GSMethodEntry>()[m];
}

// The defining class's member block inside the receiver's instance.
inline Slot* DefiningBlock(const Slot* receiver, const GSMethodEntry& entry)
{
    return GSScriptInstance::FromHandle(receiver)->Members() + entry.blockOffset;
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
    WithdrawWaitBlocks();
    GSRunScope scope(this, Stack().GetContext());
    SetState(kThreadRunnable);
    RunPosition run;
    GSStack& stack = Stack();
    GSStackFrame* frame = stack.CurrentFrame();
    if (frame == nullptr)
        return ErrorExit(this, &run, ER_NoStackFrame);

    // The hot registers; the stack object is brought up to date only at
    // calls, returns, yields and failures.
    GSFunction* function = frame->Function();
    GSLibrary* library = function->library;
    const uint8_t* codeBase = function->code;
    const uint8_t* ip = codeBase != nullptr ? codeBase + ResumeOffset() : nullptr;
    const uint8_t* sliceStart = ip;
    Slot* sp = stack.Top();
    Slot* locals = frame->Locals();
    int32_t result = ER_Done;
    uint8_t op = 0;

#define SYNC_TOP() stack.SetTopIndex(stack.IndexOf(sp))
#define LOAD_TOP() (sp = stack.Top())
#define FAIL(code)                                                                                                     \
    do {                                                                                                               \
        result = (code);                                                                                               \
        goto error_exit;                                                                                               \
    } while (0)
// Every control transfer charges the bytes from the slice start up to the
// byte behind its opcode; the check happens only here.
#define CHARGE()                                                                                                       \
    do {                                                                                                               \
        g_executedBytes += static_cast<uint64_t>(ip - sliceStart);                                                     \
        sliceStart = ip;                                                                                               \
        if (g_executedBytes > kBudget)                                                                                 \
            FAIL(ER_Timeout);                                                                                          \
    } while (0)
// The frame just pushed for `callee` becomes the running one: its receiver
// slot holds the defining class's block, and execution starts at its code.
#define ENTER(callee, block)                                                                                           \
    do {                                                                                                               \
        function = (callee);                                                                                           \
        library = function->library;                                                                                   \
        LOAD_TOP();                                                                                                    \
        locals = stack.CurrentFrame()->Locals();                                                                       \
        locals[0] = Slot::FromPointer(block);                                                                          \
        SetCurrentContext(stack.GetContext());                                                                         \
        codeBase = function->code;                                                                                     \
        ip = codeBase;                                                                                                 \
        sliceStart = ip;                                                                                               \
        if (ip == nullptr)                                                                                             \
            FAIL(ER_IllegalInstruction);                                                                               \
    } while (0)
#define JUMP_TO(offset)                                                                                                \
    do {                                                                                                               \
        CHARGE();                                                                                                      \
        ip = codeBase + (offset);                                                                                      \
        sliceStart = ip;                                                                                               \
    } while (0)

#ifdef KORVEL_VM_SWITCH_DISPATCH
#define OPCODE(name) case name:
#define NEXT() goto dispatch
#define NEXT_AFTER(bytes)                                                                                              \
    do {                                                                                                               \
        ip += (bytes);                                                                                                 \
        goto dispatch;                                                                                                 \
    } while (0)
#else
    static void* table[256];
    static bool filled = false;
    if (!filled) {
        for (void*& entry : table)
            entry = &&illegal_instruction;
#define X(number, name, layout, depth) table[number] = &&L_##name;
#include "script/common/opcodes.def"
#undef X
        filled = true;
    }
#define OPCODE(name) L_##name:
#define NEXT()                                                                                                         \
    do {                                                                                                               \
        op = *ip++;                                                                                                    \
        goto* table[op];                                                                                               \
    } while (0)
#define NEXT_AFTER(bytes)                                                                                              \
    do {                                                                                                               \
        ip += (bytes);                                                                                                 \
        op = *ip++;                                                                                                    \
        goto* table[op];                                                                                               \
    } while (0)
#endif

    if (locals[0].IsZero())
        FAIL(ER_NullReference);
    if (ip == nullptr)
        FAIL(ER_IllegalInstruction);

#ifdef KORVEL_VM_SWITCH_DISPATCH
dispatch:
    op = *ip++;
    switch (op) {
#else
    NEXT();
#endif

        // Integer arithmetic and logic, on the unsigned bits.
        OPCODE(OP_AddInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() + sp[0].AsWord());
            --sp;
            NEXT();
        }
        OPCODE(OP_SubInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() - sp[0].AsWord());
            --sp;
            NEXT();
        }
        OPCODE(OP_MulInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() * sp[0].AsWord());
            --sp;
            NEXT();
        }
        OPCODE(OP_DivInt)
        {
            const int32_t b = sp[0].AsInt();
            const int32_t a = sp[-1].AsInt();
            if (b == 0)
                FAIL(ER_DivideByZero);
            // INT_MIN / -1 does not fit: it wraps to INT_MIN.
            sp[-1] = Slot::FromInt(b == -1 ? static_cast<int32_t>(0u - static_cast<uint32_t>(a)) : a / b);
            --sp;
            NEXT();
        }
        OPCODE(OP_ModInt)
        {
            const int32_t b = sp[0].AsInt();
            const int32_t a = sp[-1].AsInt();
            if (b == 0)
                FAIL(ER_DivideByZero);
            sp[-1] = Slot::FromInt(b == -1 ? 0 : a % b);
            --sp;
            NEXT();
        }
        OPCODE(OP_NegInt)
        {
            sp[0] = IntSlot(0u - sp[0].AsWord());
            NEXT();
        }
        OPCODE(OP_IncInt)
        {
            sp[0] = IntSlot(sp[0].AsWord() + 1u);
            NEXT();
        }
        OPCODE(OP_DecInt)
        {
            sp[0] = IntSlot(sp[0].AsWord() - 1u);
            NEXT();
        }
        OPCODE(OP_IntToFloat)
        {
            sp[0] = Slot::FromFloat(static_cast<float>(sp[0].AsInt()));
            NEXT();
        }
        OPCODE(OP_CmpInt)
        {
            // Signed: the wrapped difference would call 2147483647 > -1 false.
            sp[-1] = Slot::FromInt(CompareSign(sp[-1].AsInt(), sp[0].AsInt()));
            --sp;
            NEXT();
        }
        OPCODE(OP_PushFalse)
        {
            *++sp = Slot::FromInt(0);
            NEXT();
        }
        OPCODE(OP_PushTrue)
        {
            *++sp = Slot::FromInt(1);
            NEXT();
        }
        OPCODE(OP_Not)
        {
            sp[0] = Slot::FromInt(sp[0].AsInt() == 0 ? 1 : 0);
            NEXT();
        }
        OPCODE(OP_AndInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() & sp[0].AsWord());
            --sp;
            NEXT();
        }
        OPCODE(OP_OrInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() | sp[0].AsWord());
            --sp;
            NEXT();
        }
        OPCODE(OP_XorInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() ^ sp[0].AsWord());
            --sp;
            NEXT();
        }
        OPCODE(OP_ComplementInt)
        {
            sp[0] = IntSlot(~sp[0].AsWord());
            NEXT();
        }
        OPCODE(OP_ShlInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() << (sp[0].AsWord() & 31u));
            --sp;
            NEXT();
        }
        OPCODE(OP_ShrInt)
        {
            sp[-1] = IntSlot(sp[-1].AsWord() >> (sp[0].AsWord() & 31u));
            --sp;
            NEXT();
        }
        OPCODE(OP_ToBool)
        {
            sp[0] = Slot::FromInt(sp[0].AsInt() != 0 ? 1 : 0);
            NEXT();
        }

        // Float arithmetic in single precision.
        OPCODE(OP_AddFloat)
        {
            sp[-1] = Slot::FromFloat(sp[-1].AsFloat() + sp[0].AsFloat());
            --sp;
            NEXT();
        }
        OPCODE(OP_SubFloat)
        {
            sp[-1] = Slot::FromFloat(sp[-1].AsFloat() - sp[0].AsFloat());
            --sp;
            NEXT();
        }
        OPCODE(OP_MulFloat)
        {
            sp[-1] = Slot::FromFloat(sp[-1].AsFloat() * sp[0].AsFloat());
            --sp;
            NEXT();
        }
        OPCODE(OP_DivFloat)
        {
            // Only +0.0 refuses; -0.0 divides to an infinity.
            if (FloatIsPositiveZero(sp[0].AsFloat()))
                FAIL(ER_DivideByZero);
            sp[-1] = Slot::FromFloat(sp[-1].AsFloat() / sp[0].AsFloat());
            --sp;
            NEXT();
        }
        OPCODE(OP_ModFloat)
        {
            if (FloatIsPositiveZero(sp[0].AsFloat()))
                FAIL(ER_DivideByZero);
            sp[-1] = Slot::FromFloat(std::fmod(sp[-1].AsFloat(), sp[0].AsFloat()));
            --sp;
            NEXT();
        }
        OPCODE(OP_NegFloat)
        {
            sp[0] = Slot::FromFloat(-0.0f - sp[0].AsFloat());
            NEXT();
        }
        OPCODE(OP_IncFloat)
        {
            sp[0] = Slot::FromFloat(sp[0].AsFloat() + 1.0f);
            NEXT();
        }
        OPCODE(OP_DecFloat)
        {
            sp[0] = Slot::FromFloat(sp[0].AsFloat() - 1.0f);
            NEXT();
        }
        OPCODE(OP_FloatToInt)
        {
            sp[0] = Slot::FromInt(FloatToInt(sp[0].AsFloat()));
            NEXT();
        }
        OPCODE(OP_CmpFloat)
        {
            const float d = sp[-1].AsFloat() - sp[0].AsFloat();
            sp[-1] = Slot::FromInt(d > 0.0f ? 1 : (d < 0.0f ? -1 : 0));
            --sp;
            NEXT();
        }
        OPCODE(OP_NotFloat)
        {
            sp[0] = Slot::FromInt(sp[0].AsWord() == 0 ? 1 : 0);
            NEXT();
        }

        // Constants, locals and stack shuffling.
        OPCODE(OP_PushInt)
        {
            *++sp = Slot::FromInt(ReadI32(ip));
            NEXT_AFTER(4);
        }
        OPCODE(OP_LoadLocal)
        {
            *++sp = locals[ReadU16(ip)];
            NEXT_AFTER(2);
        }
        OPCODE(OP_LoadLocalRef)
        {
            *++sp = locals[ReadU16(ip)];
            AddReference(*sp);
            NEXT_AFTER(2);
        }
        OPCODE(OP_StoreLocal)
        {
            locals[ReadU16(ip)] = *sp--;
            NEXT_AFTER(2);
        }
        OPCODE(OP_StoreLocalKeep)
        {
            locals[ReadU16(ip)] = *sp;
            NEXT_AFTER(2);
        }
        OPCODE(OP_StoreLocalRef)
        {
            Slot& local = locals[ReadU16(ip)];
            const Slot old = local;
            local = *sp--;
            Release(old);
            NEXT_AFTER(2);
        }
        OPCODE(OP_StoreLocalRefKeep)
        {
            Slot& local = locals[ReadU16(ip)];
            const Slot old = local;
            AddReference(*sp);
            local = *sp;
            Release(old);
            NEXT_AFTER(2);
        }
        OPCODE(OP_Pop)
        {
            --sp;
            NEXT();
        }
        OPCODE(OP_PopRef)
        {
            Release(*sp--);
            NEXT();
        }
        OPCODE(OP_Dup)
        {
            sp[1] = sp[0];
            ++sp;
            NEXT();
        }
        OPCODE(OP_DupRef)
        {
            sp[1] = sp[0];
            ++sp;
            AddReference(*sp);
            NEXT();
        }
        OPCODE(OP_Dup2Ref)
        {
            sp[1] = sp[-1];
            sp[2] = sp[0];
            sp += 2;
            AddReference(sp[-1]);
            NEXT();
        }
        OPCODE(OP_Swap)
        {
            const Slot top = sp[0];
            sp[0] = sp[-1];
            sp[-1] = top;
            NEXT();
        }

        // Jumps and tests.
        OPCODE(OP_Jump)
        {
            JUMP_TO(ReadI32(ip));
            NEXT();
        }
        OPCODE(OP_JumpIfZero)
        {
            if ((sp--)->AsInt() == 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfNotZero)
        {
            if ((sp--)->AsInt() != 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfZeroKeep)
        {
            if (sp->AsInt() == 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfNotZeroKeep)
        {
            if (sp->AsInt() != 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfLess)
        {
            if ((sp--)->AsInt() < 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfLessEqual)
        {
            if ((sp--)->AsInt() <= 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfGreater)
        {
            if ((sp--)->AsInt() > 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_JumpIfGreaterEqual)
        {
            if ((sp--)->AsInt() >= 0)
                JUMP_TO(ReadI32(ip));
            else
                ip += 4;
            NEXT();
        }
        OPCODE(OP_Less)
        {
            sp[0] = Slot::FromInt(sp[0].AsInt() < 0 ? 1 : 0);
            NEXT();
        }
        OPCODE(OP_LessEqual)
        {
            sp[0] = Slot::FromInt(sp[0].AsInt() <= 0 ? 1 : 0);
            NEXT();
        }
        OPCODE(OP_Greater)
        {
            sp[0] = Slot::FromInt(sp[0].AsInt() > 0 ? 1 : 0);
            NEXT();
        }
        OPCODE(OP_GreaterEqual)
        {
            sp[0] = Slot::FromInt(sp[0].AsInt() >= 0 ? 1 : 0);
            NEXT();
        }
        OPCODE(OP_Switch)
        {
            const int32_t n = ReadU16(ip);
            const uint8_t* cases = ip + 2;
            const uint8_t* targets = cases + 4 * size_t(n);
            const int32_t value = (sp--)->AsInt();
            int32_t target = ReadI32(targets + 4 * size_t(n));
            int32_t lo = 0;
            int32_t hi = n - 1;
            while (lo <= hi) {
                const int32_t mid = (lo + hi) >> 1;
                const int32_t key = ReadI32(cases + 4 * size_t(mid));
                if (key == value) {
                    target = ReadI32(targets + 4 * size_t(mid));
                    break;
                }
                if (value < key)
                    hi = mid - 1;
                else
                    lo = mid + 1;
            }
            JUMP_TO(target);
            NEXT();
        }

        // Arrays: a null array fails before anything else happens.
        OPCODE(OP_NewArray)
        OPCODE(OP_NewRefArray)
        {
            GSArray* array = new GSArray(CurrentContext(), op == OP_NewArray ? 0 : 1);
            Slot handle = Slot::FromPointer(array->GetScriptInstance());
            if (!array->EnsureSize(sp[0].AsInt())) {
                Release(handle);
                FAIL(ER_ArrayOutOfBounds);
            }
            sp[0] = handle;
            NEXT();
        }
        OPCODE(OP_ArraySize)
        {
            const GSArray* array = ArrayOf(sp[0]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            sp = Collapse(sp, 0, Slot::FromInt(array->Count()));
            NEXT();
        }
        OPCODE(OP_ArrayCopy)
        {
            const GSArray* array = ArrayOf(sp[0]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            GSArray* copy = new GSArray(CurrentContext(), array->ElementType());
            const Slot handle = Slot::FromPointer(copy->GetScriptInstance());
            if (!copy->CopyRange(array, 0, -1)) {
                Release(handle);
                FAIL(ER_ArrayOutOfBounds);
            }
            sp = Collapse(sp, 0, handle);
            NEXT();
        }
        OPCODE(OP_ArrayGet)
        {
            const GSArray* array = ArrayOf(sp[-1]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            Slot value;
            if (!array->GetElement(sp[0].AsInt(), &value))
                FAIL(ER_ArrayOutOfBounds);
            sp = Collapse(sp, 1, value);
            NEXT();
        }
        OPCODE(OP_ArrayGetRef)
        {
            const GSArray* array = ArrayOf(sp[-1]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            Slot* handle = nullptr;
            if (!array->GetObjectElement(sp[0].AsInt(), &handle, true))
                FAIL(ER_ArrayOutOfBounds);
            sp = Collapse(sp, 1, Slot::FromPointer(handle));
            NEXT();
        }
        OPCODE(OP_ArraySet)
        OPCODE(OP_ArraySetKeep)
        {
            GSArray* array = ArrayOf(sp[-2]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            const Slot value = sp[0];
            if (!array->SetElement(sp[-1].AsInt(), value))
                FAIL(ER_ArrayOutOfBounds);
            const bool keep = op == OP_ArraySetKeep;
            sp = Collapse(sp, 2, value) - (keep ? 0 : 1);
            NEXT();
        }
        OPCODE(OP_ArraySetRef)
        OPCODE(OP_ArraySetRefKeep)
        {
            GSArray* array = ArrayOf(sp[-2]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            const Slot value = sp[0];
            const bool keep = op == OP_ArraySetRefKeep;
            if (!array->SetObjectElement(sp[-1].AsInt(), value.AsHandle(), keep, nullptr))
                FAIL(ER_ArrayOutOfBounds);
            sp = Collapse(sp, 2, value) - (keep ? 0 : 1);
            NEXT();
        }
        OPCODE(OP_RefArraySlice)
        OPCODE(OP_ArraySlice)
        {
            const GSArray* array = ArrayOf(sp[-2]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            GSArray* slice = new GSArray(CurrentContext(), array->ElementType());
            const Slot handle = Slot::FromPointer(slice->GetScriptInstance());
            if (!slice->CopyRange(array, sp[0].AsInt(), sp[-1].AsInt())) {
                Release(handle);
                FAIL(ER_ArrayOutOfBounds);
            }
            sp = Collapse(sp, 2, handle);
            NEXT();
        }
        OPCODE(OP_RefArrayReplace)
        OPCODE(OP_RefArrayReplaceKeep)
        OPCODE(OP_ArrayReplace)
        OPCODE(OP_ArrayReplaceKeep)
        {
            GSArray* array = ArrayOf(sp[-3]);
            if (array == nullptr)
                FAIL(ER_NullArrayReference);
            const Slot inserted = sp[0];
            if (!array->Splice(sp[-1].AsInt(), sp[-2].AsInt(), ArrayOf(inserted)))
                FAIL(ER_ArrayOutOfBounds);
            const bool keep = op == OP_ArrayReplaceKeep || op == OP_RefArrayReplaceKeep;
            sp = Collapse(sp, 3, inserted) - (keep ? 0 : 1);
            if (!keep)
                Release(inserted);
            NEXT();
        }

        // Strings.
        OPCODE(OP_NewString)
        {
            *++sp = NewStringSlot(std::string_view());
            NEXT();
        }
        OPCODE(OP_PushString)
        {
            *++sp = NewStringSlot(library->String(ReadU16(ip)));
            NEXT_AFTER(2);
        }
        OPCODE(OP_IntToString)
        {
            char text[16];
            std::snprintf(text, sizeof text, "%d", sp[0].AsInt());
            sp[0] = NewStringSlot(text);
            NEXT();
        }
        OPCODE(OP_BoolToString)
        {
            sp[0] = NewStringSlot(sp[0].AsInt() != 0 ? "true" : "false");
            NEXT();
        }
        OPCODE(OP_FloatToString)
        {
            char text[64];
            std::snprintf(text, sizeof text, "%f", static_cast<double>(sp[0].AsFloat()));
            sp[0] = NewStringSlot(text);
            NEXT();
        }
        OPCODE(OP_StringCopy)
        {
            const GSString* string = StringOf(sp[0]);
            if (string != nullptr) {
                sp = Collapse(sp, 0, NewStringSlot(string->Text().View()));
            }
            NEXT();
        }
        OPCODE(OP_StringLength)
        {
            const GSString* string = StringOf(sp[0]);
            if (string == nullptr)
                FAIL(ER_NullStringReference);
            sp = Collapse(sp, 0, Slot::FromInt(string->Length()));
            NEXT();
        }
        OPCODE(OP_StringGetChar)
        {
            const GSString* string = StringOf(sp[-1]);
            if (string == nullptr)
                FAIL(ER_NullStringReference);
            const int32_t i = sp[0].AsInt();
            if (i < 0 || i >= string->Length())
                FAIL(ER_StringOutOfBounds);
            sp = Collapse(sp, 1, Slot::FromInt(static_cast<int8_t>(string->Text().View()[size_t(i)])));
            NEXT();
        }
        OPCODE(OP_StringSetChar)
        OPCODE(OP_StringSetCharKeep)
        {
            GSString* string = StringOf(sp[-2]);
            if (string == nullptr)
                FAIL(ER_NullStringReference);
            const int32_t i = sp[-1].AsInt();
            if (i < 0)
                FAIL(ER_StringOutOfBounds);
            SetChar(string, i, sp[0].AsWord());
            const bool keep = op == OP_StringSetCharKeep;
            sp = Collapse(sp, 2, sp[0]) - (keep ? 0 : 1);
            NEXT();
        }
        OPCODE(OP_StringSlice)
        {
            const GSString* string = StringOf(sp[-2]);
            if (string == nullptr)
                FAIL(ER_NullStringReference);
            GSString* slice = new GSString(CurrentContext(), std::string_view());
            const Slot handle = Slot::FromPointer(slice->GetScriptInstance());
            if (!string->Substring(sp[0].AsInt(), sp[-1].AsInt(), slice)) {
                Release(handle);
                FAIL(ER_ArrayOutOfBounds);
            }
            sp = Collapse(sp, 2, handle);
            NEXT();
        }
        OPCODE(OP_StringReplace)
        OPCODE(OP_StringReplaceKeep)
        {
            GSString* string = StringOf(sp[-3]);
            if (string == nullptr)
                FAIL(ER_NullStringReference);
            const Slot inserted = sp[0];
            if (!string->Splice(sp[-1].AsInt(), sp[-2].AsInt(), StringOf(inserted)))
                FAIL(ER_ArrayOutOfBounds);
            const bool keep = op == OP_StringReplaceKeep;
            sp = Collapse(sp, 3, inserted) - (keep ? 0 : 1);
            if (!keep)
                Release(inserted);
            NEXT();
        }
        OPCODE(OP_StringCompare)
        {
            const GSString* a = StringOf(sp[-1]);
            const GSString* b = StringOf(sp[0]);
            // A null string compares as the empty one.
            const char* textA = a != nullptr ? a->Text().c_str() : "";
            const char* textB = b != nullptr ? b->Text().c_str() : "";
            const int32_t c = a != nullptr ? a->Text().Compare(textB) : -Zel::String(textB).Compare(textA);
            const Slot oldA = sp[-1];
            const Slot oldB = sp[0];
            sp[-1] = Slot::FromInt(c);
            --sp;
            Release(oldA);
            Release(oldB);
            NEXT();
        }
        OPCODE(OP_StringConcat)
        {
            const GSString* a = StringOf(sp[-1]);
            const GSString* b = StringOf(sp[0]);
            if (a != nullptr && b != nullptr) {
                const Slot oldA = sp[-1];
                const Slot oldB = sp[0];
                sp[-1] = ConcatSlot(a, b);
                Release(oldA);
                Release(oldB);
            } else if (a == nullptr && b == nullptr) {
                sp[-1] = NewStringSlot(std::string_view());
            } else if (a == nullptr) {
                // The other operand itself: its reference moves.
                sp[-1] = sp[0];
            }
            --sp;
            NEXT();
        }

        // Objects and classes.
        OPCODE(OP_IsInstance)
        {
            const Slot* handle = sp[0].AsHandle();
            if (handle == nullptr)
                FAIL(ER_NullReference);
            const GSClass* cls = library->ClassReference(ReadU16(ip));
            const GSClass* instanceClass = GSScriptInstance::FromHandle(handle)->cls;
            // Strings and arrays have no class: they are no instance of any.
            const bool is = instanceClass != nullptr && (instanceClass == cls || instanceClass->BaseIndexOf(cls) >= 0);
            sp = Collapse(sp, 0, Slot::FromInt(is ? 1 : 0));
            NEXT_AFTER(2);
        }
        OPCODE(OP_NewObject)
        {
            GSClass* cls = library->ClassReference(ReadU16(ip));
            *++sp = Slot::FromInt(0);
            GSContext* context = CurrentContext();
            GSObject* object = IsGameObjectClass(cls) ? new GSGameObject : new GSObject;
            SYNC_TOP();
            GSThreadState saved;
            SaveState(&saved);
            const bool made = object->AttachScriptInstance(cls, context);
            RestoreState(saved);
            LOAD_TOP();
            if (!made) {
                delete object;
                FAIL(ER_ClassCreateError);
            }
            if (object->GetKind() == GSObjectReference::KindGameObject && context != nullptr &&
                context->Router() != nullptr) {
                context->Router()->AddNode(static_cast<GSGameObject*>(object));
            }
            // The object's own count goes to the slot: the last release
            // deletes it.
            sp[0] = Slot::FromPointer(object->GetScriptInstance());
            NEXT_AFTER(2);
        }
        OPCODE(OP_PushStatic)
        {
            GSClass* cls = library->ClassReference(ReadU16(ip));
            GSContext* context = CurrentContext();
            GSObject* object = context != nullptr ? context->GetStaticObject(cls) : nullptr;
            if (object == nullptr)
                FAIL(ER_ClassCreateError);
            *++sp = Slot::FromPointer(object->GetScriptInstance());
            AddReference(*sp);
            NEXT_AFTER(2);
        }
        OPCODE(OP_Cast)
        {
            Slot* handle = sp[0].AsHandle();
            if (handle != nullptr) {
                if (library->ClassReferenceCount() == 0)
                    FAIL(ER_LinkError);
                const GSClass* cls = library->ClassReference(ReadU16(ip));
                Slot* view = cls != nullptr ? cls->FindInstanceData(GSScriptInstance::FromHandle(handle)) : nullptr;
                sp[0] = Slot::FromPointer(view);
                if (view == nullptr)
                    GSScriptInstance::Release(handle);
            }
            NEXT_AFTER(2);
        }
        OPCODE(OP_RefNotEqual)
        {
            const Slot* a = sp[-1].AsHandle();
            const Slot* b = sp[0].AsHandle();
            int32_t differ = 0;
            if (a != nullptr && b != nullptr)
                differ = GSScriptInstance::SameInstance(a, b) ? 0 : 1;
            else if (a != nullptr || b != nullptr)
                differ = 1;
            const Slot oldA = sp[-1];
            const Slot oldB = sp[0];
            sp[-1] = Slot::FromInt(differ);
            --sp;
            Release(oldA);
            Release(oldB);
            NEXT();
        }
        OPCODE(OP_IsNull)
        OPCODE(OP_IsNotNull)
        {
            const Slot old = sp[0];
            const bool isNull = old.IsZero();
            sp[0] = Slot::FromInt((op == OP_IsNull) == isNull ? 1 : 0);
            Release(old);
            NEXT();
        }

        // Calls.
        OPCODE(OP_Call)
        {
            const Slot* receiver = sp[ReadI16(ip)].AsHandle();
            if (receiver == nullptr)
                FAIL(ER_NullReference);
            const GSMethodEntry& entry = MethodOf(receiver, ReadU16(ip + 2));
            GSFunction* callee = entry.Function();
            if (callee == nullptr)
                FAIL(ER_IllegalInstruction);
            Slot* block = DefiningBlock(receiver, entry);
            const int32_t returnOffset = static_cast<int32_t>(ip + 4 - codeBase);
            CHARGE();
            SYNC_TOP();
            if (!stack.PushFrame(callee, returnOffset))
                FAIL(ER_StackOverflow);
            ENTER(callee, block);
            NEXT();
        }
        OPCODE(OP_CallNative)
        {
            const Slot* receiver = sp[ReadI16(ip)].AsHandle();
            if (receiver == nullptr)
                FAIL(ER_NullReference);
            const GSMethodEntry& entry = MethodOf(receiver, ReadU16(ip + 2));
            GSFunction* callee = entry.Function();
            if (callee == nullptr)
                FAIL(ER_NativeCallError);
            Slot* block = DefiningBlock(receiver, entry);
            SYNC_TOP();
            if (!stack.PushFrame(callee, 0))
                FAIL(ER_StackOverflow);
            stack.CurrentFrame()->Local(0) = Slot::FromPointer(block);
            if (callee->native == nullptr)
                FAIL(ER_NativeCallError);
            SetState(kThreadRunnable);
            // The native may run scripts of its own (nested runs): everything it
            // needs is on the stack, and the top is read back afterwards.
            if (!callee->native->Call(ObjectOfHandle(block), stack))
                FAIL(ER_NativeCallError);
            if (!(callee->ReturnsValue() ? stack.ReturnValue(true) : stack.PopFrame()))
                FAIL(ER_StackReturnError);
            LOAD_TOP();
            ip += 4;
            if (State() == kThreadBlocked) {
                SetResumeOffset(static_cast<int32_t>(ip - codeBase));
                result = ER_Blocked;
                goto normal_exit;
            }
            if (State() == kThreadStopped)
                FAIL(ER_Exception);
            NEXT();
        }
        OPCODE(OP_StartThread)
        {
            const int32_t o = ReadI16(ip);
            Slot* receiver = sp[o].AsHandle();
            if (receiver == nullptr)
                FAIL(ER_NullReference);
            const GSMethodEntry& entry = MethodOf(receiver, ReadU16(ip + 2));
            GSFunction* callee = entry.Function();
            GSObject* owner = ObjectOfHandle(receiver);
            // Receiver and arguments must fit the new, empty stack.
            if (callee == nullptr || owner == nullptr || owner->GetKind() != GSObjectReference::KindGameObject ||
                1 - o > GSStack::kCapacity) {
                FAIL(ER_ThreadError);
            }
            GSGameObject* gameObject = static_cast<GSGameObject*>(owner);
            GSThread* thread = gameObject->RouterOf() != nullptr ? gameObject->StartThread() : nullptr;
            if (thread == nullptr)
                FAIL(ER_ThreadError);
            // The counts move with the slots.
            GSStack& target = thread->Stack();
            target.Push(Slot::FromPointer(DefiningBlock(receiver, entry)));
            for (int32_t i = o + 1; i <= 0; ++i)
                target.Push(sp[i]);
            target.PushFrame(callee, 0);
            sp += o - 1;
            NEXT_AFTER(4);
        }
        OPCODE(OP_CallInherited)
        {
            const Slot* receiver = sp[ReadI16(ip)].AsHandle();
            if (receiver == nullptr)
                FAIL(ER_NullReference);
            GSFunction* base = function->overridden;
            if (base == nullptr)
                FAIL(ER_NullReference);
            Slot* block = GSScriptInstance::FromHandle(receiver)->Members() + GSScriptInstance::BlockIndex(receiver) +
                          function->overriddenOffset;
            const int32_t returnOffset = static_cast<int32_t>(ip + 2 - codeBase);
            SYNC_TOP();
            if (!stack.PushFrame(base, returnOffset))
                FAIL(ER_StackOverflow);
            CHARGE();
            ENTER(base, block);
            NEXT();
        }

        // Members of a reference (released at the end) and own members.
        OPCODE(OP_GetMember)
        {
            const Slot* handle = sp[0].AsHandle();
            if (handle == nullptr)
                FAIL(ER_NullReference);
            sp = Collapse(sp, 0, handle[ReadU16(ip)]);
            NEXT_AFTER(2);
        }
        OPCODE(OP_GetMemberRef)
        {
            const Slot* handle = sp[0].AsHandle();
            if (handle == nullptr)
                FAIL(ER_NullReference);
            const Slot old = sp[0];
            sp[0] = handle[ReadU16(ip)];
            AddReference(sp[0]);
            Release(old);
            NEXT_AFTER(2);
        }
        OPCODE(OP_SetMember)
        OPCODE(OP_SetMemberKeep)
        {
            Slot* handle = sp[-1].AsHandle();
            if (handle == nullptr)
                FAIL(ER_NullReference);
            handle[ReadU16(ip)] = sp[0];
            const Slot old = sp[-1];
            if (op == OP_SetMemberKeep) {
                sp[-1] = sp[0];
                --sp;
            } else {
                sp -= 2;
            }
            Release(old);
            NEXT_AFTER(2);
        }
        OPCODE(OP_SetMemberRef)
        OPCODE(OP_SetMemberRefKeep)
        {
            Slot* handle = sp[-1].AsHandle();
            if (handle == nullptr)
                FAIL(ER_NullReference);
            const Slot value = sp[0];
            const bool keep = op == OP_SetMemberRefKeep;
            if (keep)
                AddReference(value);
            GSScriptInstance::StoreReference(handle, ReadU16(ip), value.AsHandle());
            const Slot old = sp[-1];
            if (keep) {
                sp[-1] = value;
                --sp;
            } else {
                sp -= 2;
            }
            Release(old);
            NEXT_AFTER(2);
        }
        OPCODE(OP_GetOwnMember)
        {
            *++sp = locals[0].AsHandle()[ReadU16(ip)];
            NEXT_AFTER(2);
        }
        OPCODE(OP_GetOwnMemberRef)
        {
            *++sp = locals[0].AsHandle()[ReadU16(ip)];
            AddReference(*sp);
            NEXT_AFTER(2);
        }
        OPCODE(OP_SetOwnMember)
        {
            locals[0].AsHandle()[ReadU16(ip)] = *sp--;
            NEXT_AFTER(2);
        }
        OPCODE(OP_SetOwnMemberKeep)
        {
            locals[0].AsHandle()[ReadU16(ip)] = *sp;
            NEXT_AFTER(2);
        }
        OPCODE(OP_SetOwnMemberRef)
        {
            GSScriptInstance::StoreReference(locals[0].AsHandle(), ReadU16(ip), (sp--)->AsHandle());
            NEXT_AFTER(2);
        }
        OPCODE(OP_SetOwnMemberRefKeep)
        {
            AddReference(*sp);
            GSScriptInstance::StoreReference(locals[0].AsHandle(), ReadU16(ip), sp->AsHandle());
            NEXT_AFTER(2);
        }

        // Returns and waiting.
        OPCODE(OP_Return)
        OPCODE(OP_ReturnValue)
        OPCODE(OP_ReturnRef)
        {
            SYNC_TOP();
            if (!(op == OP_Return ? stack.PopFrame() : stack.ReturnValue(false)))
                FAIL(ER_StackReturnError);
            LOAD_TOP();
            GSStackFrame* caller = stack.CurrentFrame();
            if (caller == nullptr) {
                SetState(kThreadStopped);
                result = ER_Done;
                goto normal_exit;
            }
            CHARGE();
            function = caller->Function();
            library = function->library;
            codeBase = function->code;
            ip = codeBase + stack.ReturnOffset();
            sliceStart = ip;
            locals = caller->Locals();
            SetCurrentContext(stack.GetContext());
            if (locals[0].IsZero())
                FAIL(ER_NullReference);
            NEXT();
        }
        OPCODE(OP_Wait)
        {
            const int32_t n = ReadI16(ip);
            GSGameObject* owner = Owner();
            if (owner == nullptr || IsStatic() || owner->RouterOf() == nullptr)
                FAIL(ER_ThreadError);
            GSRouter* router = owner->RouterOf();
            const uint8_t* pairs = ip + 2;
            const uint8_t* targets = pairs + 4 * size_t(n > 0 ? n : 0);
            for (int32_t i = 0; i < n; ++i) {
                const std::string major(library->String(ReadU16(pairs + 4 * size_t(i))));
                const std::string minor(library->String(ReadU16(pairs + 4 * size_t(i) + 2)));
                const uint16_t majorId = router->InternName(major.c_str());
                const uint16_t minorId = router->InternName(minor.c_str());
                // A name past the last message id could never be matched.
                if (majorId == 0 || minorId == 0) {
                    WithdrawWaitBlocks();
                    FAIL(ER_ThreadError);
                }
                AddWaitBlock(majorId, minorId, ReadI32(targets + 4 * size_t(i)));
            }
            ip = targets + 4 * size_t(n > 0 ? n : 0);
            SetState(kThreadBlocked);
            SYNC_TOP();
            // A queued message may resume the thread at once: it pushes the
            // message object.
            FilterQueueOnWait();
            LOAD_TOP();
            result = ER_Blocked;
            goto normal_exit;
        }

#ifdef KORVEL_VM_SWITCH_DISPATCH
    default:
        goto illegal_instruction;
    }
#endif

illegal_instruction:
    FAIL(ER_IllegalInstruction);

normal_exit : {
    SYNC_TOP();
    RunPosition exit{function, library, codeBase, ip, sliceStart};
    return NormalExit(&exit, result);
}

error_exit : {
    SYNC_TOP();
    RunPosition exit{function, library, codeBase, ip, sliceStart};
    return ErrorExit(this, &exit, result);
}

#undef SYNC_TOP
#undef LOAD_TOP
#undef FAIL
#undef CHARGE
#undef JUMP_TO
#undef ENTER
#undef OPCODE
#undef NEXT
#undef NEXT_AFTER
}

}  // namespace GSRuntime
