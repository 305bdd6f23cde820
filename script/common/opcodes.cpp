// The opcode table built from opcodes.def and the result-code names.
#include "script/common/opcodes.h"

#include <cstring>

namespace {

constexpr OpcodeInfo kOpcodes[] = {
#define X(number, name, layout, depth) {number, #name, OperandLayout::layout, depth},
#include "script/common/opcodes.def"
#undef X
};

static_assert(sizeof(kOpcodes) / sizeof(kOpcodes[0]) == kOpcodeCount, "opcodes.def must list 0-115");

constexpr bool NumberedInOrder()
{
    for (uint32_t i = 0; i < kOpcodeCount; ++i) {
        if (kOpcodes[i].number != i)
            return false;
    }
    return true;
}
static_assert(NumberedInOrder(), "opcodes.def rows must be numbered 0-115 in order");

constexpr const char* kResultNames[kResultCount] = {
    "ER_Done",
    "ER_Blocked",
    "ER_IllegalInstruction",
    "ER_DivideByZero",
    "ER_NullArrayReference",
    "ER_ArrayOutOfBounds",
    "ER_ArrayRangeError",
    "ER_NullStringReference",
    "ER_StringOutOfBounds",
    "ER_NullReference",
    "ER_ClassCreateError",
    "ER_NativeCallError",
    "ER_StackOverflow",
    "ER_NoStackFrame",
    "ER_ThreadError",
    "ER_StackReturnError",
    "ER_Exception",
    "ER_LinkError",
    "ER_Timeout",
};

}  // namespace

const OpcodeInfo* FindOpcode(uint8_t opcode)
{
    return opcode < kOpcodeCount ? &kOpcodes[opcode] : nullptr;
}

const char* OpcodeName(uint8_t opcode)
{
    const OpcodeInfo* info = FindOpcode(opcode);
    return info ? info->name : nullptr;
}

int32_t OpcodeByName(const char* name)
{
    if (name == nullptr)
        return -1;
    for (const OpcodeInfo& info : kOpcodes) {
        if (std::strcmp(info.name, name) == 0)
            return info.number;
    }
    return -1;
}

uint32_t FixedOperandBytes(OperandLayout layout)
{
    switch (layout) {
    case OperandLayout::None:
        return 0;
    case OperandLayout::I32:
        return 4;
    case OperandLayout::U16:
        return 2;
    case OperandLayout::I16:
        return 2;
    case OperandLayout::I16U16:
        return 4;
    case OperandLayout::Switch:
        return 2;
    case OperandLayout::Wait:
        return 2;
    }
    return 0;
}

const char* ResultName(int32_t result)
{
    return result >= 0 && result < kResultCount ? kResultNames[result] : nullptr;
}
