// Fuzz target: the bytecode listing over arbitrary bytes (damaged libraries
// reach it through the dump tool and the loader's verifier).
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/common/disassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint32_t length = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
    std::string listing = Disassemble(data, length, [](uint32_t index) { return std::to_string(index); });
    uint32_t position = 0;
    DecodedInstruction instruction;
    while (DecodeInstruction(data, length, position, &instruction)) {
        if (instruction.length == 0 || instruction.length > length - position)
            __builtin_trap();
        position += instruction.length;
    }
    return listing.size() > size * 200 + 64 ? 1 : 0;
}
