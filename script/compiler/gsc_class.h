// The code holders that code generation fills and the library-image writer
// writes out: one GSCClass per compiled class, one GSCFunction per function.
//
// What a successful generation leaves in them:
// - code: the bytecode in `emitter.code` (Data(), Length() bytes; jump,
//   switch and wait targets are offsets from its first byte); `emitter.depth`
//   is 0 at the end of every function and initializer; `emitter.maxDepth` is
//   the greatest operand-stack depth reached (D of the function record).
// - function words: A = symbol->parameterCounter (the parameters plus the
//   receiver word), L = symbol->localCount + temporaryCount (see LocalWords);
//   the words of a frame are numbered 0 (this), 1..A-1 (parameters), then the
//   declared locals, then the temporaries A + localCount + i.
// - referenceLocals: referenceLocalCount u32 slot numbers (little-endian) of
//   the reference-typed parameters and locals, in declaration order.
// - lines: {code position, source line} pairs, a new pair only where the line
//   changes; empty for a native function (which also has no code).
// - class initializer: the member initialisers' code in `initializer`, closed
//   by OP_Return only when there is any code (an empty one has length 0); it
//   runs with one argument word (the object in word 0) and
//   initializerLocalCount local words, all of them temporaries (slots 1 up).
// - referenceMembers: referenceMemberCount u32 word indices of the class's own
//   reference-typed members (define members excluded).
#pragma once

#include <cstdint>
#include <vector>

#include "script/common/array.h"
#include "script/common/byte_buffer.h"
#include "script/common/double_link_list.h"
#include "script/compiler/method_table.h"

namespace GSCompiler {

class GSClassSymbol;
class GSFunctionSymbol;
class GSVariableSymbol;

// Appends bytecode to a growable buffer and keeps the operand-stack depth.
// Every emission calls the line hook with the position first, applies the
// opcode's depth change, then appends.
class CodeEmitter {
public:
    using LineHook = void (*)(void* user, uint32_t position);

    CodeEmitter();
    CodeEmitter(const CodeEmitter&) = delete;
    CodeEmitter& operator=(const CodeEmitter&) = delete;

    // The emission operations (code_emitter.cpp): opcode alone, with an i32,
    // OP_PushInt with a float's bits, with a u16, with an i16 and a u16.
    void Emit(uint8_t opcode);
    void EmitI32(uint8_t opcode, int32_t operand);
    void EmitFloat(float value);
    void EmitU16(uint8_t opcode, uint16_t operand);
    void EmitTwo(uint8_t opcode, uint16_t first, uint16_t second);
    // Raw operand bytes behind an emitted opcode (switch and wait tables).
    void AppendU16(uint16_t value);
    void AppendI32(int32_t value);
    // The depth change a call makes after its emission, or an "on" clause's message.
    void AdjustDepth(int32_t change);
    // Where the next instruction goes.
    uint32_t Position() const { return static_cast<uint32_t>(code.Cursor()); }
    // A 5-byte hole for a forward jump, filled later by FillJump.
    uint32_t Hole();
    // `bytes` zero bytes to be patched later (switch and wait tables).
    uint32_t Reserve(uint32_t bytes);
    // Emits `opcode` with target `target` into the hole at `hole` (the depth
    // rule applies now), then goes back to the end.
    void FillJump(uint32_t hole, uint8_t opcode, uint32_t target);
    // Writes a u16 / i32 at an earlier position without moving on.
    void PatchU16(uint32_t position, uint16_t value);
    void PatchI32(uint32_t position, int32_t value);
    bool Failed() const { return (code.Flags() & Utils::ByteBuffer::kAllocationFailed) != 0; }

    Utils::ByteBuffer code;  // allocated at the first byte, growth step 256
    LineHook lineHook = nullptr;
    void* hookUser = nullptr;
    int32_t depth = 0;     // current operand-stack depth
    int32_t maxDepth = 0;  // greatest depth reached
};

class GSCFunction : public Utils::IDoubleLinkListNode {
public:
    struct LineDebugInfo {
        uint32_t position;
        uint32_t line;
    };

    explicit GSCFunction(GSFunctionSymbol* function);

    GSFunctionSymbol* symbol;
    CodeEmitter emitter;
    uint32_t referenceLocalCount = 0;
    Utils::ByteBuffer referenceLocals;  // u32 local slots, allocated at the first, growth step 64
    int32_t currentLine = 0;
    Utils::Array<LineDebugInfo, 16> lines;
    int32_t temporaryCount = 0;  // one more than the highest temporary flag used

    // A: the parameters and the receiver word.
    int32_t ArgumentWords() const;
    // L: the declared locals and the temporaries.
    int32_t LocalWords() const;
};

class GSCClass : public Utils::IDoubleLinkListNode {
public:
    explicit GSCClass(GSClassSymbol* cls);
    ~GSCClass() override;

    GSClassSymbol* symbol;
    Utils::DoubleLinkList functions;  // GSCFunction, in compile order
    CodeEmitter initializer;
    int32_t initializerLocalCount = 0;
    uint32_t referenceMemberCount = 0;
    Utils::ByteBuffer referenceMembers;  // u32 word indices, growth step 64
    // What numbering the references gathered, kept for the class record so
    // that a large class's member table is walked, and its method table
    // built, once per image. The record writer takes it over (so a later
    // write without a numbering never sees a stale one) and gathers anew
    // what is not ready.
    struct Numbered {
        std::vector<const GSVariableSymbol*> variables;  // the member-table entries, in table order
        MethodTableList methodTable;
        bool variablesReady = false;
        bool methodTableReady = false;
    };
    Numbered numbered;
};

}  // namespace GSCompiler
