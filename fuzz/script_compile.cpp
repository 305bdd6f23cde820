// Fuzz target: programs that pass the front end go through code generation;
// every function's code must then decode cleanly, keep its jumps inside the
// function and leave the operand stack as it found it, and its line table
// must stay in code order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_compile.h"
#include "script/common/disassembler.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/symbols.h"

namespace {

bool Inside(int32_t target, uint32_t length)
{
    return target >= 0 && static_cast<uint32_t>(target) <= length;
}

void CheckCode(const GSCompiler::CodeEmitter& emitter)
{
    if (emitter.depth != 0)
        __builtin_trap();
    const uint8_t* code = emitter.code.Data();
    const uint32_t length = static_cast<uint32_t>(emitter.code.Length());
    DecodedInstruction instruction;
    for (uint32_t position = 0; DecodeInstruction(code, length, position, &instruction);
         position += instruction.length) {
        if (instruction.info == nullptr || instruction.truncated || instruction.badCount)
            __builtin_trap();
        const OperandLayout layout = instruction.info->layout;
        if (layout == OperandLayout::I32 && instruction.opcode >= OP_Jump &&
            instruction.opcode <= OP_JumpIfGreaterEqual && !Inside(instruction.first, length)) {
            __builtin_trap();
        }
        for (uint32_t i = 0; i < instruction.count; ++i) {
            const int32_t target =
                layout == OperandLayout::Switch ? SwitchTarget(instruction, i) : WaitTarget(instruction, i);
            if (!Inside(target, length))
                __builtin_trap();
        }
        if (layout == OperandLayout::Switch && !Inside(SwitchDefault(instruction), length))
            __builtin_trap();
    }
    (void)Disassemble(code, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    if (!CompileFuzzText(data, size, &front, &log))
        return 0;
    Utils::DoubleLinkList& classes = front.Context().compiledClasses;
    for (auto* node = classes.First(); node != nullptr; node = classes.After(node)) {
        auto* compiled = static_cast<GSCompiler::GSCClass*>(node);
        CheckCode(compiled->initializer);
        for (auto* f = compiled->functions.First(); f != nullptr; f = compiled->functions.After(f)) {
            auto* function = static_cast<GSCompiler::GSCFunction*>(f);
            CheckCode(function->emitter);
            // The line table stays in code order, inside the code.
            for (uint32_t i = 0; i < function->lines.Count(); ++i) {
                if (function->lines[i].position > function->emitter.code.Length())
                    __builtin_trap();
                if (i > 0 && function->lines[i].position < function->lines[i - 1].position)
                    __builtin_trap();
            }
        }
    }
    return 0;
}
