// Bytecode decoding and the text listing of a code buffer.
#include "script/common/disassembler.h"

#include <cstdio>

namespace {

uint16_t ReadU16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

int32_t ReadI32(const uint8_t* at)
{
    return static_cast<int32_t>(uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24);
}

// Bytes of the entries behind the count word.
uint64_t TableBytes(OperandLayout layout, uint32_t count)
{
    if (layout == OperandLayout::Switch)
        return uint64_t(8) * count + 4;
    return uint64_t(8) * count;
}

std::string StringText(uint32_t index, const StringNamer& names)
{
    if (!names)
        return "s" + std::to_string(index);
    return "\"" + names(index) + "\"";
}

}  // namespace

bool DecodeInstruction(const uint8_t* code, uint32_t length, uint32_t position, DecodedInstruction* out)
{
    if (code == nullptr || position >= length)
        return false;
    *out = DecodedInstruction();
    out->position = position;
    out->opcode = code[position];
    out->info = FindOpcode(out->opcode);
    out->length = 1;
    if (out->info == nullptr)
        return true;
    const uint32_t left = length - position - 1;
    const uint8_t* operands = code + position + 1;
    const OperandLayout layout = out->info->layout;
    const uint32_t fixed = FixedOperandBytes(layout);
    if (left < fixed) {
        out->truncated = true;
        out->length = 1 + left;
        return true;
    }
    out->length = 1 + fixed;
    switch (layout) {
    case OperandLayout::None:
        break;
    case OperandLayout::I32:
        out->first = ReadI32(operands);
        break;
    case OperandLayout::U16:
        out->first = ReadU16(operands);
        break;
    case OperandLayout::I16:
        out->first = static_cast<int16_t>(ReadU16(operands));
        break;
    case OperandLayout::I16U16:
        out->first = static_cast<int16_t>(ReadU16(operands));
        out->second = ReadU16(operands + 2);
        break;
    case OperandLayout::Switch:
    case OperandLayout::Wait: {
        out->count = ReadU16(operands);
        if (layout == OperandLayout::Wait && out->count >= 0x8000) {
            out->badCount = true;
            return true;
        }
        const uint64_t table = TableBytes(layout, out->count);
        if (table > left - fixed) {
            out->truncated = true;
            out->length = 1 + left;
            return true;
        }
        out->table = operands + fixed;
        out->length = 1 + fixed + static_cast<uint32_t>(table);
        break;
    }
    }
    return true;
}

int32_t SwitchCase(const DecodedInstruction& instruction, uint32_t i)
{
    return ReadI32(instruction.table + 4 * i);
}

int32_t SwitchTarget(const DecodedInstruction& instruction, uint32_t i)
{
    return ReadI32(instruction.table + 4 * (instruction.count + i));
}

int32_t SwitchDefault(const DecodedInstruction& instruction)
{
    return ReadI32(instruction.table + 8 * instruction.count);
}

uint16_t WaitMajor(const DecodedInstruction& instruction, uint32_t i)
{
    return ReadU16(instruction.table + 4 * i);
}

uint16_t WaitMinor(const DecodedInstruction& instruction, uint32_t i)
{
    return ReadU16(instruction.table + 4 * i + 2);
}

int32_t WaitTarget(const DecodedInstruction& instruction, uint32_t i)
{
    return ReadI32(instruction.table + 4 * instruction.count + 4 * i);
}

std::string FormatInstruction(const DecodedInstruction& instruction, const StringNamer& names)
{
    std::string line = std::to_string(instruction.position) + ": ";
    if (instruction.info == nullptr) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", instruction.opcode);
        return line + "?? " + hex;
    }
    line += instruction.info->name;
    if (instruction.truncated)
        return line + " <truncated>";
    auto number = [&line](int64_t value) { line += " " + std::to_string(value); };
    switch (instruction.info->layout) {
    case OperandLayout::None:
        break;
    case OperandLayout::I32:
    case OperandLayout::I16:
        number(instruction.first);
        break;
    case OperandLayout::U16:
        if (instruction.opcode == OP_PushString) {
            line += " " + StringText(static_cast<uint32_t>(instruction.first), names);
        } else {
            number(instruction.first);
        }
        break;
    case OperandLayout::I16U16:
        number(instruction.first);
        number(instruction.second);
        break;
    case OperandLayout::Switch:
        number(instruction.count);
        for (uint32_t i = 0; i < instruction.count; ++i) {
            line += " (" + std::to_string(SwitchCase(instruction, i)) + " -> " +
                    std::to_string(SwitchTarget(instruction, i)) + ")";
        }
        line += " default -> " + std::to_string(SwitchDefault(instruction));
        break;
    case OperandLayout::Wait:
        number(instruction.count);
        if (instruction.badCount)
            return line + " <count above 32767>";
        for (uint32_t i = 0; i < instruction.count; ++i) {
            line += " (" + StringText(WaitMajor(instruction, i), names) + " " +
                    StringText(WaitMinor(instruction, i), names) + " -> " + std::to_string(WaitTarget(instruction, i)) +
                    ")";
        }
        break;
    }
    return line;
}

std::string Disassemble(const uint8_t* code, uint32_t length, const StringNamer& names)
{
    std::string listing;
    DecodedInstruction instruction;
    for (uint32_t position = 0; DecodeInstruction(code, length, position, &instruction);
         position += instruction.length) {
        listing += FormatInstruction(instruction, names);
        listing += '\n';
        if (instruction.truncated || instruction.badCount)
            break;
    }
    return listing;
}
