// Compiling fuzz bytes: the front end and code generation on the text as
// "fuzz.gs", where every include is "not found", so fuzzed programs never
// reach the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"

class NoFilesReader : public GSCompiler::SourceReader {
public:
    bool Read(const std::string&, const std::string&, std::string*) override { return false; }
};

// True when the text passes the front end and code generation; the compiled
// classes are then in `front`'s context.
inline bool CompileFuzzText(const uint8_t* data, size_t size, GSCompiler::FrontEnd* front, GSCompileLog* log)
{
    static NoFilesReader reader;
    front->SetReader(&reader);
    if (front->CheckText("fuzz.gs", std::string(reinterpret_cast<const char*>(data), size), log) != 0)
        return false;
    GSCompiler::GSGeneratorContext generator;
    return GSCompiler::GenerateCode(&generator, &front->Context());
}
