// Helpers of the compiler tests: run the front end on a text and read the log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/front_end.h"
#include "script/compiler/scanner.h"
#include "script/compiler/symbols.h"
#include "script/compiler/tokens.h"

namespace compiler_test {

inline std::vector<std::string> LogLines(const GSCompileLog& log)
{
    std::vector<std::string> lines;
    for (uint32_t i = 0; i < log.LineCount(); ++i)
        lines.push_back(log.Line(i));
    return lines;
}

struct FrontResult {
    int errors = 0;
    std::vector<std::string> lines;
};

// Checks `text` as the main file "t.gs".
inline FrontResult Check(const std::string& text)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    FrontResult result;
    result.errors = front.CheckText("t.gs", text, &log);
    result.lines = LogLines(log);
    return result;
}

// Include files served from memory, by name.
struct MapReader : GSCompiler::SourceReader {
    std::map<std::string, std::string> files;
    bool Read(const std::string&, const std::string& name, std::string* text) override
    {
        auto found = files.find(name);
        if (found == files.end())
            return false;
        *text = found->second;
        return true;
    }
};

// Checks `text` as the main file `name`, with `includes` readable by name.
inline FrontResult CheckWithIncludes(const char* name, const std::string& text,
                                     const std::map<std::string, std::string>& includes)
{
    MapReader reader;
    reader.files = includes;
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    front.SetReader(&reader);
    FrontResult result;
    result.errors = front.CheckText(name, text, &log);
    result.lines = LogLines(log);
    return result;
}

// Wraps statements in a class with one void function.
inline std::string InFunction(const std::string& body)
{
    return "class A {\nvoid f() {\n" + body + "\n}\n};\n";
}

inline std::vector<int> Tokens(const std::string& text)
{
    GSCompiler::yyFlexLexer scanner(text.data(), text.size());
    std::vector<int> tokens;
    for (;;) {
        int token = scanner.yylex();
        if (token == GSCompiler::TOKEN_END)
            break;
        tokens.push_back(token);
        if (token == GSCompiler::kTokenTooLong)
            break;
    }
    return tokens;
}

}  // namespace compiler_test
