// Decoding and listing of script bytecode. The bytes are treated as
// untrusted: nothing is read past the given length, and an illegal opcode or
// a cut-off operand is reported in the listing rather than followed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "script/common/opcodes.h"

struct DecodedInstruction {
    uint32_t position = 0;
    uint8_t opcode = 0;
    const OpcodeInfo* info = nullptr;  // null: illegal opcode (decoded as one byte)
    uint32_t length = 0;               // bytes taken, opcode included
    bool truncated = false;            // the operands run past the end (length = what is left)
    bool badCount = false;             // a wait count of 32768 or more (read sign-extended: negative)
    int32_t first = 0;                 // i32, u16 or i16 operand; the i16 of a call
    int32_t second = 0;                // the u16 method slot of a call
    uint32_t count = 0;                // entries of a switch or wait
    const uint8_t* table = nullptr;    // the entries of a switch or wait, behind the count
};

// Decodes the instruction at `position`; false when `position` is not below `length`.
bool DecodeInstruction(const uint8_t* code, uint32_t length, uint32_t position, DecodedInstruction* out);

// Entries of a decoded switch (i < count) and its default target.
int32_t SwitchCase(const DecodedInstruction& instruction, uint32_t i);
int32_t SwitchTarget(const DecodedInstruction& instruction, uint32_t i);
int32_t SwitchDefault(const DecodedInstruction& instruction);
// Entries of a decoded wait (i < count).
uint16_t WaitMajor(const DecodedInstruction& instruction, uint32_t i);
uint16_t WaitMinor(const DecodedInstruction& instruction, uint32_t i);
int32_t WaitTarget(const DecodedInstruction& instruction, uint32_t i);

// Gives the text of library string k for the listing; empty function: strings print as "s<k>".
using StringNamer = std::function<std::string(uint32_t index)>;

// One instruction per line, "<position>: <name> <operands>\n":
//   12: OP_PushInt 1000
//   17: OP_Call -1 3
//   23: OP_Switch 2 (-5 -> 40) (7 -> 45) default -> 50
//   40: OP_Wait 2 (s0 s1 -> 60) (s2 s1 -> 70)
// An illegal byte lists as "<position>: ?? 0x<byte>" and the listing goes
// on behind it; a cut-off operand lists as "<name> <truncated>" and ends it.
std::string Disassemble(const uint8_t* code, uint32_t length, const StringNamer& names = StringNamer());
// The listing line of one decoded instruction, without the line feed.
std::string FormatInstruction(const DecodedInstruction& instruction, const StringNamer& names = StringNamer());
