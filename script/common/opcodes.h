// The script machine's instruction set (numbers, names, operand layouts,
// depth changes) and the result codes that end a run.
#pragma once

#include <cstdint>

// Opcodes 0-115; every other byte value is an illegal instruction.
enum GSOpcode : uint8_t {
#define X(number, name, layout, depth) name = number,
#include "script/common/opcodes.def"
#undef X
};

constexpr uint32_t kOpcodeCount = 116;

// How the operands behind an opcode byte are laid out (all little-endian,
// unaligned). Switch: u16 n, n i32 case values, n i32 targets, i32 default.
// Wait: u16 n, n {u16 major, u16 minor} string indices, n i32 targets.
enum class OperandLayout : uint8_t { None, I32, U16, I16, I16U16, Switch, Wait };

struct OpcodeInfo {
    uint8_t number;
    const char* name;
    OperandLayout layout;
    int8_t depth;  // operand-stack change of the depth rule
};

// The row of an opcode byte; null for 116 to 255.
const OpcodeInfo* FindOpcode(uint8_t opcode);
// "OP_PushInt" and so on; null for an illegal byte.
const char* OpcodeName(uint8_t opcode);
// The opcode named `name` (exactly); -1 when none is.
int32_t OpcodeByName(const char* name);
// Operand bytes of a fixed layout; the count word alone (2) for Switch and Wait.
uint32_t FixedOperandBytes(OperandLayout layout);

// A run's result: the interpreter's return value.
enum GSResult : int32_t {
    ER_Done = 0,
    ER_Blocked = 1,
    ER_IllegalInstruction = 2,
    ER_DivideByZero = 3,
    ER_NullArrayReference = 4,
    ER_ArrayOutOfBounds = 5,
    ER_ArrayRangeError = 6,  // named, but no instruction produces it
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

constexpr int32_t kResultCount = 19;

// "ER_Done" and so on; null outside 0-18.
const char* ResultName(int32_t result);
