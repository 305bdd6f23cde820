// Helpers of the library-image tests: a front-end-checked symbol table with
// code holders filled by hand, as code generation would fill them, and
// little-endian word access to the written bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "front_end_helpers.h"
#include "script/common/byte_buffer.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/library_image_writer.h"
#include "script/compiler/symbols.h"

namespace image_test {

inline uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t at)
{
    if (at + 4 > bytes.size()) {
        ADD_FAILURE() << "word at " << at << " beyond " << bytes.size();
        return 0xDEADBEEF;
    }
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

inline std::vector<uint32_t> WordsAt(const std::vector<uint8_t>& bytes, size_t at, size_t count)
{
    std::vector<uint32_t> words;
    for (size_t i = 0; i < count; ++i)
        words.push_back(WordAt(bytes, at + 4 * i));
    return words;
}

inline std::vector<uint8_t> Bytes(const Utils::ByteBuffer& buffer)
{
    return std::vector<uint8_t>(buffer.Data(), buffer.Data() + buffer.Length());
}

// A checked compilation whose classes get their code holders by hand.
class HandCompilation {
public:
    explicit HandCompilation(const std::string& source, const std::map<std::string, std::string>& includes = {})
    {
        reader.files = includes;
        front.SetReader(&reader);
        errors = front.CheckText("t.gs", source, &log);
    }

    ~HandCompilation() { Context().compiledClasses.DeleteAll(); }
    HandCompilation(const HandCompilation&) = delete;
    HandCompilation& operator=(const HandCompilation&) = delete;

    GSCompiler::GSSymbolTable& Context() { return front.Context(); }

    // Appends the holder of class `name`, looked up as code generation does.
    GSCompiler::GSCClass* AddClass(const char* name)
    {
        GSCompiler::GSSymbol* symbol = Context().Lookup(name, nullptr, false, false);
        EXPECT_TRUE(symbol != nullptr && symbol->kind == GSCompiler::SYM_CLASS) << name;
        auto* cls = new GSCompiler::GSCClass(static_cast<GSCompiler::GSClassSymbol*>(symbol));
        Context().compiledClasses.PushBack(cls);
        return cls;
    }

    // Appends the holder of function `shortSignature` ("::f(int)") of `cls`
    // with the given code and greatest stack depth.
    GSCompiler::GSCFunction* AddFunction(GSCompiler::GSCClass* cls, const char* shortSignature,
                                         const std::vector<uint8_t>& code = {}, int32_t maxDepth = 0)
    {
        GSCompiler::GSSymbol* symbol = Context().Lookup(shortSignature, cls->symbol, false, true);
        EXPECT_TRUE(symbol != nullptr && symbol->kind == GSCompiler::SYM_FUNCTION) << shortSignature;
        auto* function = new GSCompiler::GSCFunction(static_cast<GSCompiler::GSFunctionSymbol*>(symbol));
        if (!code.empty())
            function->emitter.code.WriteBytes(code.data(), code.size());
        function->emitter.maxDepth = maxDepth;
        cls->functions.PushBack(function);
        return function;
    }

    // Runs the writer; the image bytes, empty on failure.
    std::vector<uint8_t> Write(const char* libraryName = "t.gs")
    {
        Utils::ByteBuffer out;
        out.Init(512);
        written = GSCompiler::WriteLibraryImage(&Context(), &log, libraryName, &out);
        return written ? Bytes(out) : std::vector<uint8_t>();
    }

    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        for (uint32_t i = 0; i < log.LineCount(); ++i)
            lines.push_back(log.Line(i));
        return lines;
    }

    compiler_test::MapReader reader;
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    int errors = 0;
    bool written = false;
};

}  // namespace image_test
