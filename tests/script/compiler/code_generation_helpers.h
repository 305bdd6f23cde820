// Helpers of the code-generation tests: a source through the front end and
// code generation, and listings of the functions it produced.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "script/common/disassembler.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/library_strings.h"
#include "script/compiler/symbols.h"
#include "script/common/keyed_hash_table.h"

namespace compiler_test {

class Generated {
public:
    // The front end on `source` as "t.gs", then (unless told not to) code generation.
    explicit Generated(const std::string& source, bool generate = true)
    {
        frontErrors = front.CheckText("t.gs", source, &log);
        if (frontErrors == 0 && generate)
            ok = GenerateCode(&generator, &front.Context());
        for (uint32_t i = 0; i < log.LineCount(); ++i)
            lines.push_back(log.Line(i));
    }

    GSCompiler::GSCClass* Class(const std::string& name)
    {
        Utils::DoubleLinkList& list = front.Context().compiledClasses;
        for (auto* node = list.First(); node != nullptr; node = list.After(node)) {
            auto* cls = static_cast<GSCompiler::GSCClass*>(node);
            if (name == cls->symbol->name)
                return cls;
        }
        return nullptr;
    }

    // The function of `cls` whose plain name is `name` (the first one compiled).
    GSCompiler::GSCFunction* Function(const std::string& cls, const std::string& name)
    {
        GSCompiler::GSCClass* compiled = Class(cls);
        if (compiled == nullptr)
            return nullptr;
        for (auto* node = compiled->functions.First(); node != nullptr; node = compiled->functions.After(node)) {
            auto* function = static_cast<GSCompiler::GSCFunction*>(node);
            if (function->symbol->PlainName() == name)
                return function;
        }
        return nullptr;
    }

    std::string StringAt(uint32_t index)
    {
        const char* text = front.Context().libraryStrings.Text(index);
        return text != nullptr ? text : "?";
    }

    std::string Listing(const GSCompiler::CodeEmitter& emitter)
    {
        return Disassemble(emitter.code.Data(), static_cast<uint32_t>(emitter.code.Length()),
                           [this](uint32_t index) { return StringAt(index); });
    }

    std::string Listing(const std::string& cls, const std::string& function)
    {
        GSCompiler::GSCFunction* found = Function(cls, function);
        return found != nullptr ? Listing(found->emitter) : "<no function>";
    }

    GSCompileLog log;
    GSCompiler::FrontEnd front;
    GSCompiler::GSGeneratorContext generator;
    int frontErrors = 0;
    bool ok = false;
    std::vector<std::string> lines;
};

}  // namespace compiler_test
