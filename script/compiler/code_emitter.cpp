// The emission operations of a code emitter: the line hook, the depth rule
// of the opcode table, then the bytes.
#include <cstring>

#include "script/common/opcodes.h"
#include "script/compiler/gsc_class.h"

namespace GSCompiler {

namespace {

void ApplyDepth(CodeEmitter* emitter, uint8_t opcode)
{
    const OpcodeInfo* info = FindOpcode(opcode);
    if (info != nullptr)
        emitter->AdjustDepth(info->depth);
}

}  // namespace

void CodeEmitter::AdjustDepth(int32_t change)
{
    depth += change;
    if (depth > maxDepth)
        maxDepth = depth;
}

void CodeEmitter::Emit(uint8_t opcode)
{
    if (lineHook != nullptr)
        lineHook(hookUser, Position());
    ApplyDepth(this, opcode);
    code.WriteU8(opcode);
}

void CodeEmitter::EmitI32(uint8_t opcode, int32_t operand)
{
    Emit(opcode);
    AppendI32(operand);
}

void CodeEmitter::EmitFloat(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    EmitI32(OP_PushInt, static_cast<int32_t>(bits));
}

void CodeEmitter::EmitU16(uint8_t opcode, uint16_t operand)
{
    Emit(opcode);
    AppendU16(operand);
}

void CodeEmitter::EmitTwo(uint8_t opcode, uint16_t first, uint16_t second)
{
    Emit(opcode);
    AppendU16(first);
    AppendU16(second);
}

void CodeEmitter::AppendU16(uint16_t value)
{
    code.WriteU16(value);
}

void CodeEmitter::AppendI32(int32_t value)
{
    code.WriteU32(static_cast<uint32_t>(value));
}

uint32_t CodeEmitter::Reserve(uint32_t bytes)
{
    const uint32_t at = Position();
    static const uint8_t kZeros[64] = {};
    for (uint32_t left = bytes; left > 0;) {
        const uint32_t chunk = left < sizeof kZeros ? left : static_cast<uint32_t>(sizeof kZeros);
        code.WriteBytes(kZeros, chunk);
        left -= chunk;
    }
    return at;
}

uint32_t CodeEmitter::Hole()
{
    return Reserve(5);
}

void CodeEmitter::FillJump(uint32_t hole, uint8_t opcode, uint32_t target)
{
    const size_t end = code.Cursor();
    if (!code.Seek(hole))
        return;
    EmitI32(opcode, static_cast<int32_t>(target));
    code.Seek(end);
}

void CodeEmitter::PatchU16(uint32_t position, uint16_t value)
{
    if (position + 2u > code.Length())
        return;
    code.Data()[position] = static_cast<uint8_t>(value);
    code.Data()[position + 1] = static_cast<uint8_t>(value >> 8);
}

void CodeEmitter::PatchI32(uint32_t position, int32_t value)
{
    code.PatchU32(position, static_cast<uint32_t>(value));
}

}  // namespace GSCompiler
